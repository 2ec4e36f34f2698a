// The automata behind a batch of rewrite rules, from which the bimachine is assembled
// (rewrite_compiler.cpp): every rule's match and left-context automata (rule_automata.cpp); the
// context automaton, which reads forward from a position to the end of the stream
// (context_automaton.cpp); and the right automaton, the context automaton determinised as it reads
// the stream backwards from its end, then minimised (right_automaton.cpp). Internal to the
// compiler.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "tools/grammarc/automata.h"
#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

// Sets of states of the context automaton.
using Bits = std::vector<uint64_t>;

inline bool Has(const Bits& bits, int32_t i) {
  return i >= 0 &&
         ((bits[static_cast<size_t>(i) >> 6] >> (static_cast<unsigned>(i) & 63)) & 1) != 0;
}
inline void Put(Bits& bits, int32_t i) {
  bits[static_cast<size_t>(i) >> 6] |= uint64_t{1} << (static_cast<unsigned>(i) & 63);
}

// Calls f(i) for every member of `bits`, in increasing order: a set costs its words and members,
// not every state there is.
template <typename F>
void ForEachMember(const Bits& bits, F&& f) {
  for (size_t w = 0; w < bits.size(); ++w) {
    for (uint64_t word = bits[w]; word != 0; word &= word - 1) {
      f(static_cast<int32_t>(w * 64 + static_cast<size_t>(std::countr_zero(word))));
    }
  }
}

struct RuleAutomata {
  const Rule* rule = nullptr;
  bool insertion = false;
  Dfa match;
  std::vector<char> matchDead;
  int32_t leftIndex = -1;  // index among the left-context automata, -1: none
  // States of the context automaton.
  std::vector<int32_t> strict;  // by match state: a valid end lies beyond the next symbol
  std::vector<int32_t> viable;  // by match state: a valid end lies here or beyond
  int32_t rightHolds = -1;      // the right context holds here (-1: never)
};

// A batch's classes and the automata of its rules.
struct BatchAutomata {
  explicit BatchAutomata(ClassMap map) : classes(std::move(map)) {}
  ClassMap classes;
  int32_t inputClasses = 0;  // class 0 (other) and the named symbols; the edge is not input
  std::vector<RuleAutomata> rules;
  std::vector<Dfa> leftAutomata;
  std::vector<int32_t> insertionRules;  // indices of the insertions, in rule order
};

// Throws CompileError for replacements that name a protected symbol.
BatchAutomata CompileRuleAutomata(const Stage& stage, const GrammarSource& source);

// The context automaton: its states ask whether the right context of rule i holds here; whether
// the match of rule i, now in match state m, can end validly here or later (viable) or only later
// (strict); whether this is the end. Silent moves read nothing.
struct ContextAutomaton {
  struct Arc {
    int32_t cls;
    int32_t to;
  };
  std::vector<std::vector<Arc>> edges;
  std::vector<std::vector<int32_t>> silent;
  int32_t finish = -1;  // reached by reading the edge of the stream
  int32_t atEnd = -1;   // the end of the stream (only when the batch has insertions)
  Bits interesting;     // the states the bimachine's positions ask about

  size_t Words() const { return (edges.size() + 63) / 64; }
};

// Builds the context automaton and fills in every rule's strict, viable and rightHolds states.
ContextAutomaton BuildContextAutomaton(BatchAutomata& batch, const GrammarSource& source);

// The right automaton (minimised): its state after reading v backwards stands for the set of
// context states from which v followed by the edge is accepted.
struct RightAutomaton {
  int32_t states = 0;
  int32_t start = 0;
  int32_t classes = 0;
  std::vector<Bits> info;                         // by state: the set it stands for
  std::vector<int32_t> next;                      // state * classes + class
  std::vector<std::pair<int32_t, int32_t>> path;  // by state: (previous state, class) on a
                                                  // shortest stream to it, for examples

  int32_t Next(int32_t r, int32_t c) const {
    return next[static_cast<size_t>(r) * static_cast<size_t>(classes) + static_cast<size_t>(c)];
  }
};

RightAutomaton BuildRightAutomaton(const ContextAutomaton& context, int32_t inputClasses,
                                   int32_t edge);

}  // namespace brelvox::grammarc
