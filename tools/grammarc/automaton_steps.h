// The steps from an expression to a minimal automaton, one algorithm a file: Thompson's
// construction (nfa.cpp), the subset construction (determinize.cpp), Moore minimisation
// (minimize.cpp) and the difference product (products.cpp). Internal to the compiler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/grammarc/automata.h"

namespace brelvox::grammarc {

// Bounds on what one expression may grow into; past them the expression is refused with its
// location rather than exhausting the machine.
inline constexpr size_t kMaxNfaStates = 4000000;
inline constexpr int64_t kMaxDfaCells = 64000000;  // states times symbol classes

struct Nfa {
  struct Edge {
    int32_t cls;  // -1: no symbol read
    int32_t to;
  };
  std::vector<std::vector<Edge>> edges;
  int32_t Add() {
    edges.emplace_back();
    return static_cast<int32_t>(edges.size()) - 1;
  }
  void Link(int32_t from, int32_t cls, int32_t to) {
    edges[static_cast<size_t>(from)].push_back({cls, to});
  }
};

struct Fragment {
  int32_t start;
  int32_t accept;
};

// The set of symbols a set expression stands for (a boundary through the source).
SymbolSet EffectiveSet(const Regex& r, const GrammarSource& source);

// Adds the expression's states to `nfa`. Throws CompileError past kMaxNfaStates.
Fragment Build(Nfa& nfa, const Regex& r, const ClassMap& classes, const GrammarSource& source);
// Adds a DFA's live states to `nfa`.
Fragment Embed(Nfa& nfa, const Dfa& dfa);
// The subset construction. Throws CompileError at `where` past kMaxDfaCells.
Dfa Determinize(const Nfa& nfa, Fragment fragment, int32_t classes, const Location& where);
// Moore minimisation.
Dfa Minimize(const Dfa& dfa);
// The product automaton of "a and not b". Throws CompileError at `where` past kMaxDfaCells.
Dfa Difference(const Dfa& a, const Dfa& b, const Location& where);

}  // namespace brelvox::grammarc
