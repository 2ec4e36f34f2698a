#include "tools/grammarc/parser.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/core/symbols.h"
#include "tools/grammarc/lexer.h"
#include "tools/grammarc/lexicon_reader.h"
#include "tools/grammarc/source_file.h"
#include "tools/grammarc/symbol_text.h"

namespace brelvox::grammarc {

namespace {

struct Named {
  enum class Kind { kClass, kDefine } kind;
  SymbolSet set;
  RegexPtr regex;
};

RegexPtr MakeSet(const SymbolSet& set, const Location& where) {
  auto r = std::make_shared<Regex>();
  r->kind = Regex::Kind::kSet;
  r->set = set;
  r->where = where;
  return r;
}

RegexPtr MakeSequence(const std::vector<int32_t>& symbols, const Location& where) {
  auto r = std::make_shared<Regex>();
  r->where = where;
  if (symbols.empty()) return r;  // epsilon
  if (symbols.size() == 1) return MakeSet(SymbolSet::Of({symbols[0]}), where);
  r->kind = Regex::Kind::kConcat;
  r->depth = 2;
  for (int32_t s : symbols)
    r->parts.push_back(MakeSet(SymbolSet::Of({s}), where));
  return r;
}

RegexPtr MakeNode(Regex::Kind kind, std::vector<RegexPtr> parts, const Location& where) {
  auto r = std::make_shared<Regex>();
  r->kind = kind;
  for (const RegexPtr& part : parts)
    r->depth = std::max(r->depth, part->depth + 1);
  if (r->depth > kMaxExpressionDepth) {
    throw CompileError(where, "the expression nests deeper than " +
                                  std::to_string(kMaxExpressionDepth) +
                                  " levels; write it flatter or split it into defines");
  }
  r->parts = std::move(parts);
  r->where = where;
  return r;
}

// The symbols a set of single symbols stands for, when it is one.
std::optional<SymbolSet> AsSet(const Regex& r) {
  if (r.kind == Regex::Kind::kSet && r.boundary == Boundary::kNone && !r.set.edge) return r.set;
  if (r.kind == Regex::Kind::kUnion) {
    SymbolSet set;
    for (const RegexPtr& p : r.parts) {
      auto part = AsSet(*p);
      if (!part) return std::nullopt;
      set = set.Union(*part);
    }
    return set;
  }
  if (r.kind == Regex::Kind::kDifference) {
    auto a = AsSet(*r.parts[0]);
    auto b = AsSet(*r.parts[1]);
    if (!a || !b) return std::nullopt;
    return a->Minus(*b);
  }
  return std::nullopt;
}

class Parser {
 public:
  GrammarSource Run(const std::string& text, const std::string& name, const std::string& dir) {
    source_.wordBoundary.symbols = {
        ' ', '\t', '\n', '\r', '\f', '\v', 0xA0, PauseSymbol, SpellStartSymbol, SpellEndSymbol};
    for (int32_t s = kFirstWordMarker; s <= kLastWordMarker; ++s)
      source_.wordBoundary.symbols.insert(s);
    source_.sentenceBoundary.symbols = {kSentenceMarkerA, kSentenceMarkerB};
    ParseText(text, name, dir);
    Finish();
    return std::move(source_);
  }

  std::vector<int32_t> Sequence(const std::string& text, const std::string& file, int line) {
    std::vector<Token> tokens = LexLine(text, file, line);
    tokens_ = &tokens;
    at_ = 0;
    std::vector<int32_t> out = ParseOutput();
    ExpectEnd();
    return out;
  }

  // Marks the root file as open, so that including it again is caught.
  void Enter(const std::string& path) {
    std::error_code error;
    includeStack_.push_back(std::filesystem::weakly_canonical(path, error).string());
  }

  void ParseFile(const std::string& path, const Location* from) {
    std::error_code error;
    const std::string canonical = std::filesystem::weakly_canonical(path, error).string();
    for (const std::string& open : includeStack_) {
      if (open == canonical) {
        throw CompileError(from ? *from : Location{path, 0, 0},
                           "'" + path + "' includes itself; remove the circular include");
      }
    }
    const std::string text =
        ReadSourceFile(path, from != nullptr ? *from : Location{path, 0, 0}, "the include");
    includeStack_.push_back(canonical);
    ParseText(text, path, std::filesystem::path(path).parent_path().string());
    includeStack_.pop_back();
  }

