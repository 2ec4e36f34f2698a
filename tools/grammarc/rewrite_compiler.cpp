#include "tools/grammarc/rewrite_compiler.h"

#include <algorithm>
#include <unordered_map>

#include "tools/grammarc/rewrite_automata.h"
#include "tools/grammarc/symbol_text.h"
#include "tools/grammarc/vector_hash.h"

namespace brelvox::grammarc {

namespace {

// Assembles the bimachine from the rules' automata and the right automaton: explores the left
// states, works out every output, checks the protected symbols and merges what answers alike.
class BatchCompiler {
 public:
  BatchCompiler(const Stage& stage, BatchAutomata batch, ContextAutomaton context,
                RightAutomaton right)
      : stage_(stage),
        batch_(std::move(batch)),
        context_(std::move(context)),
        right_(std::move(right)),
        classes_(batch_.classes),
        inputClasses_(batch_.inputClasses),
        rules_(batch_.rules),
        leftAutomata_(batch_.leftAutomata),
        insertionRules_(batch_.insertionRules),
        atEnd_(context_.atEnd),
        rightStates_(right_.states),
        rightInfo_(right_.info),
        rightPath_(right_.path) {}

  BimachineMachine Compile(RewriteStats* stats) {
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
      // Every left state holds an output for each class and right state; a very long literal
      // needs as many left as right states, so its table grows with the square of its length.
      const int64_t cells = static_cast<int64_t>(leftKeys_.size()) * rightStates_ * inputClasses_;
      if (cells > kMaxTableCells) {
        throw CompileError(stage_.where,
                           "the stage's rules need a table of more than " +
                               std::to_string(kMaxTableCells) +
                               " cells (left states x right states x symbol classes); split "
                               "them into smaller stages or shorten their longest strings");
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
        RefinePartition(right_.next, inputClasses_, rightColour, &rightBlocks);
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
    m.rightStart = rightBlock[static_cast<size_t>(right_.start)];
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
  static constexpr int64_t kMaxTableCells = 64000000;

  int32_t RightNext(int32_t r, int32_t c) const { return right_.Next(r, c); }

  const Stage& stage_;
  const BatchAutomata batch_;
  const ContextAutomaton context_;
  const RightAutomaton right_;
  // Short names for what the left side reads most.
  const ClassMap& classes_;
  const int32_t inputClasses_;
  const std::vector<RuleAutomata>& rules_;
  const std::vector<Dfa>& leftAutomata_;
  const std::vector<int32_t>& insertionRules_;
  const int32_t atEnd_;
  const int32_t rightStates_;
  const std::vector<Bits>& rightInfo_;
  const std::vector<std::pair<int32_t, int32_t>>& rightPath_;

  // Left side.
  VectorIds contexts_;
  std::vector<int32_t> activeOf_;
  VectorIds actives_;
  std::vector<int32_t> contextNext_;
  VectorIds phases_;
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
  BatchAutomata batch = CompileRuleAutomata(stage, source);
  ContextAutomaton context = BuildContextAutomaton(batch, source);
  RightAutomaton right = BuildRightAutomaton(context, batch.inputClasses, batch.classes.edge());
  BatchCompiler compiler(stage, std::move(batch), std::move(context), std::move(right));
  return compiler.Compile(stats);
}

}  // namespace brelvox::grammarc
