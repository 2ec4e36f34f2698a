// page-coverage: the share of the most frequent words of a language that the translation page
// translates. Counts words in the given text files (UTF-8), takes the N most frequent and asks the
// page's translator for each.
//   page-coverage bg N FILE...   page-coverage en N FILE...
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "page/dictionary_tables.h"
#include "page/morphology.h"
#include "page/page_service.h"
#include "page/phrase_translator.h"
#include "page/text.h"

int main(int argc, char** argv) {
  using namespace brelvox::page;
  std::string language;
  std::size_t top = 0;
  std::vector<std::string> files;
  CLI::App app{
      "page-coverage: counts the words of the text files (UTF-8), takes the N most frequent and "
      "asks the translation page's translator for each"};
  app.add_option("LANGUAGE", language, "bg or en")->required()->check(CLI::IsMember({"bg", "en"}));
  app.add_option("N", top, "how many of the most frequent words")->required();
  app.add_option("FILE", files, "the texts")->required();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  const bool bulgarian = language == "bg";
  std::map<std::string, long> counts;
  long total_words = 0;
  for (const std::string& file : files) {
    std::ifstream in(file);
    if (!in) {
      std::fprintf(stderr, "page-coverage: cannot open %s.\n", file.c_str());
      return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    for (const auto& token : Tokenize(text.str())) {
      if (!token.is_word) continue;
      const std::u32string w = DecodeUtf8(token.text);
      const bool cyrillic = std::all_of(w.begin(), w.end(), [](char32_t c) {
        return IsCyrillic(c) || c == '-' || c == kStressMark;
      });
      const bool latin = std::all_of(w.begin(), w.end(), [](char32_t c) { return c < 0x80; });
      if (bulgarian ? !cyrillic : !latin) continue;
      ++counts[FoldKey(token.text)];
      ++total_words;
    }
  }
  std::vector<std::pair<std::string, long>> ranked(counts.begin(), counts.end());
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  if (ranked.size() > top) ranked.resize(top);

  PageDictionary dictionary;
  std::string error;
  if (!LoadPageDictionary(DefaultDataDir(), &dictionary, &error)) {
    std::fprintf(stderr, "page-coverage: %s\n", error.c_str());
    return 1;
  }
  const PhraseTranslator translator(dictionary);
  std::map<std::string, int> by_method;
  std::size_t found = 0;
  std::vector<std::string> missing;
  for (const auto& [word, count] : ranked) {
    const auto r = translator.Translate(
        bulgarian ? Direction::kBulgarianToEnglish : Direction::kEnglishToBulgarian, word);
    ++by_method[std::string(MethodName(r.method))];
    if (r.method != Method::kNotFound) {
      ++found;
    } else if (missing.size() < 40) {
      missing.push_back(word);
    }
  }
  std::printf(
      "%s: %ld words counted, %zu distinct; of the %zu most frequent, %zu translated (%.1f%%)\n",
      language.c_str(), total_words, counts.size(), ranked.size(), found,
      ranked.empty() ? 0.0
                     : 100.0 * static_cast<double>(found) / static_cast<double>(ranked.size()));
  for (const auto& [method, n] : by_method)
    std::printf("  %s: %d\n", method.c_str(), n);
  std::printf("  most frequent not found:");
  for (const auto& w : missing)
    std::printf(" %s", w.c_str());
  std::printf("\n");
  return 0;
}
