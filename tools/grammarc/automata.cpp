#include "tools/grammarc/automata.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "tools/grammarc/vector_hash.h"

namespace grammarc {

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

SymbolSet EffectiveSet(const Regex& r, const GrammarSource& source) {
  return r.boundary == Boundary::kNone ? r.set : BoundarySet(source, r.boundary);
}

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

Dfa Determinize(const Nfa& nfa, Fragment fragment, int32_t classes);
Dfa Minimize(const Dfa& dfa);

Fragment Embed(Nfa& nfa, const Dfa& dfa) {
  const int32_t base = static_cast<int32_t>(nfa.edges.size());
  for (int32_t s = 0; s < dfa.size(); ++s)
    nfa.Add();
  const int32_t accept = nfa.Add();
  const std::vector<char> dead = dfa.Dead();
  for (int32_t s = 0; s < dfa.size(); ++s) {
    if (dead[static_cast<size_t>(s)]) continue;
    for (int32_t c = 0; c < dfa.classes; ++c) {
      const int32_t t = dfa.Next(s, c);
      if (!dead[static_cast<size_t>(t)]) nfa.Link(base + s, c, base + t);
    }
    if (dfa.final[static_cast<size_t>(s)]) nfa.Link(base + s, -1, accept);
  }
  return {base + dfa.start, accept};
}

Fragment Build(Nfa& nfa, const Regex& r, const ClassMap& classes, const GrammarSource& source) {
  switch (r.kind) {
    case Regex::Kind::kSet: {
      const Fragment f{nfa.Add(), nfa.Add()};
      const std::vector<bool> members = classes.Members(EffectiveSet(r, source));
      for (int32_t c = 0; c < classes.count(); ++c) {
        if (members[static_cast<size_t>(c)]) nfa.Link(f.start, c, f.accept);
      }
      return f;
    }
    case Regex::Kind::kEpsilon: {
      const Fragment f{nfa.Add(), nfa.Add()};
      nfa.Link(f.start, -1, f.accept);
      return f;
    }
    case Regex::Kind::kConcat: {
      Fragment f = Build(nfa, *r.parts[0], classes, source);
      for (size_t i = 1; i < r.parts.size(); ++i) {
        const Fragment g = Build(nfa, *r.parts[i], classes, source);
        nfa.Link(f.accept, -1, g.start);
        f.accept = g.accept;
      }
      return f;
    }
    case Regex::Kind::kUnion: {
      const Fragment f{nfa.Add(), nfa.Add()};
      for (const RegexPtr& part : r.parts) {
        const Fragment g = Build(nfa, *part, classes, source);
        nfa.Link(f.start, -1, g.start);
        nfa.Link(g.accept, -1, f.accept);
      }
      return f;
    }
    case Regex::Kind::kStar:
    case Regex::Kind::kPlus:
    case Regex::Kind::kOptional: {
      const Fragment f{nfa.Add(), nfa.Add()};
      const Fragment g = Build(nfa, *r.parts[0], classes, source);
      nfa.Link(f.start, -1, g.start);
      nfa.Link(g.accept, -1, f.accept);
      if (r.kind != Regex::Kind::kPlus) nfa.Link(f.start, -1, f.accept);
      if (r.kind != Regex::Kind::kOptional) nfa.Link(g.accept, -1, g.start);
      return f;
    }
    case Regex::Kind::kDifference: {
      const Dfa a = CompileRegex(*r.parts[0], classes, source);
      const Dfa b = CompileRegex(*r.parts[1], classes, source);
      Dfa d;
      d.classes = a.classes;
      const int32_t nb = b.size();
      d.start = a.start * nb + b.start;
      d.final.resize(static_cast<size_t>(a.size()) * static_cast<size_t>(nb));
      d.next.resize(d.final.size() * static_cast<size_t>(d.classes));
      for (int32_t x = 0; x < a.size(); ++x) {
        for (int32_t y = 0; y < nb; ++y) {
          const int32_t s = x * nb + y;
          d.final[static_cast<size_t>(s)] =
              a.final[static_cast<size_t>(x)] && !b.final[static_cast<size_t>(y)];
          for (int32_t c = 0; c < d.classes; ++c) {
            d.next[static_cast<size_t>(s) * static_cast<size_t>(d.classes) +
                   static_cast<size_t>(c)] = a.Next(x, c) * nb + b.Next(y, c);
          }
        }
      }
      return Embed(nfa, Minimize(d));
    }
  }
  return {nfa.Add(), nfa.Add()};
}

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

Dfa Determinize(const Nfa& nfa, Fragment fragment, int32_t classes) {
  Dfa dfa;
  dfa.classes = classes;
  std::map<std::vector<int32_t>, int32_t> ids;
  std::vector<std::vector<int32_t>> sets;
  const auto intern = [&](std::vector<int32_t> set) {
    auto [it, added] = ids.emplace(set, static_cast<int32_t>(sets.size()));
    if (added) {
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

Dfa Minimize(const Dfa& dfa) {
  std::vector<int64_t> colour(dfa.final.begin(), dfa.final.end());
  int32_t blocks = 0;
  const std::vector<int32_t> block = RefinePartition(dfa.next, dfa.classes, colour, &blocks);
  Dfa out;
  out.classes = dfa.classes;
  out.final.assign(static_cast<size_t>(blocks), 0);
  out.next.assign(static_cast<size_t>(blocks) * static_cast<size_t>(dfa.classes), 0);
  for (int32_t s = 0; s < dfa.size(); ++s) {
    const int32_t b = block[static_cast<size_t>(s)];
    out.final[static_cast<size_t>(b)] = dfa.final[static_cast<size_t>(s)];
    for (int32_t c = 0; c < dfa.classes; ++c) {
      out.next[static_cast<size_t>(b) * static_cast<size_t>(dfa.classes) + static_cast<size_t>(c)] =
          block[static_cast<size_t>(dfa.Next(s, c))];
    }
  }
  out.start = block[static_cast<size_t>(dfa.start)];
  return out;
}

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
  if (r.kind == Regex::Kind::kSet) {
    const SymbolSet set = EffectiveSet(r, source);
    out.insert(out.end(), set.symbols.begin(), set.symbols.end());
  }
  for (const RegexPtr& p : r.parts)
    CollectSymbols(*p, source, out);
}

Dfa CompileRegex(const Regex& regex, const ClassMap& classes, const GrammarSource& source) {
  Nfa nfa;
  const Fragment f = Build(nfa, regex, classes, source);
  return Minimize(Determinize(nfa, f, classes.count()));
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

std::vector<int32_t> RefinePartition(const std::vector<int32_t>& next, int32_t classes,
                                     const std::vector<int64_t>& colour, int32_t* blocks) {
  const size_t n = colour.size();
  std::vector<int32_t> block(n);
  {
    std::unordered_map<int64_t, int32_t> ids;
    for (size_t s = 0; s < n; ++s)
      block[s] = ids.emplace(colour[s], static_cast<int32_t>(ids.size())).first->second;
    *blocks = static_cast<int32_t>(ids.size());
  }
  std::vector<int32_t> signature(static_cast<size_t>(classes) + 1);
  for (;;) {
    std::unordered_map<std::vector<int32_t>, int32_t, VectorHash> ids;
    std::vector<int32_t> refined(n);
    for (size_t s = 0; s < n; ++s) {
      signature[0] = block[s];
      for (int32_t c = 0; c < classes; ++c) {
        signature[static_cast<size_t>(c) + 1] = block[static_cast<size_t>(
            next[s * static_cast<size_t>(classes) + static_cast<size_t>(c)])];
      }
      refined[s] = ids.emplace(signature, static_cast<int32_t>(ids.size())).first->second;
    }
    const auto count = static_cast<int32_t>(ids.size());
    block.swap(refined);
    if (count == *blocks) return block;
    *blocks = count;
  }
}

}  // namespace grammarc
