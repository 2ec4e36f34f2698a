// page-dictbuild: turns the Debian dictionary files and the project's own lists into the page's
// SQLite dictionary.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "page/dictionary_sources.h"
#include "page/dictionary_tables.h"
#include "page/morphology.h"

namespace {

using namespace brelvox::page;

constexpr const char* kUsage =
    "Usage: page-dictbuild --general-index FILE --general-data FILE [--computer-terms FILE]\n"
    "         [--english-exceptions FILE]... [--english-verb-exceptions FILE]...\n"
    "         [--bulgarian-counts FILE] [--english-counts FILE] [--bulgarian-forms FILE]\n"
    "         [--supplement FILE] [--bulgarian-hunspell AFF DIC] [--english-hunspell AFF DIC]\n"
    "         [--unread FILE] --out FILE\n"
    "Builds the translation page's dictionary database from an English-Bulgarian dictionary in\n"
    "the dict server format, the Bulgarian computer-terms dictionary, English irregular-form\n"
    "lists, word counts of both languages (\"WORD COUNT\" lines, to rank translations), the\n"
    "Bulgarian irregular forms (\"FORM BASE\" lines) and a hand-written supplement. --unread\n"
    "writes the dictionary lines that gave no translation.\n";

bool ReadText(const std::string& path, std::string* text) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "page-dictbuild: cannot open %s; check the path.\n", path.c_str());
    return false;
  }
  std::stringstream s;
  s << in.rdbuf();
  *text = s.str();
  return true;
}

bool ReadCounts(const std::string& path, std::vector<std::pair<std::string, double>>* counts) {
  std::string text;
  if (path.empty()) return true;
  if (!ReadText(path, &text)) return false;
  std::istringstream in(text);
  std::string word;
  double count = 0;
  while (in >> word >> count)
    counts->emplace_back(word, count);
  if (counts->empty()) {
    std::fprintf(stderr, "page-dictbuild: %s has no \"WORD COUNT\" lines.\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const auto started = std::chrono::steady_clock::now();
  std::string index_path;
  std::string data_path;
  std::string terms_path;
  std::string out_path;
  std::string bulgarian_counts;
  std::string english_counts;
  std::string bulgarian_forms;
  std::string supplement;
  std::string unread_path;
  std::vector<std::string> hunspell_bg;
  std::vector<std::string> hunspell_en;
  std::vector<std::pair<std::string, bool>> exceptions;  // path, verb list
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    const int values = arg == "--bulgarian-hunspell" || arg == "--english-hunspell" ? 2 : 1;
    if (i + values >= argc) {
      std::fprintf(stderr, "page-dictbuild: %s needs %s.\n%s", arg.c_str(),
                   values == 2 ? "two files (.aff and .dic)" : "a value", kUsage);
      return 2;
    }
    const std::string value = argv[++i];
    if (arg == "--general-index") {
      index_path = value;
    } else if (arg == "--general-data") {
      data_path = value;
    } else if (arg == "--computer-terms") {
      terms_path = value;
    } else if (arg == "--english-exceptions" || arg == "--english-verb-exceptions") {
      exceptions.emplace_back(value, arg == "--english-verb-exceptions");
    } else if (arg == "--bulgarian-counts") {
      bulgarian_counts = value;
    } else if (arg == "--english-counts") {
      english_counts = value;
    } else if (arg == "--bulgarian-forms") {
      bulgarian_forms = value;
    } else if (arg == "--supplement") {
      supplement = value;
    } else if (arg == "--unread") {
      unread_path = value;
    } else if (arg == "--bulgarian-hunspell" || arg == "--english-hunspell") {
      const std::string dic = argv[++i];
      (arg == "--bulgarian-hunspell" ? hunspell_bg : hunspell_en) = {value, dic};
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
  std::vector<SourceEntry> entries;
  std::vector<std::string> unread;
  if (!ReadGeneralDictionary(index_path, data_path, &entries, &error, &unread) ||
      (!terms_path.empty() && !ReadComputerTerms(terms_path, &entries, &error))) {
    std::fprintf(stderr, "page-dictbuild: %s\n", error.c_str());
    return 1;
  }
  std::size_t senses = 0;
  for (const auto& e : entries)
    senses += e.senses.size();
  const std::size_t dictionary_entries = entries.size();
  std::string text;
  std::size_t supplemented = 0;
  if (!supplement.empty()) {
    if (!ReadText(supplement, &text)) return 1;
    if (!ParseSupplement(text, &entries, &error)) {
      std::fprintf(stderr, "page-dictbuild: %s: %s\n", supplement.c_str(), error.c_str());
      return 1;
    }
    supplemented = entries.size() - dictionary_entries;
  }
  std::vector<WordForm> forms;
  for (const auto& [path, verb] : exceptions) {
    if (!ReadText(path, &text)) return 1;
    auto parsed = ParseEnglishExceptions(text, verb);
    forms.insert(forms.end(), parsed.begin(), parsed.end());
  }
  RankingData ranking;
  if (!ReadCounts(bulgarian_counts, &ranking.bulgarian_counts) ||
      !ReadCounts(english_counts, &ranking.english_counts)) {
    return 1;
  }
  if (!bulgarian_forms.empty()) {
    if (!ReadText(bulgarian_forms, &text)) return 1;
    ranking.bulgarian_forms = ParseBulgarianForms(text);
  }
  std::unique_ptr<WordStemmer> bg;
  std::unique_ptr<WordStemmer> en;
  for (auto [files, stemmer] : {std::pair{&hunspell_bg, &bg}, std::pair{&hunspell_en, &en}}) {
    if (files->empty()) continue;
    *stemmer = WordStemmer::Load((*files)[0], (*files)[1], &error);
    if (!*stemmer) {
      std::fprintf(stderr, "page-dictbuild: %s\n", error.c_str());
      return 1;
    }
  }
  ranking.bulgarian = bg.get();
  ranking.english = en.get();
  const auto tables = BuildTables(entries, forms, ranking);
  if (!WriteDatabase(tables, out_path, &error)) {
    std::fprintf(stderr, "page-dictbuild: %s\n", error.c_str());
    return 1;
  }
  if (!unread_path.empty()) {
    std::ofstream out(unread_path);
    for (const auto& line : unread)
      out << line << '\n';
  }
  std::printf(
      "page-dictbuild: %zu dictionary entries with %zu senses (%zu lines gave no translation), "
      "%zu supplement entries; %zu English and %zu Bulgarian keys, %zu English and %zu Bulgarian "
      "forms, %zu forms read as their base first; %.1f s -> %s\n",
      dictionary_entries, senses, unread.size(), supplemented, tables.english_to_bulgarian.size(),
      tables.bulgarian_to_english.size(), tables.english_bases.size(),
      tables.bulgarian_bases.size(),
      tables.english_base_first.size() + tables.bulgarian_base_first.size(),
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
      out_path.c_str());
  return 0;
}
