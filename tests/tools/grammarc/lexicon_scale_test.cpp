// A lexicon of 50 000 inflected word forms: it must pack to under 20 MB and agree with the
// interpreter. (Compile time is printed, not asserted; the closing figures come from the tool.)
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <string>

#include "tests/tools/grammarc/grammarc_test_support.h"
#include "tools/grammarc/check.h"
#include "tools/grammarc/compiler.h"
#include "tools/grammarc/interpreter.h"
#include "tools/grammarc/parser.h"
#include "tools/grammarc/symbol_text.h"

namespace brelvox::grammarc::testing {
namespace {

// Stems of one to three syllables with the endings of Bulgarian nouns and adjectives.
std::vector<std::string> InflectedWords(size_t count, std::mt19937& random) {
  static const char* const kOnsets[] = {"б",  "в",  "г",  "д",  "ж",  "з",  "к",  "л",  "м",  "н",
                                        "п",  "р",  "с",  "т",  "ф",  "х",  "ц",  "ч",  "ш",  "бр",
                                        "гл", "др", "кр", "пл", "пр", "ст", "тр", "зв", "сл", "хл"};
  static const char* const kVowels[] = {"а", "е", "и", "о", "у", "ъ", "я", "ю"};
  static const char* const kCodas[] = {"", "", "", "н", "р", "л", "с", "т", "к", "ст"};
  static const char* const kEndings[] = {"",    "а",   "ата", "и",   "ите", "ът", "а",
                                         "ове", "ове", "ия",  "ият", "но",  "ни", "ен"};
  const auto pick = [&](const auto& table) {
    return table[std::uniform_int_distribution<size_t>(0, std::size(table) - 1)(random)];
  };
  std::set<std::string> words;
  while (words.size() < count) {
    std::string stem;
    const int syllables = 1 + static_cast<int>(random() % 3);
    for (int s = 0; s < syllables; ++s)
      stem += std::string(pick(kOnsets)) + pick(kVowels);
    stem += pick(kCodas);
    for (const char* ending : kEndings) {
      if (words.size() < count) words.insert(stem + ending);
    }
  }
  return {words.begin(), words.end()};
}

TEST(LexiconScale, FiftyThousandEntriesPackUnderTwentyMegabytes) {
  std::mt19937 random(5);
  const std::vector<std::string> words = InflectedWords(50000, random);
  std::string lexicon;
  for (const std::string& word : words) {
    // A stand-in transcription: one phoneme per letter, stressed on a random one.
    const size_t letters = Utf8ToSymbols(word)->size();
    std::string phonemes;
    for (size_t i = 0; i < letters; ++i)
      phonemes += "bwgdzklmnprstaeiou"[random() % 18];
    lexicon += word + " {" + phonemes + "} Stress" + std::to_string(random() % 11) + "\n";
  }
  ScratchFile("big.lex", lexicon);
  const GrammarSource source = ParseSourceText(
      "stage words lexicon \"big.lex\"\n keep\n boundary = [ ] | WordMarker\n", "big.grc",
      ScratchFile("big.grc", "").substr(0, ScratchFile("big.grc", "").rfind('/')));
  const auto start = std::chrono::steady_clock::now();
  const CompiledFile file = CompileSource(source);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double megabytes = static_cast<double>(file.words.size()) * 4 / 1e6;
  std::printf("50 000 entries: %.1f MB, %.1f%% of rows filled, compiled in %.1f s\n", megabytes,
              100.0 * static_cast<double>(file.stages[0].usedRows) /
                  static_cast<double>(file.stages[0].rows),
              seconds);
  EXPECT_LT(megabytes, 20.0);

  // Sentences of known and unknown words, both ways.
  std::vector<std::vector<int32_t>> inputs;
  for (int i = 0; i < 300; ++i) {
    std::string sentence;
    for (int w = 0; w < 6; ++w) {
      std::string word = words[random() % words.size()];
      if (random() % 3 == 0) word += "х";  // mostly unknown then
      sentence += (w > 0 ? " " : "") + word;
    }
    inputs.push_back(*Utf8ToSymbols(sentence));
  }
  const EngineRun run = RunEngine(file.words, {}, inputs, 1);
  ASSERT_TRUE(run.loaded);
  for (size_t i = 0; i < inputs.size(); ++i)
    ASSERT_EQ(run.outputs[i], Interpret(source, nullptr, inputs[i], 1)) << Text(inputs[i]);
}

}  // namespace
}  // namespace brelvox::grammarc::testing
