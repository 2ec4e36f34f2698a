#include "tools/grammarc/rewrite_compiler.h"

#include <algorithm>
#include <bit>
#include <unordered_map>

#include "tools/grammarc/automata.h"
#include "tools/grammarc/symbol_text.h"
#include "tools/grammarc/vector_hash.h"

namespace grammarc {

namespace {

// Sets of states of the context automaton.
using Bits = std::vector<uint64_t>;

bool Has(const Bits& bits, int32_t i) {
  return i >= 0 &&
         ((bits[static_cast<size_t>(i) >> 6] >> (static_cast<unsigned>(i) & 63)) & 1) != 0;
}
void Put(Bits& bits, int32_t i) {
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

struct BitsHash {
  size_t operator()(const Bits& bits) const {
    uint64_t h = 1469598103934665603ULL;
    for (uint64_t w : bits) {
      h ^= w;
      h *= 1099511628211ULL;
      h ^= h >> 31;
    }
    return static_cast<size_t>(h);
  }
};

// Interns vectors of words as consecutive ids.
class VectorIds {
 public:
  int32_t Intern(const std::vector<int32_t>& v) {
    const auto known = ids_.find(v);  // before emplace, which would copy v to look it up
    if (known != ids_.end()) return known->second;
    const auto id = static_cast<int32_t>(values_.size());
    ids_.emplace(v, id);
    values_.push_back(v);
    return id;
  }
  const std::vector<int32_t>& operator[](int32_t id) const {
    return values_[static_cast<size_t>(id)];
  }
  int32_t size() const { return static_cast<int32_t>(values_.size()); }
  std::vector<std::vector<int32_t>>& values() { return values_; }

 private:
  std::unordered_map<std::vector<int32_t>, int32_t, VectorHash> ids_;
  std::vector<std::vector<int32_t>> values_;
};

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

class BatchCompiler {
 public:
  BatchCompiler(const Stage& stage, const GrammarSource& source)
      : stage_(stage), source_(source), classes_(CollectClasses(stage, source)) {
    n_ = static_cast<int32_t>(classes_.symbols().size());
    inputClasses_ = n_ + 1;
  }

  BimachineMachine Compile(RewriteStats* stats) {
    CheckOutputs();
    BuildRules();
    BuildContextAutomaton();
    BuildRightAutomaton();
    ExploreLeft();
    CheckProtected();
    BimachineMachine machine = Reduce();
    if (stats != nullptr) {
      stats->rightStatesBuilt = rightStates_;
      stats->leftStatesBuilt = static_cast<int32_t>(leftKeys_.size());
    }
    return machine;
  }

 private:
  static ClassMap CollectClasses(const Stage& stage, const GrammarSource& source) {
    std::vector<int32_t> symbols(stage.protectedSymbols.begin(), stage.protectedSymbols.end());
    for (const Rule& rule : stage.rules) {
      if (rule.match) CollectSymbols(*rule.match, source, symbols);
      if (rule.left) CollectSymbols(*rule.left, source, symbols);
      if (rule.right) CollectSymbols(*rule.right, source, symbols);
    }
    std::sort(symbols.begin(), symbols.end());
    symbols.erase(std::unique(symbols.begin(), symbols.end()), symbols.end());
    return ClassMap(symbols);
  }

  // Replacements may not name protected symbols: the cascade puts hidden runs back after each
  // protected symbol the stage emits.
  void CheckOutputs() const {
    for (const Rule& rule : stage_.rules) {
      for (int32_t s : rule.output) {
        for (int32_t p : stage_.protectedSymbols) {
          if (s == p) {
            throw CompileError(rule.where, "the replacement holds " + FormatSymbols({p}) +
                                               ", which the stage protects; a stage may not "
                                               "emit its protected symbols");
          }
        }
      }
    }
  }

  void BuildRules() {
    for (const Rule& rule : stage_.rules) {
      RuleAutomata r;
      r.rule = &rule;
      r.insertion = rule.IsInsertion();
      if (!r.insertion) {
        r.match = CompileRegex(*rule.match, classes_, source_);
        r.matchDead = r.match.Dead();
      }
      if (rule.left) {
        r.leftIndex = static_cast<int32_t>(leftAutomata_.size());
        leftAutomata_.push_back(CompileSuffixMatcher(*rule.left, classes_, source_));
      }
      rules_.push_back(std::move(r));
    }
    for (size_t i = 0; i < rules_.size(); ++i) {
      if (rules_[i].insertion) insertionRules_.push_back(static_cast<int32_t>(i));
    }
    hasInsertions_ = !insertionRules_.empty();
  }

  // The context automaton reads the input forward from a position to the end of the stream. Its
  // states ask: does the right context of rule i hold here; can the match of rule i, now in match
  // state m, end validly here or later (viable) or only later (strict); is this the end.
  int32_t NewState() {
    edges_.emplace_back();
    silent_.emplace_back();
    return static_cast<int32_t>(edges_.size()) - 1;
  }
  void Edge(int32_t from, int32_t cls, int32_t to) {
    edges_[static_cast<size_t>(from)].push_back({cls, to});
  }

  void BuildContextAutomaton() {
    const int32_t edge = classes_.edge();
    finish_ = NewState();
    int32_t always = -1;  // accepts every remainder: a missing right context
    if (hasInsertions_) {
      atEnd_ = NewState();
      Edge(atEnd_, edge, finish_);
    }
    for (RuleAutomata& r : rules_) {
      if (r.rule->right) {
        const Dfa right = CompilePrefixMatcher(*r.rule->right, classes_, source_);
        const std::vector<char> dead = right.Dead();
        std::vector<int32_t> state(static_cast<size_t>(right.size()), -1);
        for (int32_t s = 0; s < right.size(); ++s) {
          if (!dead[static_cast<size_t>(s)]) state[static_cast<size_t>(s)] = NewState();
        }
        for (int32_t s = 0; s < right.size(); ++s) {
          if (dead[static_cast<size_t>(s)]) continue;
          for (int32_t c = 0; c < inputClasses_; ++c) {
            const int32_t t = state[static_cast<size_t>(right.Next(s, c))];
            if (t >= 0) Edge(state[static_cast<size_t>(s)], c, t);
          }
          if (right.final[static_cast<size_t>(right.Next(s, edge))]) {
            Edge(state[static_cast<size_t>(s)], edge, finish_);
          }
        }
        r.rightHolds = state[static_cast<size_t>(right.start)];
      } else {
        if (always < 0) {
          always = NewState();
          for (int32_t c = 0; c < inputClasses_; ++c)
            Edge(always, c, always);
          Edge(always, edge, finish_);
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
        silent_[static_cast<size_t>(viable)].push_back(r.strict[static_cast<size_t>(m)]);
        if (r.match.final[static_cast<size_t>(m)] && r.rightHolds >= 0) {
          silent_[static_cast<size_t>(viable)].push_back(r.rightHolds);
        }
        for (int32_t c = 0; c < inputClasses_; ++c) {
          const int32_t t = r.match.Next(m, c);
          if (!r.matchDead[static_cast<size_t>(t)]) {
            Edge(r.strict[static_cast<size_t>(m)], c, r.viable[static_cast<size_t>(t)]);
          }
        }
      }
    }
    // What the positions of the bimachine need to know about their right side.
    interesting_.assign(Words(), 0);
    if (atEnd_ >= 0) Put(interesting_, atEnd_);
    for (const RuleAutomata& r : rules_) {
      if (r.rightHolds >= 0) Put(interesting_, r.rightHolds);
      for (int32_t s : r.strict) {
        if (s >= 0) Put(interesting_, s);
      }
    }
  }

  size_t Words() const { return (edges_.size() + 63) / 64; }

  // The states that reach a state of `targets` without reading anything.
  Bits SilentlyReaching(Bits targets) const {
    std::vector<int32_t> pending;
    ForEachMember(targets, [&](int32_t s) { pending.push_back(s); });
    while (!pending.empty()) {
      const int32_t s = pending.back();
      pending.pop_back();
      for (int32_t p : silentInto_[static_cast<size_t>(s)]) {
        if (!Has(targets, p)) {
          Put(targets, p);
          pending.push_back(p);
        }
      }
    }
    return targets;
  }

  // The right automaton reads the stream from the end: its state after reading v (backwards) is
  // the set of context states from which v followed by the edge is accepted.
  void BuildRightAutomaton() {
    const size_t states = edges_.size();
    silentInto_.assign(states, {});
    std::vector<std::vector<std::pair<int32_t, int32_t>>> into(states);  // (class, from)
    for (size_t s = 0; s < states; ++s) {
      for (int32_t t : silent_[s])
        silentInto_[static_cast<size_t>(t)].push_back(static_cast<int32_t>(s));
      for (const auto& [c, t] : edges_[s])
        into[static_cast<size_t>(t)].push_back({c, static_cast<int32_t>(s)});
    }
    Bits start(Words(), 0);
    for (const auto& [c, from] : into[static_cast<size_t>(finish_)]) {
      if (c == classes_.edge()) Put(start, from);
    }
    std::unordered_map<Bits, int32_t, BitsHash> ids;
    std::vector<Bits> sets;
    std::vector<int32_t> next;
    const auto intern = [&](Bits&& bits) {
      auto [it, added] = ids.emplace(bits, static_cast<int32_t>(sets.size()));
      if (added) sets.push_back(std::move(bits));
      return it->second;
    };
    intern(SilentlyReaching(std::move(start)));
    for (size_t i = 0; i < sets.size(); ++i) {
      std::vector<Bits> before(static_cast<size_t>(inputClasses_), Bits(Words(), 0));
      ForEachMember(sets[i], [&](int32_t t) {
        for (const auto& [c, from] : into[static_cast<size_t>(t)]) {
          if (c < inputClasses_) Put(before[static_cast<size_t>(c)], from);
        }
      });
      for (int32_t c = 0; c < inputClasses_; ++c)
        next.push_back(intern(SilentlyReaching(std::move(before[static_cast<size_t>(c)]))));
    }
    // Merge right states that answer every question alike and step alike.
    std::vector<int64_t> colour(sets.size());
    VectorIds answers;
    for (size_t i = 0; i < sets.size(); ++i) {
      std::vector<int32_t> projection;
      for (size_t w = 0; w < sets[i].size(); ++w) {
        const uint64_t v = sets[i][w] & interesting_[w];
        projection.push_back(static_cast<int32_t>(v & 0xFFFFFFFFu));
        projection.push_back(static_cast<int32_t>(v >> 32));
      }
      colour[i] = answers.Intern(projection);
    }
    int32_t blocks = 0;
    const std::vector<int32_t> block = RefinePartition(next, inputClasses_, colour, &blocks);
    rightStates_ = blocks;
    rightInfo_.assign(static_cast<size_t>(blocks), Bits());
    rightNext_.assign(static_cast<size_t>(blocks) * static_cast<size_t>(inputClasses_), 0);
    for (size_t i = 0; i < sets.size(); ++i) {
      const auto b = static_cast<size_t>(block[i]);
      if (!rightInfo_[b].empty()) continue;
      rightInfo_[b] = sets[i];
      for (int32_t c = 0; c < inputClasses_; ++c) {
        rightNext_[b * static_cast<size_t>(inputClasses_) + static_cast<size_t>(c)] =
            block[static_cast<size_t>(
                next[i * static_cast<size_t>(inputClasses_) + static_cast<size_t>(c)])];
      }
    }
    rightStart_ = block[0];
    // A shortest stream for every right state, for examples in messages.
    rightPath_.assign(static_cast<size_t>(blocks), {-1, -1});
    rightPath_[static_cast<size_t>(rightStart_)] = {rightStart_, -1};
    std::vector<int32_t> queue = {rightStart_};
    for (size_t i = 0; i < queue.size(); ++i) {
      for (int32_t c = 0; c < inputClasses_; ++c) {
        const int32_t t = RightNext(queue[i], c);
        if (rightPath_[static_cast<size_t>(t)].first < 0) {
          rightPath_[static_cast<size_t>(t)] = {queue[i], c};
          queue.push_back(t);
        }
      }
    }
  }

  int32_t RightNext(int32_t r, int32_t c) const {
    return rightNext_[static_cast<size_t>(r) * static_cast<size_t>(inputClasses_) +
                      static_cast<size_t>(c)];
  }

  // ---- left side ----

  int32_t LeftContextStart() {
    std::vector<int32_t> tuple;
    for (const Dfa& d : leftAutomata_)
      tuple.push_back(d.Next(d.start, classes_.edge()));
    return InternContext(tuple);
  }

  int32_t InternContext(const std::vector<int32_t>& tuple) {
    const int32_t before = contexts_.size();
    const int32_t id = contexts_.Intern(tuple);
    if (id == before) {
      std::vector<int32_t> active;
      for (const RuleAutomata& r : rules_) {
        const bool holds = r.leftIndex < 0 ||
                           leftAutomata_[static_cast<size_t>(r.leftIndex)]
                               .final[static_cast<size_t>(tuple[static_cast<size_t>(r.leftIndex)])];
        active.push_back(holds ? 1 : 0);
      }
      activeOf_.push_back(actives_.Intern(active));
      contextNext_.resize(contextNext_.size() + static_cast<size_t>(inputClasses_), -1);
    }
    return id;
  }

  int32_t ContextNext(int32_t context, int32_t c) {
    const size_t slot =
        static_cast<size_t>(context) * static_cast<size_t>(inputClasses_) + static_cast<size_t>(c);
    if (contextNext_[slot] < 0) {
      std::vector<int32_t> tuple = contexts_[context];
      for (size_t k = 0; k < tuple.size(); ++k)
        tuple[k] = leftAutomata_[k].Next(tuple[k], c);
      const int32_t next = InternContext(tuple);
      contextNext_[static_cast<size_t>(context) * static_cast<size_t>(inputClasses_) +
                   static_cast<size_t>(c)] = next;
    }
    return contextNext_[slot];
  }

  bool Active(int32_t activeId, size_t rule) const { return actives_[activeId][rule] != 0; }

  struct StepResult {
    int32_t output;
    int32_t phase;
  };

  // A place in some stream: the left state before a symbol, the symbol's class and the right
  // state after it (for examples in messages).
  struct Example {
    int32_t left;
    int32_t cls;
    int32_t right;
  };

  // The insertions that come out at a position whose left side made `activeId` and whose right
  // side is right state `right`. They depend on nothing else, so each pair is worked out once.
  const std::vector<int32_t>& Insertions(int32_t activeId, int32_t right, const Example& example) {
    static const std::vector<int32_t> kNone;
    if (insertionRules_.empty()) return kNone;
    const int64_t key = static_cast<int64_t>(activeId) * rightStates_ + right;
    auto [it, added] = insertionsOf_.try_emplace(key);
    if (!added) return it->second;
    const Bits& holds = rightInfo_[static_cast<size_t>(right)];
    const Rule* chosen = nullptr;
    for (const int32_t i : insertionRules_) {
      const RuleAutomata& r = rules_[static_cast<size_t>(i)];
      if (!Active(activeId, static_cast<size_t>(i)) || !Has(holds, r.rightHolds)) continue;
      if (chosen != nullptr && stage_.preferEarlier) break;
      if (chosen != nullptr && r.rule->output != chosen->output) {
        insertionsOf_.erase(it);
        Conflict(*chosen, *r.rule, example);
      }
      chosen = r.rule;
    }
    if (chosen != nullptr) it->second = chosen->output;
    return it->second;
  }

  // The matches that can start at a free position whose left side made `activeId` and go on
  // through class c: (rule, match state after c) pairs in rule order. Worked out once per pair,
  // so a step costs the matches still alive rather than the whole batch.
  const std::vector<int32_t>& StartedMatches(int32_t activeId, int32_t c) {
    const int64_t key = static_cast<int64_t>(activeId) * inputClasses_ + c;
    auto [it, added] = startedOf_.try_emplace(key);
    if (added) {
      for (size_t i = 0; i < rules_.size(); ++i) {
        const RuleAutomata& r = rules_[i];
        if (r.insertion || !Active(activeId, i)) continue;
        const int32_t m = r.match.Next(r.match.start, c);
        if (r.matchDead[static_cast<size_t>(m)]) continue;
        it->second.push_back(static_cast<int32_t>(i));
        it->second.push_back(m);
      }
    }
    return it->second;
  }

  [[noreturn]] void Conflict(const Rule& a, const Rule& b, const Example& example) const {
    const Rule& later = a.where.line > b.where.line ? a : b;
    const Rule& earlier = &later == &a ? b : a;
    throw CompileError(later.where, "this rule and the rule at " + earlier.where.Describe() +
                                        " rewrite the same text differently, for example in " +
                                        ExampleText(example) +
                                        "; give them exclusive contexts or the same replacement");
  }

  std::string ExampleText(const Example& example) const {
    std::vector<int32_t> text;
    std::vector<int32_t> prefix;
    for (int32_t l = example.left; leftPath_[static_cast<size_t>(l)].second >= 0;
         l = leftPath_[static_cast<size_t>(l)].first) {
      prefix.push_back(ExampleSymbol(leftPath_[static_cast<size_t>(l)].second));
    }
    text.assign(prefix.rbegin(), prefix.rend());
    text.push_back(ExampleSymbol(example.cls));
    for (int32_t r = example.right; rightPath_[static_cast<size_t>(r)].second >= 0;
         r = rightPath_[static_cast<size_t>(r)].first) {
      text.push_back(ExampleSymbol(rightPath_[static_cast<size_t>(r)].second));
    }
    return FormatSymbols(text);
  }

  int32_t ExampleSymbol(int32_t cls) const {
    if (cls > 0) return classes_.SymbolOf(cls);
    for (int32_t s : {'x', 'y', 'z', 'q', '@', '~'}) {
      if (classes_.ClassOf(s) == ClassMap::kOther) return s;
    }
    return 0xE000;
  }

  StepResult Step(int32_t context, int32_t phase, int32_t c, int32_t rightAfter,
                  int32_t contextAfter, const Example& example) {
    const int32_t activeId = activeOf_[static_cast<size_t>(context)];
    const int32_t rightHere = RightNext(rightAfter, c);
    const Bits& after = rightInfo_[static_cast<size_t>(rightAfter)];
    const bool atEnd = atEnd_ >= 0 && Has(after, atEnd_);
    const int32_t activeAfter = atEnd ? activeOf_[static_cast<size_t>(contextAfter)] : -1;

    // Scratch lists kept between steps, so that a step allocates nothing once they have grown.
    std::vector<int32_t>& out = stepOut_;
    std::vector<int32_t>& viable = stepViable_;
    std::vector<int32_t>& strict = stepStrict_;
    out.clear();
    viable.clear();
    strict.clear();
    // (rule, match state after c) pairs of the matches going on through this symbol.
    const std::vector<int32_t>* stepped = &stepStepped_;
    if (phase == kFree) {
      const std::vector<int32_t>& inserted = Insertions(activeId, rightHere, example);
      out.assign(inserted.begin(), inserted.end());
      stepped = &StartedMatches(activeId, c);
    } else {
      const std::vector<int32_t>& candidates = phases_[phase];
      stepStepped_.clear();
      for (size_t k = 0; k < candidates.size(); k += 2) {
        const RuleAutomata& r = rules_[static_cast<size_t>(candidates[k])];
        const int32_t m = r.match.Next(candidates[k + 1], c);
        if (r.matchDead[static_cast<size_t>(m)]) continue;
        stepStepped_.push_back(candidates[k]);
        stepStepped_.push_back(m);
      }
    }
    for (size_t k = 0; k < stepped->size(); k += 2) {
      const int32_t rule = (*stepped)[k];
      const int32_t m = (*stepped)[k + 1];
      const RuleAutomata& r = rules_[static_cast<size_t>(rule)];
      const bool continues = Has(after, r.strict[static_cast<size_t>(m)]);
      const bool endsHere = r.match.final[static_cast<size_t>(m)] && Has(after, r.rightHolds);
      if (!continues && !endsHere) continue;
      viable.push_back(rule);
      viable.push_back(m);
      if (continues) {
        strict.push_back(rule);
        strict.push_back(m);
      }
    }
    int32_t nextPhase = kFree;
    if (viable.empty()) {
      // Outside a match the symbol is copied. (Inside one a candidate always survives: it was
      // kept because a valid end lay beyond this symbol.)
      if (phase == kFree) out.push_back(kCopy);
    } else if (!strict.empty()) {
      nextPhase = phases_.Intern(strict);
    } else {
      const Rule* winner = nullptr;
      for (size_t k = 0; k < viable.size(); k += 2) {
        const Rule* rule = rules_[static_cast<size_t>(viable[k])].rule;
        if (winner != nullptr && stage_.preferEarlier) break;  // candidates keep rule order
        if (winner != nullptr && rule->output != winner->output) Conflict(*winner, *rule, example);
        winner = rule;
      }
      out.insert(out.end(), winner->output.begin(), winner->output.end());
    }
    if (atEnd && nextPhase == kFree) {
      const std::vector<int32_t>& last = Insertions(activeAfter, rightAfter, example);
      out.insert(out.end(), last.begin(), last.end());
    }
    return StepResult{outputs_.Intern(out), nextPhase};
  }

  // A left state is the left contexts read so far and, for every right state the rest of the
  // stream could have, the phase the rewriting would be in: free, or inside a match with the
  // candidates still able to end validly further on.
  void ExploreLeft() {
    phases_.Intern({});  // kFree
    const int32_t start = LeftContextStart();
    std::vector<int32_t> key(static_cast<size_t>(rightStates_) + 1, kFree);
    key[0] = start;
    InternLeft(key, -1, -1);
    for (size_t l = 0; l < leftKeys_.size(); ++l) {
      for (int32_t c = 0; c < inputClasses_; ++c) {
        const int32_t context = leftKeys_[l][0];
        const int32_t contextAfter = ContextNext(context, c);
        std::vector<int32_t> nextKey(static_cast<size_t>(rightStates_) + 1);
        nextKey[0] = contextAfter;
        std::vector<int32_t> row(static_cast<size_t>(rightStates_));
        for (int32_t r = 0; r < rightStates_; ++r) {
          const int32_t phase = leftKeys_[l][static_cast<size_t>(RightNext(r, c)) + 1];
          const StepResult step = Step(leftKeys_[l][0], phase, c, r, contextAfter,
                                       Example{static_cast<int32_t>(l), c, r});
          nextKey[static_cast<size_t>(r) + 1] = step.phase;
          row[static_cast<size_t>(r)] = step.output;
        }
        leftNext_.push_back(InternLeft(nextKey, static_cast<int32_t>(l), c));
        leftRows_.push_back(rows_.Intern(row));
      }
    }
  }

  int32_t InternLeft(const std::vector<int32_t>& key, int32_t from, int32_t c) {
    const auto known = leftIds_.find(key);
    if (known != leftIds_.end()) return known->second;
    auto [it, added] = leftIds_.emplace(key, static_cast<int32_t>(leftKeys_.size()));
    if (added) {
      leftKeys_.push_back(key);
      leftPath_.push_back({from, c});
      if (leftKeys_.size() > kMaxLeftStates) {
        throw CompileError(stage_.where, "the stage's rules need more than " +
                                             std::to_string(kMaxLeftStates) +
                                             " left states; split them into smaller stages");
      }
    }
    return it->second;
  }

  int32_t LeftRow(int32_t l, int32_t c) const {
    return leftRows_[static_cast<size_t>(l) * static_cast<size_t>(inputClasses_) +
                     static_cast<size_t>(c)];
  }

  // Every protected symbol must come out exactly once, where it stood.
  void CheckProtected() {
    for (int32_t p : stage_.protectedSymbols) {
      const int32_t c = classes_.ClassOf(p);
      for (size_t l = 0; l < leftKeys_.size(); ++l) {
        const std::vector<int32_t>& row = rows_[LeftRow(static_cast<int32_t>(l), c)];
        for (int32_t r = 0; r < rightStates_; ++r) {
          const std::vector<int32_t>& out = outputs_[row[static_cast<size_t>(r)]];
          if (std::count(out.begin(), out.end(), kCopy) != 1) {
            throw CompileError(stage_.protectWhere,
                               "the rules of stage '" + stage_.name +
                                   "' could drop the "
                                   "protected symbol " +
                                   FormatSymbols({p}) + ", for example in " +
                                   ExampleText(Example{static_cast<int32_t>(l), c, r}) +
                                   "; keep protected symbols out of the text rules rewrite");
          }
        }
      }
    }
  }

  BimachineMachine Reduce() {
    const auto leftCount = static_cast<int32_t>(leftKeys_.size());
    // Left states that give the same outputs everywhere and step alike merge.
    std::vector<int64_t> colour(static_cast<size_t>(leftCount));
    VectorIds signatures;
    for (int32_t l = 0; l < leftCount; ++l) {
      std::vector<int32_t> signature;
      for (int32_t c = 0; c < inputClasses_; ++c)
        signature.push_back(LeftRow(l, c));
      colour[static_cast<size_t>(l)] = signatures.Intern(signature);
    }
    int32_t leftBlocks = 0;
    const std::vector<int32_t> leftBlock =
        RefinePartition(leftNext_, inputClasses_, colour, &leftBlocks);
    std::vector<int32_t> leftRep(static_cast<size_t>(leftBlocks), -1);
    for (int32_t l = 0; l < leftCount; ++l) {
      if (leftRep[static_cast<size_t>(leftBlock[static_cast<size_t>(l)])] < 0) {
        leftRep[static_cast<size_t>(leftBlock[static_cast<size_t>(l)])] = l;
      }
    }
    // Right states that give the same outputs for every left state and step alike merge. They
    // are told apart one distinct output row at a time, so memory stays linear in the states.
    std::vector<int32_t> usedRows;
    for (int32_t b = 0; b < leftBlocks; ++b) {
      for (int32_t c = 0; c < inputClasses_; ++c)
        usedRows.push_back(LeftRow(leftRep[static_cast<size_t>(b)], c));
    }
    std::sort(usedRows.begin(), usedRows.end());
    usedRows.erase(std::unique(usedRows.begin(), usedRows.end()), usedRows.end());
    std::vector<int64_t> rightColour(static_cast<size_t>(rightStates_), 0);
    for (int32_t id : usedRows) {
      std::unordered_map<int64_t, int64_t> split;
      const std::vector<int32_t>& row = rows_[id];
      for (int32_t r = 0; r < rightStates_; ++r) {
        const int64_t key = (rightColour[static_cast<size_t>(r)] << 32) |
                            static_cast<uint32_t>(row[static_cast<size_t>(r)]);
        rightColour[static_cast<size_t>(r)] =
            split.emplace(key, static_cast<int64_t>(split.size())).first->second;
      }
    }
    int32_t rightBlocks = 0;
    const std::vector<int32_t> rightBlock =
        RefinePartition(rightNext_, inputClasses_, rightColour, &rightBlocks);
    std::vector<int32_t> rightRep(static_cast<size_t>(rightBlocks), -1);
    for (int32_t r = 0; r < rightStates_; ++r) {
      if (rightRep[static_cast<size_t>(rightBlock[static_cast<size_t>(r)])] < 0) {
        rightRep[static_cast<size_t>(rightBlock[static_cast<size_t>(r)])] = r;
      }
    }

    BimachineMachine m;
    m.symbols = classes_.symbols();
    m.classes = inputClasses_;
    m.leftStates = leftBlocks;
    m.rightStates = rightBlocks;
    m.leftStart = leftBlock[0];
    m.rightStart = rightBlock[static_cast<size_t>(rightStart_)];
    m.leftNext.resize(static_cast<size_t>(leftBlocks) * static_cast<size_t>(inputClasses_));
    m.rightNext.resize(static_cast<size_t>(rightBlocks) * static_cast<size_t>(inputClasses_));
    m.outputOf.resize(m.leftNext.size() * static_cast<size_t>(rightBlocks));
    for (int32_t b = 0; b < leftBlocks; ++b) {
      const int32_t l = leftRep[static_cast<size_t>(b)];
      for (int32_t c = 0; c < inputClasses_; ++c) {
        const size_t slot =
            static_cast<size_t>(b) * static_cast<size_t>(inputClasses_) + static_cast<size_t>(c);
        m.leftNext[slot] = leftBlock[static_cast<size_t>(
            leftNext_[static_cast<size_t>(l) * static_cast<size_t>(inputClasses_) +
                      static_cast<size_t>(c)])];
        const std::vector<int32_t>& row = rows_[LeftRow(l, c)];
        for (int32_t rb = 0; rb < rightBlocks; ++rb) {
          m.outputOf[slot * static_cast<size_t>(rightBlocks) + static_cast<size_t>(rb)] =
              row[static_cast<size_t>(rightRep[static_cast<size_t>(rb)])];
        }
      }
    }
    for (int32_t rb = 0; rb < rightBlocks; ++rb) {
      for (int32_t c = 0; c < inputClasses_; ++c) {
        m.rightNext[static_cast<size_t>(rb) * static_cast<size_t>(inputClasses_) +
                    static_cast<size_t>(c)] =
            rightBlock[static_cast<size_t>(RightNext(rightRep[static_cast<size_t>(rb)], c))];
      }
    }
    m.outputs = outputs_.values();
    return m;
  }

  static constexpr int32_t kFree = 0;
  static constexpr size_t kMaxLeftStates = 200000;

  const Stage& stage_;
  const GrammarSource& source_;
  ClassMap classes_;
  int32_t n_ = 0;
  int32_t inputClasses_ = 0;  // class 0 (other) and the named symbols; the edge is not input
  std::vector<RuleAutomata> rules_;
  std::vector<Dfa> leftAutomata_;
  bool hasInsertions_ = false;

  // Context automaton.
  struct Arc {
    int32_t cls;
    int32_t to;
  };
  std::vector<std::vector<Arc>> edges_;
  std::vector<std::vector<int32_t>> silent_;
  std::vector<std::vector<int32_t>> silentInto_;
  int32_t finish_ = -1;
  int32_t atEnd_ = -1;
  Bits interesting_;

  // Right automaton (minimised).
  int32_t rightStates_ = 0;
  int32_t rightStart_ = 0;
  std::vector<Bits> rightInfo_;
  std::vector<int32_t> rightNext_;
  std::vector<std::pair<int32_t, int32_t>> rightPath_;

  // Left side.
  VectorIds contexts_;
  std::vector<int32_t> activeOf_;
  VectorIds actives_;
  std::vector<int32_t> contextNext_;
  VectorIds phases_;
  std::vector<int32_t> insertionRules_;
  std::unordered_map<int64_t, std::vector<int32_t>> insertionsOf_;
  std::unordered_map<int64_t, std::vector<int32_t>> startedOf_;
  std::vector<int32_t> stepOut_, stepViable_, stepStrict_, stepStepped_;
  VectorIds outputs_;
  VectorIds rows_;
  std::unordered_map<std::vector<int32_t>, int32_t, VectorHash> leftIds_;
  std::vector<std::vector<int32_t>> leftKeys_;
  std::vector<std::pair<int32_t, int32_t>> leftPath_;
  std::vector<int32_t> leftNext_;
  std::vector<int32_t> leftRows_;
};

}  // namespace

BimachineMachine CompileRewriteBatch(const Stage& stage, const GrammarSource& source,
                                     RewriteStats* stats) {
  BatchCompiler compiler(stage, source);
  return compiler.Compile(stats);
}

}  // namespace grammarc