 private:
  void ParseText(const std::string& text, const std::string& name, const std::string& dir) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    std::vector<Token> pending;
    while (std::getline(lines, line)) {
      ++number;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      // A backslash at the end of a line continues the statement on the next line.
      const size_t trimmed = line.find_last_not_of(" \t");
      const bool continues = trimmed != std::string::npos && line[trimmed] == '\\' &&
                             line.find('#') == std::string::npos;
      if (continues) line.erase(trimmed);
      std::vector<Token> tokens = LexLine(line, name, number);
      if (continues) {
        tokens.pop_back();
        pending.insert(pending.end(), tokens.begin(), tokens.end());
        continue;
      }
      if (!pending.empty()) {
        pending.insert(pending.end(), tokens.begin(), tokens.end());
        tokens.swap(pending);
        pending.clear();
      }
      if (tokens.size() > 1) Statement(tokens, dir);
    }
    if (!pending.empty()) {
      throw CompileError(pending.back().where, "the file ends inside a continued statement");
    }
  }

  // ---- statements ----

  void Statement(const std::vector<Token>& tokens, const std::string& dir) {
    tokens_ = &tokens;
    at_ = 0;
    const Token& first = Peek();
    if (first.kind == Tok::kName) {
      const std::string& word = first.text;
      if (word == "include") return Include(dir);
      if (word == "class" || word == "define") return Definition(word == "class");
      if (word == "wordboundary" || word == "sentenceboundary") {
        return BoundaryClass(word == "wordboundary");
      }
      if (word == "stage") return StageLine(dir);
      if (word == "dictionary") return DictionaryLine(dir);
      if (word == "protect" || word == "enable" || word == "disable" || word == "keep" ||
          word == "boundary" || word == "machine" || word == "prefer") {
        return StageOption(word);
      }
    }
    RuleLine();
  }

  void Include(const std::string& dir) {
    const Token keyword = Take();
    const Token path = Expect(Tok::kString, "a file name in quotes");
    ExpectEnd();
    ParseFile(Resolve(dir, path), &keyword.where);
  }

  std::string Resolve(const std::string& dir, const Token& pathToken) {
    std::string path;
    for (int32_t s : pathToken.symbols)
      AppendUtf8(path, static_cast<uint32_t>(s));
    std::filesystem::path p(path);
    if (p.is_relative() && !dir.empty()) p = std::filesystem::path(dir) / p;
    return p.string();
  }

  void Definition(bool isClass) {
    Take();
    const Token name = Expect(Tok::kName, "a name");
    CheckNewName(name);
    Expect(Tok::kEquals, "'='");
    RegexPtr regex = ParseUnion();
    ExpectEnd();
    Named named;
    if (isClass) {
      auto set = AsSet(*regex);
      if (!set) {
        throw CompileError(regex->where,
                           "a class is a set of single symbols: use [...], names of classes, "
                           "single symbols, '|' and '-' (use 'define' for longer expressions)");
      }
      named.kind = Named::Kind::kClass;
      named.set = *set;
    } else {
      named.kind = Named::Kind::kDefine;
      named.regex = regex;
    }
    names_[name.text] = named;
  }

  void CheckNewName(const Token& name) {
    if (IsKeyword(name.text)) {
      throw CompileError(name.where, "'" + name.text + "' is a keyword; choose another name");
    }
    if (PredefinedSymbol(name.text) || PredefinedSet(name.text) || name.text == "WordBoundary" ||
        name.text == "SentenceBoundary") {
      throw CompileError(name.where, "'" + name.text + "' is predefined; choose another name");
    }
    if (names_.count(name.text) != 0) {
      throw CompileError(name.where, "'" + name.text + "' is already defined; choose another name");
    }
  }

  static bool IsKeyword(const std::string& word) {
    static const char* const kKeywords[] = {
        "include",  "class",   "define",  "wordboundary", "sentenceboundary", "stage", "dictionary",
        "protect",  "enable",  "disable", "keep",         "boundary",         "rules", "lexicon",
        "userdict", "machine", "prefer"};
    for (const char* k : kKeywords) {
      if (word == k) return true;
    }
    return false;
  }

  void BoundaryClass(bool word) {
    const Token keyword = Take();
    bool& declared = word ? wordBoundaryDeclared_ : sentenceBoundaryDeclared_;
    if (declared) {
      throw CompileError(keyword.where, "the " + keyword.text + " class is already declared");
    }
    if (boundaryUsed_) {
      throw CompileError(keyword.where,
                         "declare " + keyword.text + " before the first rule that uses it");
    }
    declared = true;
    Expect(Tok::kEquals, "'='");
    (word ? source_.wordBoundary : source_.sentenceBoundary) = ParseSetExpression();
    ExpectEnd();
  }

