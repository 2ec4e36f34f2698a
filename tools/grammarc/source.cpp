#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

std::string Location::Describe() const {
  return file + ":" + std::to_string(line) + ":" + std::to_string(column);
}

CompileError::CompileError(const Location& where, const std::string& message)
    : std::runtime_error(where.Describe() + ": " + message), where_(where), message_(message) {}

SymbolSet SymbolSet::Union(const SymbolSet& other) const {
  SymbolSet result;
  result.edge = edge || other.edge;
  if (!complement && !other.complement) {
    result.symbols = symbols;
    result.symbols.insert(other.symbols.begin(), other.symbols.end());
  } else if (complement && other.complement) {
    // Not in the union only when missing from both.
    result.complement = true;
    for (int32_t s : symbols) {
      if (other.symbols.count(s) != 0) result.symbols.insert(s);
    }
  } else {
    const SymbolSet& negative = complement ? *this : other;
    const SymbolSet& positive = complement ? other : *this;
    result.complement = true;
    for (int32_t s : negative.symbols) {
      if (positive.symbols.count(s) == 0) result.symbols.insert(s);
    }
  }
  return result;
}

SymbolSet SymbolSet::Minus(const SymbolSet& other) const {
  // A - B = A and not B = not (not A or B).
  SymbolSet notA = *this;
  notA.complement = !complement;
  SymbolSet result = notA.Union(other);
  result.complement = !result.complement;
  result.edge = edge && !other.edge;
  return result;
}

bool Nullable(const Regex& r) {
  switch (r.kind) {
    case Regex::Kind::kSet:
      return false;
    case Regex::Kind::kEpsilon:
    case Regex::Kind::kStar:
    case Regex::Kind::kOptional:
      return true;
    case Regex::Kind::kPlus:
      return Nullable(*r.parts[0]);
    case Regex::Kind::kConcat:
      for (const RegexPtr& p : r.parts) {
        if (!Nullable(*p)) return false;
      }
      return true;
    case Regex::Kind::kUnion:
      for (const RegexPtr& p : r.parts) {
        if (Nullable(*p)) return true;
      }
      return false;
    case Regex::Kind::kDifference:
      return Nullable(*r.parts[0]) && !Nullable(*r.parts[1]);
  }
  return false;
}

bool HasBoundary(const Regex& r) {
  if (r.kind == Regex::Kind::kSet) return r.boundary != Boundary::kNone || r.set.edge;
  for (const RegexPtr& p : r.parts) {
    if (HasBoundary(*p)) return true;
  }
  return false;
}

SymbolSet BoundarySet(const GrammarSource& source, Boundary boundary) {
  SymbolSet set;
  if (boundary == Boundary::kWord) set = source.wordBoundary;
  if (boundary == Boundary::kSentence) set = source.sentenceBoundary;
  set.edge = true;
  return set;
}

}  // namespace brelvox::grammarc
