#include "tools/grammarc/interpreter.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <unordered_map>

namespace brelvox::grammarc {

namespace {

// Matches expressions against a stream with an edge on both sides: index 0 and index size - 1
// are the edges, the symbols lie between.
class Matcher {
 public:
  Matcher(const std::vector<int32_t>& input, const GrammarSource& source)
      : input_(input), source_(source) {}

  int32_t length() const { return static_cast<int32_t>(input_.size()) + 2; }

  // Every end t such that the part [s, t) matches the expression.
  const std::vector<int32_t>& Ends(const Regex& r, int32_t s) {
    const auto key = std::make_pair(&r, s);
    const auto it = memo_.find(key);
    if (it != memo_.end()) return it->second;
    std::vector<int32_t> ends = Compute(r, s);
    std::sort(ends.begin(), ends.end());
    ends.erase(std::unique(ends.begin(), ends.end()), ends.end());
    return memo_.emplace(key, std::move(ends)).first->second;
  }

 private:
  bool Matches(const Regex& r, int32_t i) const {
    if (i < 0 || i >= length()) return false;
    const SymbolSet set = r.boundary == Boundary::kNone ? r.set : BoundarySet(source_, r.boundary);
    if (i == 0 || i == length() - 1) return set.edge;
    return set.Contains(input_[static_cast<size_t>(i - 1)]);
  }

  std::vector<int32_t> Closure(const Regex& part, std::vector<int32_t> from) {
    std::vector<char> seen(static_cast<size_t>(length()) + 1, 0);
    for (int32_t t : from)
      seen[static_cast<size_t>(t)] = 1;
    for (size_t k = 0; k < from.size(); ++k) {
      for (int32_t t : Ends(part, from[k])) {
        if (!seen[static_cast<size_t>(t)]) {
          seen[static_cast<size_t>(t)] = 1;
          from.push_back(t);
        }
      }
    }
    return from;
  }

  std::vector<int32_t> Compute(const Regex& r, int32_t s) {
    switch (r.kind) {
      case Regex::Kind::kSet:
        return Matches(r, s) ? std::vector<int32_t>{s + 1} : std::vector<int32_t>{};
      case Regex::Kind::kEpsilon:
        return {s};
      case Regex::Kind::kConcat: {
        std::vector<int32_t> at = {s};
        for (const RegexPtr& part : r.parts) {
          std::vector<int32_t> next;
          for (int32_t t : at) {
            const std::vector<int32_t>& ends = Ends(*part, t);
            next.insert(next.end(), ends.begin(), ends.end());
          }
          std::sort(next.begin(), next.end());
          next.erase(std::unique(next.begin(), next.end()), next.end());
          at.swap(next);
        }
        return at;
      }
      case Regex::Kind::kUnion: {
        std::vector<int32_t> all;
        for (const RegexPtr& part : r.parts) {
          const std::vector<int32_t>& ends = Ends(*part, s);
          all.insert(all.end(), ends.begin(), ends.end());
        }
        return all;
      }
      case Regex::Kind::kDifference: {
        std::vector<int32_t> out;
        const std::vector<int32_t>& b = Ends(*r.parts[1], s);
        for (int32_t t : Ends(*r.parts[0], s)) {
          if (!std::binary_search(b.begin(), b.end(), t)) out.push_back(t);
        }
        return out;
      }
      case Regex::Kind::kStar:
        return Closure(*r.parts[0], {s});
      case Regex::Kind::kPlus:
        return Closure(*r.parts[0], Ends(*r.parts[0], s));
      case Regex::Kind::kOptional: {
        std::vector<int32_t> out = Ends(*r.parts[0], s);
        out.push_back(s);
        return out;
      }
    }
    return {};
  }