  SymbolSet ParseSetExpression() {
    RegexPtr regex = ParseUnion();
    auto set = AsSet(*regex);
    if (!set) throw CompileError(regex->where, "expected a set of single symbols");
    return *set;
  }

  void StageLine(const std::string& dir) {
    if (source_.isDictionary) {
      throw CompileError(Peek().where, "a dictionary source has no stages");
    }
    Take();
    const Token name = Expect(Tok::kName, "a stage name");
    Stage stage;
    stage.name = name.text;
    stage.where = name.where;
    for (const Stage& other : source_.stages) {
      if (other.name == stage.name) {
        throw CompileError(name.where, "there is already a stage '" + name.text + "'");
      }
    }
    if (Peek().kind == Tok::kName) {
      const Token kind = Take();
      if (kind.text == "lexicon") {
        stage.kind = StageKind::kLexicon;
        const Token path = Expect(Tok::kString, "the lexicon's file name in quotes");
        stage.lexicon.entries = ReadLexicon(Resolve(dir, path), path.where);
      } else if (kind.text == "userdict") {
        stage.kind = StageKind::kUserDictionary;
      } else if (kind.text != "rules") {
        throw CompileError(kind.where, "a stage is 'rules', 'lexicon \"FILE\"' or 'userdict'");
      }
    }
    ExpectEnd();
    source_.stages.push_back(std::move(stage));
  }

  void DictionaryLine(const std::string& dir) {
    const Token keyword = Take();
    if (!source_.stages.empty() || source_.isDictionary) {
      throw CompileError(keyword.where,
                         "a dictionary source holds one dictionary and no stages; split the "
                         "source in two");
    }
    const Token path = Expect(Tok::kString, "the lexicon's file name in quotes");
    ExpectEnd();
    source_.isDictionary = true;
    source_.dictionary.kind = StageKind::kLexicon;
    source_.dictionary.name = "dictionary";
    source_.dictionary.where = keyword.where;
    source_.dictionary.lexicon.entries = ReadLexicon(Resolve(dir, path), path.where);
  }

  Stage& CurrentStage(const Token& at) {
    if (source_.isDictionary) return source_.dictionary;
    if (source_.stages.empty()) {
      throw CompileError(at.where, "'" + at.text +
                                       "' belongs inside a stage; start one with "
                                       "'stage NAME'");
    }
    return source_.stages.back();
  }

  void StageOption(const std::string& word) {
    const Token keyword = Take();
    Stage& stage = CurrentStage(keyword);
    if (word == "protect") {
      if (source_.isDictionary) {
        throw CompileError(keyword.where, "a dictionary has no protected symbols");
      }
      const SymbolSet set = ParseSetExpression();
      if (set.complement) {
        throw CompileError(keyword.where, "protect a finite set of symbols, not a complement");
      }
      if (stage.protectedSymbols.empty()) stage.protectWhere = keyword.where;
      for (int32_t s : set.symbols) {
        bool known = false;
        for (int32_t p : stage.protectedSymbols)
          known = known || p == s;
        if (!known) stage.protectedSymbols.push_back(s);
      }
      if (stage.protectedSymbols.size() > 100) {
        throw CompileError(keyword.where, "a stage protects at most 100 symbols");
      }
    } else if (word == "enable" || word == "disable") {
      const Token number = Expect(Tok::kNumber, "a flag mask");
      if (number.number < INT32_MIN || number.number > UINT32_MAX) {
        throw CompileError(number.where, "the mask does not fit 32 bits");
      }
      const auto mask = static_cast<int32_t>(static_cast<uint32_t>(number.number));
      (word == "enable" ? stage.enableMask : stage.disableMask) = mask;
    } else if (word == "prefer") {
      if (stage.kind != StageKind::kRules) {
        throw CompileError(keyword.where, "'prefer' belongs to a stage of rules");
      }
      const Token earlier = Expect(Tok::kName, "'earlier'");
      if (earlier.text != "earlier") {
        throw CompileError(earlier.where,
                           "write 'prefer earlier': of rules that tie, the first "
                           "written wins");
      }
      stage.preferEarlier = true;
    } else if (word == "machine") {
      if (stage.kind != StageKind::kRules) {
        throw CompileError(keyword.where, "'machine' belongs to a stage of rules");
      }
      const Token choice = Expect(Tok::kName, "bimachine, transducer or smaller");
      if (choice.text == "bimachine") {
        stage.machine = MachineChoice::kBimachine;
      } else if (choice.text == "transducer") {
        stage.machine = MachineChoice::kTransducer;
      } else if (choice.text == "smaller") {
        stage.machine = MachineChoice::kSmaller;
      } else {
        throw CompileError(choice.where, "a stage's machine is bimachine, transducer or smaller");
      }
      stage.machineWhere = keyword.where;
    } else if (word == "keep") {
      if (stage.kind != StageKind::kLexicon) {
        throw CompileError(keyword.where, "'keep' belongs to a lexicon");
      }
      stage.lexicon.keep = true;
    } else {  // boundary
      if (stage.kind != StageKind::kLexicon) {
        throw CompileError(keyword.where,
                           "'boundary' belongs to a lexicon; for rules declare "
                           "wordboundary");
      }
      Expect(Tok::kEquals, "'='");
      const SymbolSet set = ParseSetExpression();
      if (set.complement) {
        throw CompileError(keyword.where, "a lexicon's boundary is a finite set of symbols");
      }
      stage.lexicon.boundary = set;
    }
    ExpectEnd();
  }

