// Rule sets whose results are known by hand: each case is checked against the expected text,
// through the reference interpreter and through the compiled file in the engine's cascade.
#include <gtest/gtest.h>

#include "tests/tools/grammarc/grammarc_test_support.h"

namespace brelvox::grammarc::testing {
namespace {

struct Case {
  const char* name;
  const char* source;
  const char* input;
  const char* expected;
  int32_t flags = 1;
};

const Case kCases[] = {
    {"right context", "stage s\n \"n\" -> \"m\" / _ [bp]\n", "anbanpa nx", "ambampa nx"},
    {"left context", "stage s\n \"a\" -> \"A\" / \"b\" _\n", "aba ab", "abA ab"},
    {"both contexts", "stage s\n \"s\" -> \"z\" / [aeiou] _ [aeiou]\n", "asa as sa", "aza as sa"},
    {"deletion", "stage s\n \"h\" -> \"\"\n", "shah", "sa"},
    {"insertion between", "stage s\n \"\" -> \"-\" / \"a\" _ \"b\"\n", "abab", "a-ba-b"},
    {"insertion at both ends", "stage s\n \"\" -> \"|\" / .#. _\n \"\" -> \"!\" / _ .#.\n", "ab",
     "|ab!"},
    {"word boundary", "stage s\n \"d\" -> \"t\" / _ WordBoundary\n", "gad gada gad",
     "gat gada gat"},
    {"word boundary on the left", "stage s\n \"e\" -> \"je\" / WordBoundary _\n", "ede e",
     "jede je"},
    {"sentence boundary",
     "sentenceboundary = [.?]\nstage s\n \"a\" -> \"A\" / _ SentenceBoundary\n", "ba. ba ba",
     "bA. ba bA"},
    {"stream edge", "stage s\n \"a\" -> \"A\" / .#. _\n", "aaa a", "Aaa a"},
    {"longest match first", "stage s\n \"ab\" -> \"1\", \"abc\" -> \"2\", \"b\" -> \"3\"\n",
     "abcab b", "21 3"},
    {"left to right", "stage s\n \"aa\" -> \"x\"\n", "aaaaa", "xxa"},
    {"contexts read the input", "stage s\n \"a\" -> \"b\" / _ \"a\"\n", "aaa", "bba"},
    {"rules apply in parallel", "stage s\n \"a\" -> \"b\", \"b\" -> \"a\"\n", "abba", "baab"},
    {"optional and repeated parts", "stage s\n \"c\" \"h\"? -> \"K\"\n \"e\"+ -> \"E\"\n",
     "cheeech ce", "KEK KE"},
    {"classes and difference", "class V = [aeiou]\nstage s\n (Any - V) -> \"C\" / V _ V\n",
     "abe xu ara", "aCe xuCaCa"},
    {"definitions and alternatives",
     "define Ending = \"ing\" | \"ed\"\nstage s\n Ending -> \"\" / _ WordBoundary\n",
     "walked singing edge", "walk sing edge"},
    {"longer match spans a shorter rule's context",
     "stage s\n \"ab\" -> \"X\"\n \"c\" -> \"Y\" / \"b\" _\n", "abc", "XY"},
    {"Cyrillic text",
     "stage s\n [бвгзж] -> \"?\" / _ WordBoundary\n \"д\" -> \"т\" / _ WordBoundary\n", "град дъб",
     "грат дъ?"},
    {"a set mapped to a set", "stage s\n [бвгдзж] -> [пфктсш] / _ WordBoundary\n",
     "зъб град нож вода", "зъп грат нош вода"},
    {"protected run passed over", "stage s\n protect [|]\n \"a\" -> \"b\"\n", "a|aa|a", "b|aa|b"},
    {"protected run to the end", "stage s\n protect [|]\n \"a\" -> \"b\"\n", "a|aa", "b|aa"},
    {"stage off by its enable mask", "stage s\n enable 2\n \"a\" -> \"A\"\n", "aa", "aa", 1},
    {"stage on by its enable mask", "stage s\n enable 2\n \"a\" -> \"A\"\n", "aa", "AA", 3},
    {"stage off by its disable mask", "stage s\n disable 2\n \"a\" -> \"A\"\n", "aa", "aa", 3},
    {"disable bit 0 never stops a stage", "stage s\n disable 1\n \"a\" -> \"A\"\n", "aa", "AA", 1},
    {"stages in order", "stage one\n \"a\" -> \"b\"\nstage two\n \"b\" -> \"c\"\n", "ab", "cc"},
    {"look-ahead in a transducer", "stage s\n machine transducer\n \"n\" -> \"m\" / _ \"b\"\n",
     "anbanxa nb", "ambanxa mb"},
    {"unknown symbols wait in the queue",
     "stage s\n machine transducer\n \"ab\" -> \"X\"\n \"a\" -> \"Y\" / _ \"c\"\n", "zazabqacw",
     "zazXqYcw"},
    {"the earlier rule wins a tie when asked",
     "stage s\n prefer earlier\n \"б\" -> \"п\" / _ [кт]\n \"б\" -> \"b\"\n \"\" -> \"1\" / \"x\" "
     "_\n"
     " \"\" -> \"2\"\n",
     "xбк б", "2x1п2к2 2b2"},
    {"a backslash at the end of a line continues the statement",
     "stage s\n \"a\" -> \\\n    \"b\" / \\  \n \"x\" _\n", "xa a", "xb a"},
    {"empty input stays empty", "stage s\n \"\" -> \"x\"\n", "", ""},
};

TEST(HandWrittenRules, GiveTheExpectedTextBothWays) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::vector<BothWays> results = RunBothWays(c.source, {c.input}, c.flags);
    EXPECT_EQ(results[0].rules, c.expected);
    EXPECT_EQ(results[0].engine, c.expected);
  }
}

