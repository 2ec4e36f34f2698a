#include "tools/grammarc/automata.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "tools/grammarc/automaton_steps.h"

namespace brelvox::grammarc {

ClassMap::ClassMap(std::vector<int32_t> symbols) : symbols_(std::move(symbols)) {}

int32_t ClassMap::ClassOf(int32_t symbol) const {
  const auto it = std::lower_bound(symbols_.begin(), symbols_.end(), symbol);
  if (it == symbols_.end() || *it != symbol) return kOther;
  return static_cast<int32_t>(it - symbols_.begin()) + 1;
}

std::vector<bool> ClassMap::Members(const SymbolSet& set) const {
  std::vector<bool> members(static_cast<size_t>(count()), false);
  members[kOther] = set.complement;
  for (size_t i = 0; i < symbols_.size(); ++i)
    members[i + 1] = set.Contains(symbols_[i]);
  members[static_cast<size_t>(edge())] = set.edge;
  return members;
}

namespace {

RegexPtr AnyIncludingEdge() {
  auto set = std::make_shared<Regex>();
  set->kind = Regex::Kind::kSet;
  set->set = SymbolSet::Any();
  set->set.edge = true;
  auto star = std::make_shared<Regex>();
  star->kind = Regex::Kind::kStar;
  star->parts = {set};
  return star;
}

}  // namespace

std::vector<char> Dfa::Dead() const {
  // Backwards reachability from the final states.
  std::vector<std::vector<int32_t>> into(static_cast<size_t>(size()));
  for (int32_t s = 0; s < size(); ++s) {
    for (int32_t c = 0; c < classes; ++c)
      into[static_cast<size_t>(Next(s, c))].push_back(s);
  }
  std::vector<char> live(static_cast<size_t>(size()), 0);
  std::vector<int32_t> pending;
  for (int32_t s = 0; s < size(); ++s) {
    if (final[static_cast<size_t>(s)]) {
      live[static_cast<size_t>(s)] = 1;
      pending.push_back(s);
    }
  }
  while (!pending.empty()) {
    const int32_t s = pending.back();
    pending.pop_back();
    for (int32_t p : into[static_cast<size_t>(s)]) {
      if (!live[static_cast<size_t>(p)]) {
        live[static_cast<size_t>(p)] = 1;
        pending.push_back(p);
      }
    }
  }
  std::vector<char> dead(live.size());
  for (size_t i = 0; i < live.size(); ++i)
    dead[i] = live[i] ? 0 : 1;
  return dead;
}

void CollectSymbols(const Regex& r, const GrammarSource& source, std::vector<int32_t>& out) {
  // Names make the expression a graph that shares its parts: visit each part once, or a name
  // doubled thirty times would be walked a billion times.
  std::unordered_set<const Regex*> seen;
  std::vector<const Regex*> pending = {&r};
  while (!pending.empty()) {
    const Regex* node = pending.back();
    pending.pop_back();
    if (!seen.insert(node).second) continue;
    if (node->kind == Regex::Kind::kSet) {
      const SymbolSet set = EffectiveSet(*node, source);
      out.insert(out.end(), set.symbols.begin(), set.symbols.end());
    }
    for (const RegexPtr& p : node->parts)
      pending.push_back(p.get());
  }
}

Dfa CompileRegex(const Regex& regex, const ClassMap& classes, const GrammarSource& source) {
  Nfa nfa;
  const Fragment f = Build(nfa, regex, classes, source);
  return Minimize(Determinize(nfa, f, classes.count(), regex.where));
}

Dfa CompileSuffixMatcher(const Regex& regex, const ClassMap& classes, const GrammarSource& source) {
  auto concat = std::make_shared<Regex>();
  concat->kind = Regex::Kind::kConcat;
  concat->parts = {AnyIncludingEdge(), std::shared_ptr<const Regex>(&regex, [](const Regex*) {})};
  return CompileRegex(*concat, classes, source);
}

Dfa CompilePrefixMatcher(const Regex& regex, const ClassMap& classes, const GrammarSource& source) {
  auto concat = std::make_shared<Regex>();
  concat->kind = Regex::Kind::kConcat;
  concat->parts = {std::shared_ptr<const Regex>(&regex, [](const Regex*) {}), AnyIncludingEdge()};
  return CompileRegex(*concat, classes, source);
}

}  // namespace brelvox::grammarc
