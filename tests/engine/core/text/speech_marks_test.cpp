#include <gtest/gtest.h>

#include <vector>

#include "engine/core/symbols.h"
#include "engine/core/text/speech_marks.h"
#include "tests/support/grammar_files.h"
#include "tests/support/text_grammar.h"

using namespace brelvox::test;

namespace {

constexpr int32_t W = kFirstWordMarker;
constexpr int32_t S = kSentenceMarkerB;

struct Mark {
  int32_t symbol, kind, itemOrPosition, length;
  bool operator==(const Mark&) const = default;
};

std::vector<Mark> Marks(const DynArray* marks) {
  std::vector<Mark> out;
  for (int32_t i = 0; i < marks->count; ++i) {
    const SpeechMark& m = SpeechMarkAt(marks, i);
    out.push_back({m.symbolIndex, m.kind, m.itemOrPosition, m.length});
  }
  return out;
}

std::vector<int32_t> Values(const DynArray* array) {
  return std::vector<int32_t>(array->data, array->data + array->count);
}

// Builds the symbol stream with a grammar that has no stages (the cascade copies).
struct Built {
  explicit Built(TextItems& items) {
    ByteReader reader = ReaderOver(file);
    grammar = LoadGrammar(&reader);
    stream = BuildSymbolStream(*grammar, nullptr, items.List(), 1);
  }
  ~Built() {
    DynArrayRelease(stream.symbols);
    DynArrayRelease(stream.marks);
    FreeGrammar(grammar);
  }
  std::vector<int32_t> file = GrammarFile({});
  Grammar* grammar;
  SymbolStream stream;
};

// Marks from a given final stream, with one Speak item holding `positions`.
std::vector<Mark> MarksFor(const std::vector<int32_t>& stream,
                           const std::vector<int32_t>& positions, int32_t characters) {
  DynArray* s = DynArrayCreate(1, 1, kDefaultGrowth);
  for (int32_t v : stream)
    DynArrayAppend(s, &v);
  DynArray* p = DynArrayCreate(1, 1, kDefaultGrowth);
  for (int32_t v : positions)
    DynArrayAppend(p, &v);
  TextItems items(u"................................");
  items.Speak(positions.empty() ? 0 : positions[0], characters);
  DynArray* marks = BuildSpeechMarks(items.List(), s, p, characters);
  std::vector<Mark> out = Marks(marks);
  DynArrayRelease(marks);
  DynArrayRelease(s);
  DynArrayRelease(p);
  return out;
}

TEST(SymbolStreamTest, SpelledTextIsBracketedAndKeepsItsPositions) {
  TextItems items(u"0123456ab");
  items.SpellOut(7, 2);
  Built built(items);
  EXPECT_EQ(Values(built.stream.symbols),
            (std::vector<int32_t>{SpellStartSymbol, SpellWordSymbol, 'a', 'b', SpellWordSymbol,
                                  SpellEndSymbol}));
  EXPECT_EQ(Marks(built.stream.marks),
            (std::vector<Mark>{{0, ItemMark, 0, 0}, {1, SentenceMark, 7, 2}, {1, WordMark, 7, 2}}));
}

TEST(SymbolStreamTest, ItemsWithoutTextGiveTwoPausesAndTheirMarksAtTheEnd) {
  int bookmark = 0;
  TextItems items(u"");
  items.Bookmark(&bookmark).Silence(100).Bookmark(&bookmark);
  Built built(items);
  EXPECT_EQ(Values(built.stream.symbols), (std::vector<int32_t>{PauseSymbol, PauseSymbol}));
  EXPECT_EQ(Marks(built.stream.marks),
            (std::vector<Mark>{{0, ItemMark, 0, 0}, {1, ItemMark, 1, 0}, {1, ItemMark, 2, 0}}));
}

TEST(SymbolStreamTest, ItemsAttachAtTheirFirstCharacterBookmarksFirst) {
  int bookmark = 0;
  TextItems items(u"ab cd");
  items.Speak(0, 2).Bookmark(&bookmark).Speak(3, 2);
  Built built(items);
  EXPECT_EQ(Values(built.stream.symbols), (std::vector<int32_t>{'a', 'b', 'c', 'd'}));
  EXPECT_EQ(Marks(built.stream.marks),
            (std::vector<Mark>{{0, ItemMark, 0, 0}, {2, ItemMark, 1, 0}, {2, ItemMark, 2, 0}}));
}

TEST(SpeechMarksTest, WordsAndSentences) {
  const std::vector<int32_t> positions = {10, 11, 12, 13, 14, 15};
  const struct {
    const char* what;
    std::vector<int32_t> stream;
    std::vector<Mark> marks;
  } cases[] = {
      {"a word opens a sentence",
       {W, 'a', 'b', 'c', 'd', W},
       {{0, ItemMark, 0, 0}, {0, SentenceMark, 10, 4}, {0, WordMark, 10, 4}}},
      {"one sentence marker alone changes nothing",
       {W, 'a', W, S, 'b', W, 'c', W},
       {{0, ItemMark, 0, 0}, {0, SentenceMark, 10, 3}, {0, WordMark, 10, 1}, {5, WordMark, 12, 1}}},
      {"a pair closes the sentence and opens the next at the following character",
       {W, 'a', W, S, S, 'b', W, 'c', W},
       {{0, ItemMark, 0, 0},
        {0, SentenceMark, 10, 1},
        {0, WordMark, 10, 1},
        {4, SentenceMark, 11, 2},
        {6, WordMark, 12, 1}}},
      {"no next sentence when no character is left",
       {W, 'a', 'b', W, S, S},
       {{0, ItemMark, 0, 0}, {0, SentenceMark, 10, 2}, {0, WordMark, 10, 2}}},
      {"a word still open at the end keeps length 0",
       {W, 'a', 'b'},
       {{0, ItemMark, 0, 0}, {0, SentenceMark, 10, 2}, {0, WordMark, 10, 0}}},
  };
  for (const auto& c : cases) {
    int32_t characters = 0;
    for (int32_t v : c.stream)
      characters += v < 0xFFFF ? 1 : 0;
    EXPECT_EQ(MarksFor(c.stream, positions, characters), c.marks) << c.what;
  }
}

TEST(SpeechMarksTest, MarksBeyondTheTextStayInsideIt) {
  // A word opened after the last character starts one past it and, closed at once, has length 0;
  // more character symbols than the text had (a grammar that adds some) read no position beyond.
  EXPECT_EQ(
      MarksFor({'a', W, W}, {10}, 1),
      (std::vector<Mark>{{0, ItemMark, 0, 0}, {1, SentenceMark, 11, 0}, {1, WordMark, 11, 0}}));
  EXPECT_EQ(
      MarksFor({W, W, 'a'}, {10}, 1),
      (std::vector<Mark>{{0, ItemMark, 0, 0}, {0, SentenceMark, 10, 1}, {0, WordMark, 10, 0}}));
  EXPECT_EQ(
      MarksFor({W, 'a', 'b', 'c', -1, W}, {10, 11}, 2),
      (std::vector<Mark>{{0, ItemMark, 0, 0}, {0, SentenceMark, 10, 3}, {0, WordMark, 10, 3}}));
}

}  // namespace
