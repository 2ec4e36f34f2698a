// The user's lexicon without a voice: words and pronunciations checked as a user types them, the
// entries file read back, and the compiled dictionary run through the engine's own cascade.
#include "tools/lexicon/user_lexicon.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/dyn_array.h"
#include "engine/core/sound/phoneme_set.h"
#include "engine/core/symbols.h"
#include "engine/core/text/byte_reader.h"
#include "engine/core/text/cascade.h"
#include "engine/core/text/grammar.h"
#include "engine/core/text/transducer.h"
#include "platform/com/unicode.h"
#include "tests/support/temp_files.h"

using namespace brelvox::test;

namespace brelvox::lexicon {

namespace {

// `n` copies of a UTF-8 character.
std::string Repeat(const std::string& character, size_t n) {
  std::string text;
  for (size_t i = 0; i < n; ++i)
    text += character;
  return text;
}

TEST(UserLexiconWord, LowerCasedAsTheGrammarDoesAndOnlyBulgarianLetters) {
  const std::string longest = Repeat("а", kMaxLexiconWordLetters);
  const struct {
    std::string word;
    const char* normalized;  // null: refused
    const char* named;       // the character (or the limit) the refusal names
  } cases[] = {
      {"Котката", "котката", nullptr},
      {"ЩЪРКЕЛЪТ", "щъркелът", nullptr},
      {"Ѝ", "ѝ", nullptr},
      {"ѐ", "ѐ", nullptr},
      {"hello", nullptr, "\"h\""},
      {"по-добре", nullptr, "\"-\""},
      {"ёлка", nullptr, "\"ё\""},  // not a letter of the grammar
      {"жена́", nullptr, "stress mark"},
      {"две думи", nullptr, "\" \""},
      {"", nullptr, "empty"},
      {longest, longest.c_str(), nullptr},
      {longest + "а", nullptr, "at most 64"},
      {Repeat("а", 8000), nullptr, "8000 letters"},  // once a dictionary of gigabytes
  };
  for (const auto& c : cases) {
    std::string normalized, error;
    const bool ok = NormalizeLexiconWord(c.word, &normalized, &error);
    if (c.normalized != nullptr) {
      EXPECT_TRUE(ok) << c.word << ": " << error;
      EXPECT_EQ(normalized, c.normalized);
    } else {
      EXPECT_FALSE(ok) << c.word;
      EXPECT_NE(error.find(c.named), std::string::npos) << error;
    }
  }
}

TEST(UserLexiconPronunciation, PhonemeCharactersWithAStressedVowel) {
  for (const char* good : {"kOtka", "6tAst'e", "#Op", "s", "bylgAr'ja", "DULa"}) {
    std::string error;
    EXPECT_TRUE(CheckPronunciation(good, &error)) << good << ": " << error;
  }
  const struct {
    std::string pronunciation;
    const char* named;
  } bad[] = {
      {"", "empty"},
      {"kQtka", "\"Q\""},
      {"kOt ka", "\" \""},
      {"kOt_ka", "pause"},
      {"k\xD0\x9Etka", "\"\xD0\x9E\""},  // a Cyrillic О among the phonemes
      {"kotka", "no stressed vowel"},
      {"kOtka" + Repeat("a", kMaxPronunciationPhonemes), "at most 128"},
  };
  for (const auto& c : bad) {
    std::string error;
    EXPECT_FALSE(CheckPronunciation(c.pronunciation, &error)) << c.pronunciation;
    EXPECT_NE(error.find(c.named), std::string::npos) << error;
  }
}

TEST(UserLexiconFile, ReadsWhatItWritesAndNamesTheBadLine) {
  TempDir dir;
  UserLexicon lexicon;
  std::string error;
  ASSERT_TRUE(ReadUserLexicon(dir.File("missing.txt"), &lexicon, &error)) << error;
  EXPECT_TRUE(lexicon.empty());

  const UserLexicon written{{"котка", "kOtka"}, {"щастие", "6tAst'e"}};
  const std::string text = FormatUserLexicon(written);
  ASSERT_TRUE(ReadUserLexicon(dir.Write("a.txt", text.data(), text.size()), &lexicon, &error));
  EXPECT_EQ(lexicon, written);

  const std::string handEdited = "# mine\r\n\r\n  Куче   kUce\r\n";
  ASSERT_TRUE(
      ReadUserLexicon(dir.Write("b.txt", handEdited.data(), handEdited.size()), &lexicon, &error))
      << error;
  EXPECT_EQ(lexicon, (UserLexicon{{"куче", "kUce"}}));

  const struct {
    const char* text;
    const char* expected;
  } broken[] = {
      {"котка kOtka\nкуче\n", "line 2: an entry is a word and its pronunciation"},
      {"котка kOtka extra\n", "line 1: an entry is a word"},
      {"котка kQtka\n", "line 1: the pronunciation \"kQtka\" holds \"Q\""},
      {"котка kOtka\nКОТКА kotkA\n", "line 2: \"котка\" is already given at line 1"},
  };
  for (const auto& c : broken) {
    const std::string path = dir.Write("c.txt", c.text, std::string(c.text).size());
    EXPECT_FALSE(ReadUserLexicon(path, &lexicon, &error)) << c.text;
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
  }
}

std::vector<int32_t> Symbols(const std::string& text) {
  const std::u16string units = Utf8ToUtf16(text);
  return {units.begin(), units.end()};
}

// Runs a stream through a grammar whose only stage is the user stage (kind 3), as the engine does.
std::vector<int32_t> RunUserStage(const UserLexicon& lexicon, const std::vector<int32_t>& input) {
  std::vector<int32_t> words;
  std::string error;
  EXPECT_TRUE(CompileUserLexicon(lexicon, &words, &error)) << error;
  ByteReader reader = MakeByteReader(words.data(), static_cast<int64_t>(words.size() * 4));
  Transducer* dictionary = LoadTransducer(&reader);
  EXPECT_NE(dictionary, nullptr);
  // One stage record: kind 3, no protected symbols, enable mask 1, disable mask 0.
  std::vector<int32_t> grammarFile(1 + 109, 0);
  grammarFile[0] = 1;
  grammarFile[1] = 3;
  grammarFile[1 + 107] = 1;
  ByteReader grammarReader =
      MakeByteReader(grammarFile.data(), static_cast<int64_t>(grammarFile.size() * 4));
  Grammar* grammar = LoadGrammar(&grammarReader);
  EXPECT_NE(grammar, nullptr);
  DynArray* stream = DynArrayCreate(1, 16, kDefaultGrowth);
  for (int32_t s : input)
    DynArrayAppend(stream, &s);
  DynArray* result = RunCascade(*grammar, dictionary, stream, 1);
  std::vector<int32_t> out(result->data, result->data + result->count);
  DynArrayRelease(result);
  DynArrayRelease(stream);
  FreeGrammar(grammar);
  if (dictionary != nullptr) FreeTransducer(dictionary);
  return out;
}

TEST(UserLexiconDictionary, ReplacesWholeMarkedWordsOnly) {
  const UserLexicon lexicon{{"котка", "kOtka"}, {"не", "nE"}};
  constexpr int32_t kClitic = kCliticWordMarker;
  const auto marked = [](int32_t open, const std::string& word, int32_t close) {
    std::vector<int32_t> s{open};
    for (int32_t c : Symbols(word))
      s.push_back(c);
    s.push_back(close);
    return s;
  };
  std::vector<int32_t> input = marked(kClitic, "не", kClitic);
  input.push_back(' ');
  for (const char* word : {"котка", "котката", "кот"}) {
    for (int32_t s : marked(kFirstWordMarker, word, kFirstWordMarker))
      input.push_back(s);
  }

  std::vector<int32_t> expected = {kClitic, kSettledSymbol};
  for (int32_t s : Symbols("не"))
    expected.push_back(s);
  const auto phoneme = [](char c) {
    return PhonemeBase + static_cast<int32_t>(PhonemeAlphabet.find(c));
  };
  const int32_t n = phoneme('n'), e = phoneme('E');
  for (int32_t s : {n, StressBase + 5, e, StressBase + 7, kSettledSymbol, kClitic, int32_t{' '}})
    expected.push_back(s);
  expected.push_back(kFirstWordMarker);
  for (int32_t s : UserDictionaryReplacement("котка", "kOtka"))
    expected.push_back(s);
  expected.push_back(kFirstWordMarker);
  for (const char* word : {"котката", "кот"}) {  // a longer word and a prefix stay as they were
    for (int32_t s : marked(kFirstWordMarker, word, kFirstWordMarker))
      expected.push_back(s);
  }
  EXPECT_EQ(RunUserStage(lexicon, input), expected);
}

TEST(UserLexiconDictionary, NoEntriesStillLoadsAndChangesNothing) {
  const std::vector<int32_t> input = {kFirstWordMarker, 0x43A, kFirstWordMarker, PauseSymbol};
  EXPECT_EQ(RunUserStage({}, input), input);
}

}  // namespace

}  // namespace brelvox::lexicon
