// The grammar source as the parser leaves it: symbol sets, regular expressions, rewrite rules,
// lexicons and stages. Everything refers to concrete 32-bit symbols; classes of the machines are
// worked out per stage by the compiler.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace brelvox::grammarc {

struct Location {
  std::string file;
  int line = 0;
  int column = 0;
  std::string Describe() const;  // "file:line:column"
};

// An error in a source, reported as "file:line:column: message".
class CompileError : public std::runtime_error {
 public:
  CompileError(const Location& where, const std::string& message);
  const Location& where() const { return where_; }
  const std::string& message() const { return message_; }

 private:
  Location where_;
  std::string message_;
};

// A set of single symbols: the listed ones, or (complement) every symbol but the listed ones.
// `edge` adds the edge of the stream, which only contexts can see.
struct SymbolSet {
  bool complement = false;
  std::set<int32_t> symbols;
  bool edge = false;

  bool Contains(int32_t symbol) const { return (symbols.count(symbol) != 0) != complement; }
  static SymbolSet Any() { return SymbolSet{true, {}, false}; }
  static SymbolSet Of(std::set<int32_t> symbols) {
    return SymbolSet{false, std::move(symbols), false};
  }
  SymbolSet Union(const SymbolSet& other) const;
  SymbolSet Minus(const SymbolSet& other) const;
};

// Boundaries resolve to sets once the whole source is read (their classes may be declared later).
enum class Boundary { kNone, kWord, kSentence, kEdge };

struct Regex;
using RegexPtr = std::shared_ptr<const Regex>;

struct Regex {
  enum class Kind { kSet, kEpsilon, kConcat, kUnion, kDifference, kStar, kPlus, kOptional };
  Kind kind = Kind::kEpsilon;
  SymbolSet set;                        // kSet (when boundary is kNone)
  Boundary boundary = Boundary::kNone;  // kSet: a boundary instead of `set`
  std::vector<RegexPtr> parts;          // kConcat, kUnion: any number; kDifference: 2; the rest: 1
  Location where;
  int32_t depth = 1;  // of the tree below, this node included
};

// Expressions nest at most this deep (parentheses, operators, names used inside names): the
// compiler walks them recursively.
inline constexpr int32_t kMaxExpressionDepth = 1000;

// Whether the expression matches the empty string.
bool Nullable(const Regex& regex);
// Whether a boundary occurs anywhere in the expression.
bool HasBoundary(const Regex& regex);

struct Rule {
  RegexPtr match;               // null for an insertion ("" -> ...)
  std::vector<int32_t> output;  // the replacement
  RegexPtr left;                // null: no left context
  RegexPtr right;               // null: no right context
  Location where;
  bool IsInsertion() const { return match == nullptr; }
};

struct LexiconEntry {
  std::vector<int32_t> word;
  std::vector<int32_t> replacement;
  Location where;
};

struct Lexicon {
  std::vector<LexiconEntry> entries;  // sorted by word, words unique
  bool keep = false;                  // the word stays and the replacement follows it
  std::optional<SymbolSet> boundary;  // what separates words (default: the word boundary class)
};

enum class StageKind { kRules, kLexicon, kUserDictionary };

// Which machine a stage of rules compiles to: the smaller one, or the one asked for.
enum class MachineChoice { kSmaller, kBimachine, kTransducer };

struct Stage {
  std::string name;
  Location where;
  StageKind kind = StageKind::kRules;
  std::vector<Rule> rules;
  MachineChoice machine = MachineChoice::kSmaller;
  Location machineWhere;
  bool preferEarlier = false;  // rules tying on the longest match: the first written wins
  Lexicon lexicon;
  std::vector<int32_t> protectedSymbols;  // in the order written, no repeats
  Location protectWhere;
  int32_t enableMask = -1;  // every flag bit
  int32_t disableMask = 0;
};

struct GrammarSource {
  std::vector<Stage> stages;
  SymbolSet wordBoundary;
  SymbolSet sentenceBoundary;
  bool isDictionary = false;  // a user dictionary source: one lexicon and no stages
  Stage dictionary;           // its lexicon, when isDictionary
};

// The set a boundary stands for, the edge of the stream included.
SymbolSet BoundarySet(const GrammarSource& source, Boundary boundary);

}  // namespace brelvox::grammarc