  void RuleLine() {
    const Token& first = Peek();
    if (source_.isDictionary || source_.stages.empty() ||
        source_.stages.back().kind != StageKind::kRules) {
      throw CompileError(first.where,
                         "rules belong in a stage of rules; start one with "
                         "'stage NAME'");
    }
    std::vector<Rule> rules;
    for (;;) {
      if (IsMapping()) {
        Mapping(rules);
        if (Peek().kind != Tok::kComma) break;
        Take();
        continue;
      }
      Rule rule;
      rule.where = Peek().where;
      RegexPtr match = ParseUnion();
      Expect(Tok::kArrow, "'->'");
      if (match->kind == Regex::Kind::kEpsilon) {
        match = nullptr;
      } else if (Nullable(*match)) {
        throw CompileError(match->where,
                           "the left side matches the empty string; write an "
                           "insertion as \"\" -> ...");
      } else if (HasBoundary(*match)) {
        throw CompileError(match->where,
                           "boundaries belong in contexts, not in the text a "
                           "rule rewrites");
      }
      rule.match = match;
      rule.output = ParseOutput();
      rules.push_back(std::move(rule));
      if (Peek().kind != Tok::kComma) break;
      Take();
    }
    RegexPtr left;
    RegexPtr right;
    if (Peek().kind == Tok::kSlash) {
      Take();
      if (Peek().kind != Tok::kUnderscore) left = ParseUnion();
      Expect(Tok::kUnderscore, "'_' between the contexts");
      if (Peek().kind != Tok::kEnd) right = ParseUnion();
    }
    ExpectEnd();
    for (Rule& rule : rules) {
      rule.left = left;
      rule.right = right;
      source_.stages.back().rules.push_back(std::move(rule));
    }
  }

  // [abc] -> [xyz]: the i-th symbol of the left set becomes the i-th of the right one.
  bool IsMapping() const {
    const auto kind = [&](size_t k) {
      return at_ + k < tokens_->size() ? (*tokens_)[at_ + k].kind : Tok::kEnd;
    };
    const Tok after = kind(3);
    return kind(0) == Tok::kSet && kind(1) == Tok::kArrow && kind(2) == Tok::kSet &&
           (after == Tok::kEnd || after == Tok::kComma || after == Tok::kSlash);
  }

  void Mapping(std::vector<Rule>& rules) {
    const Token from = Take();
    Take();
    const Token to = Take();
    if (from.set.complement || to.set.complement) {
      throw CompileError(from.where, "a mapping pairs two sets written out in full, without '^'");
    }
    if (from.symbols.size() != to.symbols.size()) {
      throw CompileError(to.where, "a mapping needs sets of the same size; the left one has " +
                                       std::to_string(from.symbols.size()) +
                                       " symbols, the "
                                       "right one " +
                                       std::to_string(to.symbols.size()));
    }
    for (size_t i = 0; i < from.symbols.size(); ++i) {
      Rule rule;
      rule.where = from.where;
      rule.match = MakeSet(SymbolSet::Of({from.symbols[i]}), from.where);
      rule.output = {to.symbols[i]};
      rules.push_back(std::move(rule));
    }
  }

