// page-senses: how often the translation page gives a word's main sense first. Reads hand-written
// checks (bench/page-senses/en-bg.tsv and bg-en.tsv: a word, then the main senses a reader expects,
// separated by "|") and the frequency lists (data/frequency), then prints for each direction the
// share of words whose first translation is a main sense, the share with a main sense among the
// first three, and how many of the most frequent word forms get nothing at all.
// With --list it prints instead the first three translations of each of the N most frequent words
// of both lists, a line each, for reading through.
//   page-senses [--top N] [--show] CHECK_DIR FREQUENCY_DIR
//   page-senses --list [--top N] FREQUENCY_DIR
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "page/dictionary_tables.h"
#include "page/morphology.h"
#include "page/page_service.h"
#include "page/phrase_translator.h"
#include "page/text.h"

namespace {

using namespace brelvox::page;

struct Check {
  std::string word;
  std::vector<std::string> senses;  // folded
};

std::vector<Check> ReadChecks(const std::string& path) {
  std::vector<Check> out;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const auto tab = line.find('\t');
    if (tab == std::string::npos) continue;
    Check c{line.substr(0, tab), {}};
    std::stringstream rest(line.substr(tab + 1));
    std::string sense;
    while (std::getline(rest, sense, '|'))
      c.senses.push_back(FoldKey(sense));
    out.push_back(std::move(c));
  }
  return out;
}

std::vector<std::string> ReadTopWords(const std::string& path, std::size_t top) {
  std::vector<std::string> out;
  std::ifstream in(path);
  std::string word;
  long count = 0;
  while (out.size() < top && in >> word >> count) {
    bool letters = true;
    for (char32_t c : DecodeUtf8(word))
      letters = letters && IsLetter(c);
    if (letters) out.push_back(word);
  }
  return out;
}

bool IsMainSense(const Check& c, const std::string& translation) {
  const std::string t = FoldKey(translation);
  for (const auto& s : c.senses) {
    if (s == t) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t top = 5000;
  bool show = false;
  bool list = false;
  std::vector<std::string> dirs;
  CLI::App app{
      "page-senses: measures first-sense and top-three accuracy on CHECK_DIR/en-bg.tsv and "
      "bg-en.tsv and counts the words among the N most frequent of FREQUENCY_DIR/en_50k.txt and "
      "bg_50k.txt that get no translation; with --list, prints the first three translations of "
      "each of the N most frequent words of both lists instead"};
  app.add_option("--top", top, "how many frequent words to look up (default 5000)");
  app.add_flag("--show", show, "list every miss");
  app.add_flag("--list", list,
               "print the first answers of the most frequent words (FREQUENCY_DIR only)");
  app.add_option("DIRS", dirs, "CHECK_DIR FREQUENCY_DIR, or FREQUENCY_DIR alone with --list")
      ->expected(1, 2)
      ->required();
  try {
    app.parse(argc, argv);
    if (dirs.size() != (list ? 1u : 2u)) {
      throw CLI::ValidationError("DIRS", list ? "--list takes FREQUENCY_DIR alone"
                                              : "CHECK_DIR and FREQUENCY_DIR are both needed");
    }
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  PageDictionary dictionary;
  std::string error;
  if (!LoadPageDictionary(DefaultDataDir(), &dictionary, &error)) {
    std::fprintf(stderr, "page-senses: %s\n", error.c_str());
    return 1;
  }
  const PhraseTranslator translator(dictionary);
  if (list) {
    for (const auto& [name, file, direction] :
         {std::tuple{"en", "/en_50k.txt", Direction::kEnglishToBulgarian},
          std::tuple{"bg", "/bg_50k.txt", Direction::kBulgarianToEnglish}}) {
      for (const auto& w : ReadTopWords(dirs[0] + file, top)) {
        const auto r = translator.Translate(direction, w);
        std::printf("%s\t%s\t%s%s\n", name, w.c_str(), r.Shown().c_str(),
                    r.method == Method::kBaseForm ? "\t(base form)" : "");
      }
    }
    return 0;
  }

  struct Side {
    const char* name;
    const char* checks;
    const char* frequencies;
    Direction direction;
  };
  for (const Side& side :
       {Side{"en-bg", "/en-bg.tsv", "/en_50k.txt", Direction::kEnglishToBulgarian},
        Side{"bg-en", "/bg-en.tsv", "/bg_50k.txt", Direction::kBulgarianToEnglish}}) {
    const auto checks = ReadChecks(dirs[0] + side.checks);
    if (checks.empty()) {
      std::fprintf(stderr, "page-senses: no checks in %s%s.\n", dirs[0].c_str(), side.checks);
      return 1;
    }
    int first = 0;
    int three = 0;
    int none = 0;
    for (const auto& c : checks) {
      const auto r = translator.Translate(side.direction, c.word);
      const bool hit_first = !r.translations.empty() && IsMainSense(c, r.translations[0].text);
      bool hit_three = false;
      for (const auto& t : r.translations)
        hit_three = hit_three || IsMainSense(c, t.text);
      first += hit_first;
      three += hit_three;
      none += r.translations.empty();
      if (show && !hit_first) {
        std::printf("  %s %s:%s %s\n", side.name, c.word.c_str(), hit_three ? " (top 3)" : "",
                    r.Shown().c_str());
      }
    }
    const auto words = ReadTopWords(dirs[1] + side.frequencies, top);
    std::vector<std::string> missing;
    for (const auto& w : words) {
      if (translator.Translate(side.direction, w).translations.empty()) missing.push_back(w);
    }
    const double n = static_cast<double>(checks.size());
    std::printf(
        "%s: %zu checked words: main sense first %.1f%%, among the first three %.1f%%, nothing "
        "found %d; of the %zu most frequent word forms, %zu get nothing\n",
        side.name, checks.size(), 100.0 * first / n, 100.0 * three / n, none, words.size(),
        missing.size());
    if (show) {
      std::printf("  nothing for:");
      for (const auto& w : missing)
        std::printf(" %s", w.c_str());
      std::printf("\n");
    }
  }
  return 0;
}
