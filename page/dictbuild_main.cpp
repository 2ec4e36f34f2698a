// page-dictbuild: turns the Debian dictionary files into the page's SQLite dictionary.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "page/dictionary_sources.h"
#include "page/dictionary_tables.h"

namespace {

constexpr const char* kUsage =
    "Usage: page-dictbuild --general-index FILE --general-data FILE [--computer-terms FILE]\n"
    "                      [--english-exceptions FILE]... --out FILE\n"
    "Builds the translation page's dictionary database from an English-Bulgarian dictionary in "
    "the\n"
    "dict server format, the Bulgarian computer-terms dictionary and English irregular-form "
    "lists.\n";

}  // namespace

int main(int argc, char** argv) {
  std::string index_path;
  std::string data_path;
  std::string terms_path;
  std::string out_path;
  std::vector<std::string> exceptions;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "page-dictbuild: %s needs a value.\n%s", arg.c_str(), kUsage);
      return 2;
    }
    const std::string value = argv[++i];
    if (arg == "--general-index") {
      index_path = value;
    } else if (arg == "--general-data") {
      data_path = value;
    } else if (arg == "--computer-terms") {
      terms_path = value;
    } else if (arg == "--english-exceptions") {
      exceptions.push_back(value);
    } else if (arg == "--out") {
      out_path = value;
    } else {
      std::fprintf(stderr, "page-dictbuild: unknown option %s.\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }
  if (index_path.empty() || data_path.empty() || out_path.empty()) {
    std::fprintf(stderr,
                 "page-dictbuild: --general-index, --general-data and --out are required.\n%s",
                 kUsage);
    return 2;
  }
  std::string error;
  std::vector<brelvox::page::SourceEntry> entries;
  if (!brelvox::page::ReadGeneralDictionary(index_path, data_path, &entries, &error) ||
      (!terms_path.empty() && !brelvox::page::ReadComputerTerms(terms_path, &entries, &error))) {
    std::fprintf(stderr, "page-dictbuild: %s\n", error.c_str());
    return 1;
  }
  std::vector<brelvox::page::EnglishForm> forms;
  for (const auto& path : exceptions) {
    std::ifstream in(path);
    if (!in) {
      std::fprintf(stderr, "page-dictbuild: cannot open %s.\n", path.c_str());
      return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    auto parsed = brelvox::page::ParseEnglishExceptions(text.str());
    forms.insert(forms.end(), parsed.begin(), parsed.end());
  }
  const auto tables = brelvox::page::BuildTables(entries, forms);
  if (!brelvox::page::WriteDatabase(tables, out_path, &error)) {
    std::fprintf(stderr, "page-dictbuild: %s\n", error.c_str());
    return 1;
  }
  std::printf(
      "page-dictbuild: %zu entries, %zu English and %zu Bulgarian keys, %zu English forms -> %s\n",
      entries.size(), tables.english_to_bulgarian.size(), tables.bulgarian_to_english.size(),
      tables.english_bases.size(), out_path.c_str());
  return 0;
}