  std::vector<int32_t> ParseOutput() {
    std::vector<int32_t> out;
    for (;;) {
      const Token& t = Peek();
      if (t.kind == Tok::kString || t.kind == Tok::kPhonemes || t.kind == Tok::kSymbol) {
        out.insert(out.end(), t.symbols.begin(), t.symbols.end());
        Take();
      } else if (t.kind == Tok::kName) {
        const Token name = Take();
        const RegexPtr regex = NameReference(name);
        auto set = AsSet(*regex);
        if (!set || set->complement || set->symbols.size() != 1) {
          throw CompileError(name.where, "the replacement is a fixed sequence; '" + name.text +
                                             "' is not a single symbol");
        }
        out.push_back(*set->symbols.begin());
      } else if (t.kind == Tok::kEnd || t.kind == Tok::kComma || t.kind == Tok::kSlash) {
        return out;
      } else {
        throw CompileError(t.where,
                           "the replacement is a sequence of strings, phonemes and "
                           "symbols; " +
                               Describe(t) + " does not belong there");
      }
    }
  }

  // ---- expressions ----

  RegexPtr ParseUnion() {
    std::vector<RegexPtr> parts = {ParseDifference()};
    const Location where = parts[0]->where;
    while (Peek().kind == Tok::kBar) {
      Take();
      parts.push_back(ParseDifference());
    }
    return parts.size() == 1 ? parts[0] : MakeNode(Regex::Kind::kUnion, parts, where);
  }

  RegexPtr ParseDifference() {
    RegexPtr left = ParseConcat();
    while (Peek().kind == Tok::kMinus) {
      Take();
      RegexPtr right = ParseConcat();
      left = MakeNode(Regex::Kind::kDifference, {left, right}, left->where);
    }
    return left;
  }

  static bool StartsAtom(Tok kind) {
    return kind == Tok::kName || kind == Tok::kString || kind == Tok::kSet ||
           kind == Tok::kPhonemes || kind == Tok::kSymbol || kind == Tok::kLParen ||
           kind == Tok::kEdge;
  }

  RegexPtr ParseConcat() {
    if (!StartsAtom(Peek().kind)) {
      throw CompileError(Peek().where, "expected an expression, found " + Describe(Peek()));
    }
    std::vector<RegexPtr> parts;
    const Location where = Peek().where;
    while (StartsAtom(Peek().kind))
      parts.push_back(ParsePostfix());
    return parts.size() == 1 ? parts[0] : MakeNode(Regex::Kind::kConcat, parts, where);
  }

  RegexPtr ParsePostfix() {
    RegexPtr atom = ParseAtom();
    for (;;) {
      const Tok kind = Peek().kind;
      if (kind == Tok::kStar) {
        Take();
        atom = MakeNode(Regex::Kind::kStar, {atom}, atom->where);
      } else if (kind == Tok::kPlus) {
        Take();
        atom = MakeNode(Regex::Kind::kPlus, {atom}, atom->where);
      } else if (kind == Tok::kQuestion) {
        Take();
        atom = MakeNode(Regex::Kind::kOptional, {atom}, atom->where);
      } else {
        return atom;
      }
    }
  }

  RegexPtr ParseAtom() {
    const Token t = Take();
    switch (t.kind) {
      case Tok::kString:
      case Tok::kPhonemes:
      case Tok::kSymbol:
        return MakeSequence(t.symbols, t.where);
      case Tok::kSet:
        return MakeSet(t.set, t.where);
      case Tok::kEdge: {
        auto r = std::make_shared<Regex>();
        r->kind = Regex::Kind::kSet;
        r->boundary = Boundary::kEdge;
        r->where = t.where;
        return r;
      }
      case Tok::kLParen: {
        // Each parenthesis is a level of this parser's own recursion.
        if (++parentheses_ > kMaxExpressionDepth) {
          throw CompileError(t.where, "parentheses nest deeper than " +
                                          std::to_string(kMaxExpressionDepth) +
                                          " levels; write the expression flatter");
        }
        RegexPtr inner = ParseUnion();
        Expect(Tok::kRParen, "')'");
        --parentheses_;
        return inner;
      }
      case Tok::kName:
        return NameReference(t);
      default:
        throw CompileError(t.where, "expected an expression, found " + Describe(t));
    }
  }

