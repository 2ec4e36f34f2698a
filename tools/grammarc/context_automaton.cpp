#include "tools/grammarc/rewrite_automata.h"

namespace brelvox::grammarc {

namespace {

class ContextBuilder {
 public:
  ContextBuilder(BatchAutomata& batch, const GrammarSource& source)
      : batch_(batch), source_(source) {}

  ContextAutomaton Build() {
    const int32_t edge = batch_.classes.edge();
    const int32_t inputClasses = batch_.inputClasses;
    a_.finish = NewState();
    int32_t always = -1;  // accepts every remainder: a missing right context
    if (!batch_.insertionRules.empty()) {
      a_.atEnd = NewState();
      Edge(a_.atEnd, edge, a_.finish);
    }
    for (RuleAutomata& r : batch_.rules) {
      if (r.rule->right) {
        const Dfa right = CompilePrefixMatcher(*r.rule->right, batch_.classes, source_);
        const std::vector<char> dead = right.Dead();
        std::vector<int32_t> state(static_cast<size_t>(right.size()), -1);
        for (int32_t s = 0; s < right.size(); ++s) {
          if (!dead[static_cast<size_t>(s)]) state[static_cast<size_t>(s)] = NewState();
        }
        for (int32_t s = 0; s < right.size(); ++s) {
          if (dead[static_cast<size_t>(s)]) continue;
          for (int32_t c = 0; c < inputClasses; ++c) {
            const int32_t t = state[static_cast<size_t>(right.Next(s, c))];
            if (t >= 0) Edge(state[static_cast<size_t>(s)], c, t);
          }
          if (right.final[static_cast<size_t>(right.Next(s, edge))]) {
            Edge(state[static_cast<size_t>(s)], edge, a_.finish);
          }
        }
        r.rightHolds = state[static_cast<size_t>(right.start)];
      } else {
        if (always < 0) {
          always = NewState();
          for (int32_t c = 0; c < inputClasses; ++c)
            Edge(always, c, always);
          Edge(always, edge, a_.finish);
        }
        r.rightHolds = always;
      }
      if (r.insertion) continue;
      const int32_t size = r.match.size();
      r.strict.assign(static_cast<size_t>(size), -1);
      r.viable.assign(static_cast<size_t>(size), -1);
      for (int32_t m = 0; m < size; ++m) {
        if (r.matchDead[static_cast<size_t>(m)]) continue;
        r.strict[static_cast<size_t>(m)] = NewState();
        r.viable[static_cast<size_t>(m)] = NewState();
      }
      for (int32_t m = 0; m < size; ++m) {
        if (r.matchDead[static_cast<size_t>(m)]) continue;
        const int32_t viable = r.viable[static_cast<size_t>(m)];
        a_.silent[static_cast<size_t>(viable)].push_back(r.strict[static_cast<size_t>(m)]);
        if (r.match.final[static_cast<size_t>(m)] && r.rightHolds >= 0) {
          a_.silent[static_cast<size_t>(viable)].push_back(r.rightHolds);
        }
        for (int32_t c = 0; c < inputClasses; ++c) {
          const int32_t t = r.match.Next(m, c);
          if (!r.matchDead[static_cast<size_t>(t)]) {
            Edge(r.strict[static_cast<size_t>(m)], c, r.viable[static_cast<size_t>(t)]);
          }
        }
      }
    }
    // What the positions of the bimachine need to know about their right side.
    a_.interesting.assign(a_.Words(), 0);
    if (a_.atEnd >= 0) Put(a_.interesting, a_.atEnd);
    for (const RuleAutomata& r : batch_.rules) {
      if (r.rightHolds >= 0) Put(a_.interesting, r.rightHolds);
      for (int32_t s : r.strict) {
        if (s >= 0) Put(a_.interesting, s);
      }
    }
    return std::move(a_);
  }

 private:
  int32_t NewState() {
    a_.edges.emplace_back();
    a_.silent.emplace_back();
    return static_cast<int32_t>(a_.edges.size()) - 1;
  }
  void Edge(int32_t from, int32_t cls, int32_t to) {
    a_.edges[static_cast<size_t>(from)].push_back({cls, to});
  }

  BatchAutomata& batch_;
  const GrammarSource& source_;
  ContextAutomaton a_;
};

}  // namespace

ContextAutomaton BuildContextAutomaton(BatchAutomata& batch, const GrammarSource& source) {
  return ContextBuilder(batch, source).Build();
}

}  // namespace brelvox::grammarc
