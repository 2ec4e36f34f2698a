// Random small rule sets and random inputs: the compiled file in the engine's cascade must give
// exactly what the reference interpreter gives.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/tools/grammarc/grammarc_test_support.h"
#include "tools/grammarc/check.h"
#include "tools/grammarc/compiler.h"
#include "tools/grammarc/interpreter.h"
#include "tools/grammarc/parser.h"
#include "tools/grammarc/symbol_text.h"

namespace brelvox::grammarc::testing {
namespace {

class RandomGrammar {
 public:
  explicit RandomGrammar(uint32_t seed) : random_(seed) {}

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  std::string Atom() {
    static const char* const kAtoms[] = {"\"a\"", "\"b\"", "\"c\"", "[ab]",
                                         "[^a]",  "Any",   "\"ab\""};
    return kAtoms[Pick(7)];
  }

  std::string Expression(int depth) {
    if (depth <= 0) return Atom();
    switch (Pick(8)) {
      case 0:
        return Expression(depth - 1) + " " + Expression(depth - 1);
      case 1:
        return "(" + Expression(depth - 1) + " | " + Expression(depth - 1) + ")";
      case 2:
        return "(" + Expression(depth - 1) + ")*";
      case 3:
        return "(" + Expression(depth - 1) + ")+";
      case 4:
        return "(" + Expression(depth - 1) + ")?";
      case 5:
        return "(" + Expression(depth - 1) + " - " + Expression(depth - 1) + ")";
      default:
        return Atom();
    }
  }

  std::string Context(bool left) {
    switch (Pick(6)) {
      case 0:
        return left ? "WordBoundary" : "WordBoundary";
      case 1:
        return left ? ".#." : ".#.";
      case 2:
        return left ? "WordBoundary " + Atom() : Atom() + " WordBoundary";
      case 3:
        return Expression(1);
      default:
        return Atom();
    }
  }

  std::string Output() {
    static const char* const kOutputs[] = {"\"\"", "\"x\"", "\"a\"", "\"yb\"", "\"c\"", "\"xyz\""};
    return kOutputs[Pick(6)];
  }

  std::string Rule() {
    std::string match;
    if (Pick(6) == 0) {
      match = "\"\"";
    } else {
      match = Expression(Pick(3));
      // Keep the left side from matching the empty string.
      match = "(" + match + ") - \"\"";
      match = "(" + match + ")";
    }
    std::string rule = match + " -> " + Output();
    const int contexts = Pick(4);
    if (contexts != 0) {
      rule += " / ";
      if (contexts & 1) rule += Context(true) + " ";
      rule += "_";
      if (contexts & 2) rule += " " + Context(false);
    }
    return rule;
  }

  std::string Source() {
    std::string source = "wordboundary = [ ]\n";
    const int stages = 1 + Pick(2);
    for (int s = 0; s < stages; ++s) {
      source += "stage s" + std::to_string(s) + "\n";
      static const char* const kMachines[] = {"", "  machine bimachine\n",
                                              "  machine transducer\n"};
      source += kMachines[Pick(3)];
      if (Pick(3) == 0) source += "  prefer earlier\n";
      const int rules = 1 + Pick(3);
      for (int r = 0; r < rules; ++r)
        source += "  " + Rule() + "\n";
    }
    return source;
  }

  std::string Input() {
    static const char kLetters[] = "abcd  x";
    std::string input;
    const int length = Pick(9);
    for (int i = 0; i < length; ++i)
      input += kLetters[Pick(7)];
    return input;
  }

 private:
  std::mt19937 random_;
};

TEST(RandomRuleSets, CompiledFileAgreesWithTheRules) {
  RandomGrammar random(20261210);
  int compiled = 0;
  int conflicting = 0;
  int notSubsequential = 0;
  int changed = 0;
  int total = 0;
  for (int round = 0; round < 600; ++round) {
    const std::string source = random.Source();
    GrammarSource grammar;
    std::vector<int32_t> file;
    try {
      grammar = ParseSourceText(source, "random.grc");
      file = CompileSource(grammar).words;
    } catch (const CompileError& error) {
      if (std::string(error.what()).find("not subsequential") != std::string::npos) {
        ++notSubsequential;
        continue;
      }
      // A conflict must be genuine: the rules themselves cannot decide the example it names.
      const std::string message = error.what();
      const size_t at = message.find("for example in \"");
      ASSERT_NE(at, std::string::npos) << message << "\n" << source;
      const size_t start = at + std::string("for example in \"").size();
      const std::string example = message.substr(start, message.find("\";", start) - start);
      // The example is an input of the stage that holds the rules.
      bool undecided = false;
      for (const Stage& stage : grammar.stages) {
        bool holds = false;
        for (const auto& rule : stage.rules)
          holds = holds || message.rfind(rule.where.Describe() + ":", 0) == 0;
        if (!holds) continue;
        try {
          ApplyRules(stage, grammar, *Utf8ToSymbols(example));
        } catch (const std::runtime_error&) {
          undecided = true;
        }
      }
      EXPECT_TRUE(undecided) << message << "\n" << source;
      ++conflicting;
      continue;
    }
    ++compiled;
    std::vector<std::vector<int32_t>> inputs;
    for (int i = 0; i < 40; ++i)
      inputs.push_back(*Utf8ToSymbols(random.Input()));
    const EngineRun run = RunEngine(file, {}, inputs, 1);
    ASSERT_TRUE(run.loaded) << source;
    for (size_t i = 0; i < inputs.size(); ++i) {
      std::vector<int32_t> expected;
      try {
        expected = Interpret(grammar, nullptr, inputs[i], 1);
      } catch (const std::runtime_error& error) {
        FAIL() << error.what() << " on \"" << Text(inputs[i]) << "\"\n" << source;
      }
      if (expected != inputs[i]) ++changed;
      ++total;
      ASSERT_EQ(Text(run.outputs[i]), Text(expected)) << "input \"" << Text(inputs[i]) << "\"\n"
                                                      << source;
    }
  }
  // Most random sets compile; the rest must fail only for a genuine conflict.
  EXPECT_GT(compiled, 300) << conflicting << " conflicting, " << notSubsequential
                           << " not subsequential";
  // The rules rewrite a good share of the inputs, so the comparison means something.
  EXPECT_GT(changed, total / 3) << changed << " of " << total << " inputs rewritten";
}

}  // namespace
}  // namespace brelvox::grammarc::testing