TEST(HandWrittenRules, PhonemesStressesAndStructuralSymbols) {
  const std::vector<BothWays> results = RunBothWays(
      "stage s\n \"о\" -> {O} Stress7 / \"к\" _\n \"\" -> WordMarker / .#. _\n"
      " \"\" -> WordMarker PauseSymbol / _ .#.\n",
      {"кот"});
  EXPECT_EQ(results[0].rules, "WordMarker \"к\" {O} Stress7 \"т\" WordMarker PauseSymbol");
  EXPECT_EQ(results[0].engine, results[0].rules);
}

TEST(Lexicons, ReplaceKnownWordsAndCopyUnknownOnes) {
  ScratchFile("animals.lex",
              "# word  replacement\n"
              "котка   {kOtka}\n"
              "куче    {kUce}\n"
              "\"т.е.\"  \"тоест\"\n");
  const char* replace = "stage words lexicon \"animals.lex\"\n boundary = [ ]\n";
  const char* keep = "stage words lexicon \"animals.lex\"\n keep\n boundary = [ ]\n";
  const std::vector<std::string> inputs = {"котка котката куч куче", "т.е. т.е x", " котка"};
  const std::vector<BothWays> replaced = RunBothWays(replace, inputs);
  EXPECT_EQ(replaced[0].rules, "{kOtka} \" котката куч \" {kUce}");
  EXPECT_EQ(replaced[1].rules, "тоест т.е x");
  EXPECT_EQ(replaced[2].rules, "\" \" {kOtka}");
  const std::vector<BothWays> kept = RunBothWays(keep, inputs);
  EXPECT_EQ(kept[0].rules, "\"котка\" {kOtka} \" котката куч куче\" {kUce}");
  EXPECT_EQ(kept[1].rules, "т.е.тоест т.е x");
  for (const auto* results : {&replaced, &kept}) {
    for (const BothWays& r : *results)
      EXPECT_EQ(r.engine, r.rules);
  }
}

TEST(Lexicons, UserDictionaryRunsAtItsStage) {
  ScratchFile("user.lex", "ябълка {jAbylka}\n");
  const char* grammar = "stage before\n \"а\" -> \"a\"\nstage user userdict\n";
  const char* dictionary = "dictionary \"user.lex\"\nboundary = [ ]\n";
  const std::vector<BothWays> with = RunBothWays(grammar, {"ябълка и круша"}, 1, dictionary);
  // The rules run first: the dictionary only knows the word as written before them.
  EXPECT_EQ(with[0].rules, "ябълкa и крушa");
  EXPECT_EQ(with[0].engine, with[0].rules);
  const std::vector<BothWays> direct =
      RunBothWays("stage user userdict\n", {"ябълка и круша"}, 1, dictionary);
  EXPECT_EQ(direct[0].rules, "{jAbylka} \" и круша\"");
  EXPECT_EQ(direct[0].engine, direct[0].rules);
  // Without a dictionary a user-dictionary stage changes nothing.
  const std::vector<BothWays> without = RunBothWays("stage user userdict\n", {"ябълка"});
  EXPECT_EQ(without[0].engine, "ябълка");
}

}  // namespace
}  // namespace brelvox::grammarc::testing
