// page-dictbuild: turns the Debian dictionary files and the project's own lists into the page's
// SQLite dictionary.
#include <CLI/CLI.hpp>
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
  std::vector<std::string> noun_lists;
  std::vector<std::string> verb_lists;
  CLI::App app{"page-dictbuild: builds the translation page's dictionary database"};
  app.footer(kUsage);
  app.add_option("--general-index", index_path, "the dictionary's index");
  app.add_option("--general-data", data_path, "the dictionary's data");
  app.add_option("--computer-terms", terms_path, "the computer-terms dictionary");
  CLI::Option* nouns =
      app.add_option("--english-exceptions", noun_lists, "an English irregular-form list");
  CLI::Option* verbs =
      app.add_option("--english-verb-exceptions", verb_lists, "an English irregular-verb list");
  app.add_option("--bulgarian-counts", bulgarian_counts, "Bulgarian word counts");
  app.add_option("--english-counts", english_counts, "English word counts");
  app.add_option("--bulgarian-forms", bulgarian_forms, "Bulgarian irregular forms");
  app.add_option("--supplement", supplement, "the supplement of main senses");
  app.add_option("--unread", unread_path, "write the lines that gave no translation here");
  app.add_option("--bulgarian-hunspell", hunspell_bg, "the Bulgarian .aff and .dic")->expected(2);
  app.add_option("--english-hunspell", hunspell_en, "the English .aff and .dic")->expected(2);
  app.add_option("--out", out_path, "the database to write");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  // The irregular-form lists in the order given: a later list's forms come after an earlier's.
  std::size_t next_noun = 0;
  std::size_t next_verb = 0;
  for (const CLI::Option* option : app.parse_order()) {
    if (option == nouns) exceptions.emplace_back(noun_lists[next_noun++], false);
    if (option == verbs) exceptions.emplace_back(verb_lists[next_verb++], true);
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
