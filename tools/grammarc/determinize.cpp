#include <algorithm>
#include <map>

#include "tools/grammarc/automaton_steps.h"

namespace brelvox::grammarc {

namespace {

std::vector<int32_t> Closure(const Nfa& nfa, std::vector<int32_t> states) {
  std::vector<char> in(nfa.edges.size(), 0);
  for (int32_t s : states)
    in[static_cast<size_t>(s)] = 1;
  for (size_t i = 0; i < states.size(); ++i) {
    for (const Nfa::Edge& e : nfa.edges[static_cast<size_t>(states[i])]) {
      if (e.cls == -1 && !in[static_cast<size_t>(e.to)]) {
        in[static_cast<size_t>(e.to)] = 1;
        states.push_back(e.to);
      }
    }
  }
  std::sort(states.begin(), states.end());
  return states;
}

}  // namespace

Dfa Determinize(const Nfa& nfa, Fragment fragment, int32_t classes, const Location& where) {
  Dfa dfa;
  dfa.classes = classes;
  std::map<std::vector<int32_t>, int32_t> ids;
  std::vector<std::vector<int32_t>> sets;
  const auto intern = [&](std::vector<int32_t> set) {
    auto [it, added] = ids.emplace(set, static_cast<int32_t>(sets.size()));
    if (added) {
      if (static_cast<int64_t>(sets.size() + 1) * classes > kMaxDfaCells) {
        throw CompileError(where, "the expression needs a table of more than " +
                                      std::to_string(kMaxDfaCells) +
                                      " cells (states by symbol classes); simplify it");
      }
      sets.push_back(std::move(set));
      dfa.final.push_back(0);
    }
    return it->second;
  };
  dfa.start = intern(Closure(nfa, {fragment.start}));
  for (size_t i = 0; i < sets.size(); ++i) {
    const std::vector<int32_t> set = sets[i];
    dfa.final[i] = std::binary_search(set.begin(), set.end(), fragment.accept) ? 1 : 0;
    std::vector<std::vector<int32_t>> targets(static_cast<size_t>(classes));
    for (int32_t s : set) {
      for (const Nfa::Edge& e : nfa.edges[static_cast<size_t>(s)]) {
        if (e.cls >= 0) targets[static_cast<size_t>(e.cls)].push_back(e.to);
      }
    }
    for (int32_t c = 0; c < classes; ++c) {
      auto& t = targets[static_cast<size_t>(c)];
      std::sort(t.begin(), t.end());
      t.erase(std::unique(t.begin(), t.end()), t.end());
      dfa.next.push_back(intern(Closure(nfa, t)));
    }
  }
  return dfa;
}

}  // namespace brelvox::grammarc