  RegexPtr NameReference(const Token& t) {
    if (t.text == "WordBoundary" || t.text == "SentenceBoundary") {
      boundaryUsed_ = true;
      auto r = std::make_shared<Regex>();
      r->kind = Regex::Kind::kSet;
      r->boundary = t.text == "WordBoundary" ? Boundary::kWord : Boundary::kSentence;
      r->where = t.where;
      return r;
    }
    if (auto symbol = PredefinedSymbol(t.text)) return MakeSet(SymbolSet::Of({*symbol}), t.where);
    if (auto set = PredefinedSet(t.text)) return MakeSet(*set, t.where);
    const auto it = names_.find(t.text);
    if (it == names_.end()) {
      if (IsKeyword(t.text)) {
        throw CompileError(t.where, "'" + t.text +
                                        "' starts a statement; put it first on its "
                                        "own line");
      }
      if (t.text.size() == 1) {
        throw CompileError(t.where, "unknown name '" + t.text +
                                        "'; characters are written in "
                                        "quotes, e.g. \"" +
                                        t.text + "\"");
      }
      throw CompileError(t.where, "unknown name '" + t.text +
                                      "'; define it with 'class' or "
                                      "'define' before its use");
    }
    if (it->second.kind == Named::Kind::kClass) return MakeSet(it->second.set, t.where);
    return it->second.regex;
  }

  // ---- lexicon files ----

  std::vector<LexiconEntry> ReadLexicon(const std::string& path, const Location& from) {
    // Replacements are parsed with this parser's own token cursor: keep the statement's.
    const std::vector<Token>* savedTokens = tokens_;
    const size_t savedAt = at_;
    std::vector<LexiconEntry> entries =
        ReadLexiconFile(path, from, [&](const std::vector<Token>& tokens) {
          tokens_ = &tokens;
          at_ = 0;
          std::vector<int32_t> replacement = ParseOutput();
          ExpectEnd();
          return replacement;
        });
    tokens_ = savedTokens;
    at_ = savedAt;
    return entries;
  }

  // ---- after the last line ----

  void Finish() {
    const auto checkLexicon = [&](const Stage& stage) {
      const SymbolSet boundary = stage.lexicon.boundary.value_or(source_.wordBoundary);
      for (const LexiconEntry& entry : stage.lexicon.entries) {
        for (int32_t s : entry.word) {
          if (boundary.Contains(s)) {
            throw CompileError(entry.where, "the word holds the boundary symbol " +
                                                FormatSymbols({s}) + "; a word never does");
          }
        }
      }
    };
    for (const Stage& stage : source_.stages) {
      if (stage.kind == StageKind::kLexicon) checkLexicon(stage);
    }
    if (source_.isDictionary) checkLexicon(source_.dictionary);
    if (!source_.isDictionary && source_.stages.empty()) {
      throw CompileError(Location{rootName_, 1, 1},
                         "the source has no stages and no dictionary; add 'stage NAME' lines");
    }
  }

  // ---- tokens ----

  const Token& Peek() const { return (*tokens_)[at_]; }
  Token Take() {
    const Token& t = (*tokens_)[at_];
    if (t.kind != Tok::kEnd) ++at_;
    return t;
  }
  Token Expect(Tok kind, const std::string& what) {
    if (Peek().kind != kind) {
      throw CompileError(Peek().where, "expected " + what + ", found " + Describe(Peek()));
    }
    return Take();
  }
  void ExpectEnd() {
    if (Peek().kind != Tok::kEnd) {
      throw CompileError(Peek().where, "unexpected " + Describe(Peek()) +
                                           " at the end of the "
                                           "statement");
    }
  }

 public:
  std::string rootName_;

 private:
  GrammarSource source_;
  std::map<std::string, Named> names_;
  std::vector<std::string> includeStack_;
  const std::vector<Token>* tokens_ = nullptr;
  size_t at_ = 0;
  bool wordBoundaryDeclared_ = false;
  bool sentenceBoundaryDeclared_ = false;
  bool boundaryUsed_ = false;
  int32_t parentheses_ = 0;
};

}  // namespace

GrammarSource ParseSourceFile(const std::string& path) {
  const std::string text = ReadSourceFile(path, Location{path, 0, 0}, "the grammar source");
  Parser parser;
  parser.rootName_ = path;
  parser.Enter(path);
  return parser.Run(text, path, std::filesystem::path(path).parent_path().string());
}

std::vector<int32_t> ParseSymbolSequence(const std::string& text, const std::string& file, int line,
                                         int column) {
  Parser parser;
  return parser.Sequence(std::string(static_cast<size_t>(column > 1 ? column - 1 : 0), ' ') + text,
                         file, line);
}

GrammarSource ParseSourceText(const std::string& text, const std::string& name,
                              const std::string& directory) {
  Parser parser;
  parser.rootName_ = name;
  return parser.Run(text, name, directory);
}

}  // namespace brelvox::grammarc