  const std::vector<int32_t>& input_;
  const GrammarSource& source_;
  // Node-based, so the answers handed out stay where they are while more are added.
  struct KeyHash {
    size_t operator()(const std::pair<const Regex*, int32_t>& key) const {
      return std::hash<const void*>()(key.first) * 31 + static_cast<size_t>(key.second);
    }
  };
  std::unordered_map<std::pair<const Regex*, int32_t>, std::vector<int32_t>, KeyHash> memo_;
};

bool Selected(const Stage& stage, int32_t flags) {
  return (flags & stage.enableMask) != 0 && (flags & stage.disableMask & ~1) == 0;
}

bool IsProtected(const Stage& stage, int32_t symbol) {
  return std::find(stage.protectedSymbols.begin(), stage.protectedSymbols.end(), symbol) !=
         stage.protectedSymbols.end();
}

}  // namespace

std::vector<int32_t> ApplyRules(const Stage& stage, const GrammarSource& source,
                                const std::vector<int32_t>& input) {
  const auto n = static_cast<int32_t>(input.size());
  if (n == 0) return {};
  Matcher matcher(input, source);
  // Input position p is index p + 1 of the matcher's stream.
  // Where each left context ends, from any start: worked out once per context and text.
  std::unordered_map<const Regex*, std::vector<char>> leftEnds;
  const auto leftHolds = [&](const Rule& rule, int32_t p) {
    if (!rule.left) return true;
    auto [it, added] = leftEnds.try_emplace(rule.left.get());
    if (added) {
      it->second.assign(static_cast<size_t>(matcher.length()) + 1, 0);
      for (int32_t s = 0; s < matcher.length(); ++s) {
        for (int32_t t : matcher.Ends(*rule.left, s))
          it->second[static_cast<size_t>(t)] = 1;
      }
    }
    return it->second[static_cast<size_t>(p) + 1] != 0;
  };
  const auto rightHolds = [&](const Rule& rule, int32_t p) {
    return !rule.right || !matcher.Ends(*rule.right, p + 1).empty();
  };
  std::vector<int32_t> out;
  int32_t p = 0;
  for (;;) {
    const Rule* inserted = nullptr;
    for (const Rule& rule : stage.rules) {
      if (!rule.IsInsertion() || !leftHolds(rule, p) || !rightHolds(rule, p)) continue;
      if (inserted != nullptr && stage.preferEarlier) break;
      if (inserted != nullptr && inserted->output != rule.output) {
        throw std::runtime_error("conflicting insertions at " + rule.where.Describe());
      }
      inserted = &rule;
    }
    if (inserted != nullptr)
      out.insert(out.end(), inserted->output.begin(), inserted->output.end());
    if (p == n) break;
    // The longest valid match wins; rules that tie there must agree.
    int32_t best = p;
    std::vector<const Rule*> winners;
    for (const Rule& rule : stage.rules) {
      if (rule.IsInsertion() || !leftHolds(rule, p)) continue;
      for (int32_t t : matcher.Ends(*rule.match, p + 1)) {
        const int32_t end = t - 1;
        if (end > n || end <= p || !rightHolds(rule, end)) continue;
        if (end > best) {
          best = end;
          winners.clear();
        }
        if (end == best) winners.push_back(&rule);
      }
    }
    const Rule* winner = winners.empty() ? nullptr : winners.front();
    for (const Rule* rule : winners) {
      if (rule->output != winner->output && !stage.preferEarlier) {
        throw std::runtime_error("conflicting rules at " + rule->where.Describe());
      }
    }
    if (winner != nullptr && best > p) {
      out.insert(out.end(), winner->output.begin(), winner->output.end());
      p = best;
    } else {
      out.push_back(input[static_cast<size_t>(p)]);
      ++p;
    }
  }
  return out;
}

std::vector<int32_t> ApplyLexicon(const Lexicon& lexicon, const SymbolSet& boundary,
                                  const std::vector<int32_t>& input) {
  std::vector<int32_t> out;
  size_t i = 0;
  while (i < input.size()) {
    if (boundary.Contains(input[i])) {
      out.push_back(input[i++]);
      continue;
    }
    size_t end = i;
    while (end < input.size() && !boundary.Contains(input[end]))
      ++end;
    const std::vector<int32_t> word(input.begin() + static_cast<std::ptrdiff_t>(i),
                                    input.begin() + static_cast<std::ptrdiff_t>(end));
    const auto it = std::lower_bound(
        lexicon.entries.begin(), lexicon.entries.end(), word,
        [](const LexiconEntry& entry, const std::vector<int32_t>& w) { return entry.word < w; });
    const bool known = it != lexicon.entries.end() && it->word == word;
    if (!known || lexicon.keep) out.insert(out.end(), word.begin(), word.end());
    if (known) out.insert(out.end(), it->replacement.begin(), it->replacement.end());
    i = end;
  }
  return out;
}

std::vector<int32_t> Interpret(const GrammarSource& grammar, const GrammarSource* dictionary,
                               const std::vector<int32_t>& input, int32_t flags) {
  std::vector<int32_t> current = input;
  for (const Stage& stage : grammar.stages) {
    if (!Selected(stage, flags)) continue;
    if (stage.kind == StageKind::kUserDictionary && dictionary == nullptr) continue;
    const auto apply = [&](const std::vector<int32_t>& in) {
      switch (stage.kind) {
        case StageKind::kRules:
          return ApplyRules(stage, grammar, in);
        case StageKind::kLexicon:
          return ApplyLexicon(stage.lexicon, stage.lexicon.boundary.value_or(grammar.wordBoundary),
                              in);
        case StageKind::kUserDictionary: {
          const Lexicon& lexicon = dictionary->dictionary.lexicon;
          return ApplyLexicon(lexicon, lexicon.boundary.value_or(dictionary->wordBoundary), in);
        }
      }
      return in;
    };
    if (stage.protectedSymbols.empty()) {
      current = apply(current);
      continue;
    }
    // Each protected symbol hides what follows it up to its next occurrence (inclusive).
    std::vector<int32_t> hidden;
    std::vector<std::vector<int32_t>> runs;
    for (size_t a = 0; a < current.size(); ++a) {
      const int32_t s = current[a];
      hidden.push_back(s);
      if (!IsProtected(stage, s)) continue;
      std::vector<int32_t> run;
      size_t b = a + 1;
      while (b < current.size() && current[b] != s)
        run.push_back(current[b++]);
      if (b < current.size()) run.push_back(current[b]);
      runs.push_back(std::move(run));
      a = b;
    }
    const std::vector<int32_t> rewritten = apply(hidden);
    std::vector<int32_t> restored;
    size_t nextRun = 0;
    for (int32_t t : rewritten) {
      restored.push_back(t);
      if (IsProtected(stage, t) && nextRun < runs.size()) {
        restored.insert(restored.end(), runs[nextRun].begin(), runs[nextRun].end());
        ++nextRun;
      }
    }
    current.swap(restored);
  }
  return current;
}

}  // namespace brelvox::grammarc
