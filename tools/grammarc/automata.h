// Finite automata over symbol classes: regular expressions to NFAs, subset construction,
// minimisation and products. A stage's classes are the symbols its rules name, one class each,
// class 0 for every other symbol, and a last class for the edge of the stream (seen by contexts).
#pragma once

#include <cstdint>
#include <vector>

#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

class ClassMap {
 public:
  explicit ClassMap(std::vector<int32_t> symbols);  // sorted, unique
  int32_t count() const { return static_cast<int32_t>(symbols_.size()) + 2; }
  int32_t edge() const { return static_cast<int32_t>(symbols_.size()) + 1; }
  static constexpr int32_t kOther = 0;
  int32_t ClassOf(int32_t symbol) const;  // kOther when not named
  int32_t SymbolOf(int32_t cls) const { return symbols_[static_cast<size_t>(cls - 1)]; }
  const std::vector<int32_t>& symbols() const { return symbols_; }
  // Which classes a set holds.
  std::vector<bool> Members(const SymbolSet& set) const;

 private:
  std::vector<int32_t> symbols_;
};

// Every symbol a regular expression names (boundaries resolved through the source).
void CollectSymbols(const Regex& regex, const GrammarSource& source, std::vector<int32_t>& out);

// A complete deterministic automaton: next(state, class) is always a state.
struct Dfa {
  int32_t classes = 0;
  int32_t start = 0;
  std::vector<int32_t> next;  // state * classes + class
  std::vector<char> final;

  int32_t size() const { return static_cast<int32_t>(final.size()); }
  int32_t Next(int32_t state, int32_t cls) const {
    return next[static_cast<size_t>(state) * static_cast<size_t>(classes) +
                static_cast<size_t>(cls)];
  }
  // States from which no final state can be reached.
  std::vector<char> Dead() const;
};

// The minimal complete DFA of an expression.
Dfa CompileRegex(const Regex& regex, const ClassMap& classes, const GrammarSource& source);
// The minimal DFA of (any class, the edge too)* R: "R matches a suffix of what was read".
Dfa CompileSuffixMatcher(const Regex& regex, const ClassMap& classes, const GrammarSource& source);
// The minimal DFA of R (any class, the edge too)*: "what was read starts with a match of R".
Dfa CompilePrefixMatcher(const Regex& regex, const ClassMap& classes, const GrammarSource& source);

// Moore minimisation starting from a partition given by `colour` (equal colours may merge);
// returns the block of every state and the number of blocks. Unreachable states keep their own
// colour's block.
std::vector<int32_t> RefinePartition(const std::vector<int32_t>& next, int32_t classes,
                                     const std::vector<int64_t>& colour, int32_t* blocks);

}  // namespace brelvox::grammarc
