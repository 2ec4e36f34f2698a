#include "tools/grammarc/automaton_steps.h"

namespace brelvox::grammarc {

SymbolSet EffectiveSet(const Regex& r, const GrammarSource& source) {
  return r.boundary == Boundary::kNone ? r.set : BoundarySet(source, r.boundary);
}

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
  if (nfa.edges.size() > kMaxNfaStates) {
    throw CompileError(r.where, "the expression grows past " + std::to_string(kMaxNfaStates) +
                                    " automaton states; simplify it (each use of a name "
                                    "copies its whole expression)");
  }
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
      return Embed(nfa, Minimize(Difference(a, b, r.where)));
    }
  }
  return {nfa.Add(), nfa.Add()};
}

}  // namespace brelvox::grammarc
