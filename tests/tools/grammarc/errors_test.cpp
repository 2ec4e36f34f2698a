// Bad sources give one clear message with file, line and column.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "tests/tools/grammarc/grammarc_test_support.h"

namespace brelvox::grammarc::testing {
namespace {

struct BadSource {
  const char* name;
  const char* source;
  const char* message;  // the start of the message, location first
};

const BadSource kBadSources[] = {
    {"unknown name", "stage s\n  Vowel -> \"a\"\n", "test.grc:2:3: unknown name 'Vowel'"},
    {"bare character", "stage s\n  \"a\" -> \"b\" / x _\n",
     "test.grc:2:16: unknown name 'x'; characters are written in quotes"},
    {"unknown phoneme", "stage s\n  \"a\" -> {aQ}\n", "test.grc:2:12: 'Q' is not a phoneme"},
    {"unclosed string", "stage s\n  \"a -> \"b\"\n", "test.grc:2:"},
    {"empty set", "stage s\n  [] -> \"b\"\n", "test.grc:2:3: the set is empty"},
    {"negative symbol", "stage s\n  <-3> -> \"b\"\n",
     "test.grc:2:3: negative symbols are reserved"},
    {"missing arrow", "stage s\n  \"a\" \"b\"\n", "test.grc:2:10: expected '->'"},
    {"rule outside a stage", "\"a\" -> \"b\"\n", "test.grc:1:1: rules belong in a stage"},
    {"left side matches nothing", "stage s\n  \"a\"* -> \"b\"\n",
     "test.grc:2:3: the left side matches the empty string"},
    {"boundary in the match", "stage s\n  WordBoundary \"a\" -> \"b\"\n",
     "test.grc:2:3: boundaries belong in contexts"},
    {"replacement not a sequence", "stage s\n  \"a\" -> [bc]\n",
     "test.grc:2:10: the replacement is a sequence"},
    {"mapping of unequal sets", "stage s\n  [ab] -> [xyz]\n",
     "test.grc:2:11: a mapping needs sets of the same size"},
    {"conflicting rules", "stage s\n  \"a\" -> \"x\"\n  \"a\" -> \"y\" / \"b\" _\n",
     "test.grc:3:3: this rule and the rule at test.grc:2:3 rewrite the same text differently, "
     "for example in \"ba\""},
    {"conflicting insertions", "stage s\n  \"\" -> \"x\" / \"a\" _\n  \"\" -> \"y\" / _ \"b\"\n",
     "test.grc:3:3: this rule and the rule at test.grc:2:3 rewrite the same text differently, "
     "for example in \"ab\""},
    {"protected symbol dropped", "stage s\n  protect [|]\n  \"a\" Any -> \"b\"\n",
     "test.grc:2:3: the rules of stage 's' could drop the protected symbol \"|\", for example in "
     "\"a|\""},
    {"protected symbol emitted", "stage s\n  protect [|]\n  \"a\" -> \"|\"\n",
     "test.grc:3:3: the replacement holds \"|\", which the stage protects"},
    {"protect a complement", "stage s\n  protect [^a]\n", "test.grc:2:3: protect a finite set"},
    {"redefined name", "class V = [a]\nclass V = [b]\n", "test.grc:2:7: 'V' is already defined"},
    {"class of sequences", "class V = \"ab\"\n",
     "test.grc:1:11: a class is a set of single symbols"},
    {"missing include", "include \"nowhere.grc\"\n", "test.grc:1:1: cannot read"},
    {"missing lexicon", "stage w lexicon \"nowhere.lex\"\n",
     "test.grc:1:17: cannot read the lexicon"},
    {"keep outside a lexicon", "stage s\n  keep\n", "test.grc:2:3: 'keep' belongs to a lexicon"},
    {"late boundary class", "stage s\n  \"a\" -> \"b\" / _ WordBoundary\nwordboundary = [ ]\n",
     "test.grc:3:1: declare wordboundary before the first rule that uses it"},
    {"unbounded look-ahead in a transducer",
     "stage s\n  machine transducer\n  \"a\" -> \"b\" / _ \"c\"* \"d\"\n",
     "test.grc:2:3: the rules of stage 's' are not subsequential"},
    {"no stages", "class V = [a]\n", "test.grc:1:1: the source has no stages"},
    {"trailing tokens", "stage s\n  enable 2 3\n", "test.grc:2:12: unexpected '3'"},
};

TEST(BadSources, NameTheProblemAndWhereItIs) {
  for (const BadSource& bad : kBadSources) {
    SCOPED_TRACE(bad.name);
    const std::string message = CompileErrorOf(bad.source);
    EXPECT_EQ(message.substr(0, std::string(bad.message).size()), bad.message) << message;
  }
}

TEST(BadSources, TooManyProtectedSymbols) {
  std::string set;
  for (int i = 0; i < 101; ++i)
    set += "<" + std::to_string(0x20000 + i) + "> | ";
  const std::string message = CompileErrorOf("stage s\n  protect " + set + "<1>\n");
  EXPECT_EQ(message.substr(0, 51), "test.grc:2:3: a stage protects at most 100 symbols");
}

TEST(BadSources, LexiconEntriesAreCheckedWithTheirLines) {
  ScratchFile("twice.lex", "котка {kOtka}\nкуче {kUce}\nкотка {kotka}\n");
  EXPECT_NE(CompileErrorOf("stage w lexicon \"twice.lex\"\n")
                .find("twice.lex:3:1: the word is already in the lexicon at line 1"),
            std::string::npos);
  ScratchFile("spaced.lex", "\"две думи\" \"x\"\n");
  EXPECT_NE(CompileErrorOf("stage w lexicon \"spaced.lex\"\n")
                .find("spaced.lex:1:1: the word holds the boundary symbol \" \""),
            std::string::npos);
  ScratchFile("protected.lex", "a|b \"x\"\n");
  EXPECT_NE(CompileErrorOf("stage w lexicon \"protected.lex\"\n protect [|]\n")
                .find("protected.lex:1:1: the entry holds \"|\", which stage 'w' protects"),
            std::string::npos);
}

TEST(BadSources, IncludesAreFollowedAndCircularOnesRefused) {
  ScratchFile("classes.grc", "class V = [aeiou]\n");
  const std::vector<BothWays> r =
      RunBothWays("include \"classes.grc\"\nstage s\n V -> \"V\"\n", {"bat"});
  EXPECT_EQ(r[0].engine, "bVt");
  const std::string loop = ScratchFile("loop.grc", "include \"loop.grc\"\n");
  EXPECT_NE(CompileErrorOf("include \"loop.grc\"\n").find("includes itself"), std::string::npos);
}

TEST(BadSources, LimitsAndFilesThatAreNotSources) {
  const std::string scratch = ScratchFile("fifo-folder.txt", "");
  const std::string fifo = scratch.substr(0, scratch.rfind('/') + 1) + "pipe.grc";
  mkfifo(fifo.c_str(), 0600);  // reading it would wait for a writer forever
  std::string doubling = "define d0 = \"ab\" | \"c\"\n";
  for (int i = 1; i <= 30; ++i) {
    doubling += "define d" + std::to_string(i) + " = d" + std::to_string(i - 1) + " d" +
                std::to_string(i - 1) + "\n";
  }
  ScratchFile("long.lex", std::string(300, 'a') + " \"x\"\n");
  // Its table would grow with the square of its length; it is refused before it fills memory.
  std::string longLiteral;
  for (int i = 0; i < 4000; ++i)
    longLiteral += "abcdefgh"[(i * 7 + i / 8 * 3) % 8];
  const struct {
    const char* what;
    std::string source;
    const char* message;
  } cases[] = {
      {"nested parentheses",
       "stage s\n  " + std::string(100000, '(') + "\"a\"" + std::string(100000, ')') +
           " -> \"b\"\n",
       "test.grc:2:1003: parentheses nest deeper than 1000 levels"},
      {"postfix operators", "stage s\n  \"a\"" + std::string(100000, '?') + " -> \"b\"\n",
       "test.grc:2:3: the expression nests deeper than 1000 levels"},
      {"differences",
       "stage s\n  \"a\"" +
           [] {
             std::string minus;
             for (int i = 0; i < 2000; ++i)
               minus += " - \"b\"";
             return minus;
           }() +
           " -> \"b\"\n",
       "test.grc:2:3: the expression nests deeper than 1000 levels"},
      {"defines that double", doubling + "stage s\n  d30 -> \"x\"\n",
       "automaton states; simplify it"},
      {"include of a device", "include \"/dev/zero\"\n",
       "test.grc:1:1: the include '/dev/zero' is not a regular file"},
      {"include of a FIFO", "include \"pipe.grc\"\n", "is not a regular file"},
      {"lexicon of a device", "stage w lexicon \"/dev/zero\"\n",
       "the lexicon '/dev/zero' is not a regular file"},
      {"lexicon of a folder", "stage w lexicon \"/\"\n", "the lexicon '/' is not a regular file"},
      {"dictionary of a device", "dictionary \"/dev/zero\"\n",
       "the lexicon '/dev/zero' is not a regular file"},
      {"a literal of 4000 symbols", "stage s\n  \"" + longLiteral + "\" -> \"x\"\n",
       "test.grc:1:7: the stage's rules need a table of more than 64000000 cells"},
      {"long lexicon word", "stage w lexicon \"long.lex\"\n",
       "long.lex:1:1: the word has 300 symbols; a lexicon word has at most 256"},
  };
  for (const auto& c : cases) {
    const std::string message = CompileErrorOf(c.source);
    EXPECT_NE(message.find(c.message), std::string::npos) << c.what << ": " << message;
  }
  unlink(fifo.c_str());
}

}  // namespace
}  // namespace brelvox::grammarc::testing
