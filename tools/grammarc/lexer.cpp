#include "tools/grammarc/lexer.h"

#include "engine/core/symbols.h"
#include "tools/grammarc/symbol_text.h"

namespace brelvox::grammarc {

std::string Describe(const Token& t) {
  switch (t.kind) {
    case Tok::kEnd:
      return "the end of the line";
    case Tok::kString:
      return "a string";
    case Tok::kSet:
      return "a set";
    case Tok::kPhonemes:
      return "phonemes";
    default:
      return "'" + t.text + "'";
  }
}

namespace {

bool IsNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsNameChar(char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '_';
}

// Splits one line into tokens.
class Lexer {
 public:
  Lexer(const std::string& line, const std::string& file, int lineNumber)
      : line_(line), file_(file), lineNumber_(lineNumber) {}

  std::vector<Token> Tokens() {
    std::vector<Token> tokens;
    for (;;) {
      while (pos_ < line_.size() &&
             (line_[pos_] == ' ' || line_[pos_] == '\t' || line_[pos_] == '\r'))
        ++pos_;
      Token t;
      t.where = Here();
      if (pos_ >= line_.size() || line_[pos_] == '#') {
        t.kind = Tok::kEnd;
        tokens.push_back(t);
        return tokens;
      }
      tokens.push_back(Next(t));
    }
  }

  // The rest of the line from the current position, raw (for lexicon words).
  size_t position() const { return pos_; }
  void Skip(size_t to) { pos_ = to; }

 private:
  Location Here() const {
    // Columns count characters, not bytes; counted on from the last position asked about, so a
    // long line costs time in proportion to its length.
    if (pos_ < countedTo_) {
      countedTo_ = 0;
      column_ = 1;
    }
    for (; countedTo_ < pos_; ++countedTo_) {
      if ((static_cast<unsigned char>(line_[countedTo_]) & 0xC0) != 0x80) ++column_;
    }
    return Location{file_, lineNumber_, column_};
  }

  [[noreturn]] void Fail(const std::string& message) const { throw CompileError(Here(), message); }

  Token Next(Token& t) {
    const char c = line_[pos_];
    const auto single = [&](Tok kind, size_t length) {
      t.kind = kind;
      t.text = line_.substr(pos_, length);
      pos_ += length;
      return t;
    };
    if (line_.compare(pos_, 2, "->") == 0) return single(Tok::kArrow, 2);
    if (line_.compare(pos_, 3, ".#.") == 0) return single(Tok::kEdge, 3);
    switch (c) {
      case '|':
        return single(Tok::kBar, 1);
      case '-':
        return single(Tok::kMinus, 1);
      case '*':
        return single(Tok::kStar, 1);
      case '+':
        return single(Tok::kPlus, 1);
      case '?':
        return single(Tok::kQuestion, 1);
      case '(':
        return single(Tok::kLParen, 1);
      case ')':
        return single(Tok::kRParen, 1);
      case '/':
        return single(Tok::kSlash, 1);
      case ',':
        return single(Tok::kComma, 1);
      case '=':
        return single(Tok::kEquals, 1);
      case '"':
        return String(t);
      case '[':
        return Set(t);
      case '{':
        return Phonemes(t);
      case '<':
        return NumericSymbol(t);
      default:
        break;
    }
    if (c == '_' && (pos_ + 1 >= line_.size() || !IsNameChar(line_[pos_ + 1]))) {
      return single(Tok::kUnderscore, 1);
    }
    if (IsNameStart(c)) {
      size_t end = pos_;
      while (end < line_.size() && IsNameChar(line_[end]))
        ++end;
      return single(Tok::kName, end - pos_);
    }
    if (c >= '0' && c <= '9') {
      size_t end = pos_;
      while (end < line_.size() && IsNameChar(line_[end]))
        ++end;
      t.text = line_.substr(pos_, end - pos_);
      t.kind = Tok::kNumber;
      t.number = ParseNumber(t.text);
      pos_ = end;
      return t;
    }
    Fail("unexpected character; characters are written in quotes, e.g. \"" + std::string(1, c) +
         "\"");
  }

  int64_t ParseNumber(const std::string& text) const {
    try {
      size_t used = 0;
      const long long value = std::stoll(text, &used, 0);
      if (used != text.size()) throw std::invalid_argument(text);
      return value;
    } catch (const std::exception&) {
      Fail("'" + text + "' is not a number");
    }
  }

  // Reads one (possibly escaped) code point inside a literal; `close` ends the literal.
  uint32_t CodePoint() {
    const auto b = static_cast<unsigned char>(line_[pos_]);
    if (b == '\\') {
      if (pos_ + 1 >= line_.size()) Fail("a backslash ends the line");
      const char e = line_[pos_ + 1];
      pos_ += 2;
      switch (e) {
        case 'n':
          return '\n';
        case 't':
          return '\t';
        case 'r':
          return '\r';
        case 'u': {
          if (pos_ + 4 > line_.size()) Fail("\\u needs four hexadecimal digits");
          const std::string hex = line_.substr(pos_, 4);
          for (char h : hex) {
            if (!std::isxdigit(static_cast<unsigned char>(h))) {
              Fail("\\u needs four hexadecimal digits");
            }
          }
          pos_ += 4;
          return static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
        }
        default:
          return static_cast<unsigned char>(e);
      }
    }
    size_t length = 1;
    if ((b & 0xE0) == 0xC0) length = 2;
    if ((b & 0xF0) == 0xE0) length = 3;
    if ((b & 0xF8) == 0xF0) length = 4;
    const auto symbols = Utf8ToSymbols(std::string_view(line_).substr(pos_, length));
    if (!symbols || symbols->empty()) Fail("the text is not valid UTF-8");
    pos_ += length;
    if (symbols->size() == 2) {
      return 0x10000 + ((static_cast<uint32_t>((*symbols)[0]) - 0xD800) << 10) +
             (static_cast<uint32_t>((*symbols)[1]) - 0xDC00);
    }
    return static_cast<uint32_t>((*symbols)[0]);
  }

  static void AppendCodePoint(std::vector<int32_t>& out, uint32_t cp) {
    std::string utf8;
    AppendUtf8(utf8, cp);
    const auto symbols = Utf8ToSymbols(utf8);
    if (symbols) out.insert(out.end(), symbols->begin(), symbols->end());
  }

  Token String(Token& t) {
    const size_t start = pos_++;
    while (pos_ < line_.size() && line_[pos_] != '"')
      AppendCodePoint(t.symbols, CodePoint());
    if (pos_ >= line_.size()) {
      pos_ = start;
      Fail("the string has no closing quote");
    }
    ++pos_;
    t.kind = Tok::kString;
    t.text = line_.substr(start, pos_ - start);
    return t;
  }

  Token Set(Token& t) {
    const size_t start = pos_++;
    if (pos_ < line_.size() && line_[pos_] == '^') {
      t.set.complement = true;
      ++pos_;
    }
    std::vector<uint32_t> points;
    std::vector<bool> rangeAfter;
    while (pos_ < line_.size() && line_[pos_] != ']') {
      if (line_[pos_] == '-' && !points.empty() && pos_ + 1 < line_.size() &&
          line_[pos_ + 1] != ']') {
        ++pos_;
        const uint32_t from = points.back();
        const uint32_t to = CodePoint();
        if (to < from) Fail("the range ends before it starts");
        if (to - from > 0xFFFF) Fail("the range is too large");
        for (uint32_t cp = from + 1; cp <= to; ++cp)
          points.push_back(cp);
        continue;
      }
      points.push_back(CodePoint());
    }
    if (pos_ >= line_.size()) {
      pos_ = start;
      Fail("the set has no closing ']'");
    }
    ++pos_;
    for (uint32_t cp : points) {
      std::vector<int32_t> symbols;
      AppendCodePoint(symbols, cp);
      if (symbols.size() != 1) {
        pos_ = start;
        Fail("a set holds single symbols; characters beyond U+FFFF are two symbols");
      }
      t.set.symbols.insert(symbols[0]);
      t.symbols.push_back(symbols[0]);  // in the order written, for mappings
    }
    if (t.set.symbols.empty() && !t.set.complement) {
      pos_ = start;
      Fail("the set is empty; write \"\" for the empty string");
    }
    t.kind = Tok::kSet;
    t.text = line_.substr(start, pos_ - start);
    return t;
  }

  Token Phonemes(Token& t) {
    const size_t start = pos_++;
    while (pos_ < line_.size() && line_[pos_] != '}') {
      const char c = line_[pos_];
      if (c != ' ') {
        const auto symbol = PhonemeSymbol(c);
        if (!symbol) Fail(std::string("'") + c + "' is not a phoneme");
        t.symbols.push_back(*symbol);
      }
      ++pos_;
    }
    if (pos_ >= line_.size()) {
      pos_ = start;
      Fail("the phonemes have no closing '}'");
    }
    ++pos_;
    t.kind = Tok::kPhonemes;
    t.text = line_.substr(start, pos_ - start);
    return t;
  }

  Token NumericSymbol(Token& t) {
    const size_t start = pos_;
    const size_t close = line_.find('>', pos_);
    if (close == std::string::npos) Fail("the symbol has no closing '>'");
    ++pos_;
    const std::string text = line_.substr(pos_, close - pos_);
    const int64_t value = ParseNumber(text);
    pos_ = start;
    if (value < 0) Fail("negative symbols are reserved for the engine");
    if (value > INT32_MAX) Fail("the symbol does not fit 32 bits");
    pos_ = close + 1;
    t.kind = Tok::kSymbol;
    t.symbols = {static_cast<int32_t>(value)};
    t.text = line_.substr(start, pos_ - start);
    return t;
  }

  const std::string& line_;
  const std::string& file_;
  int lineNumber_;
  size_t pos_ = 0;
  mutable size_t countedTo_ = 0;
  mutable int column_ = 1;
};

}  // namespace

std::vector<Token> LexLine(const std::string& line, const std::string& file, int lineNumber) {
  return Lexer(line, file, lineNumber).Tokens();
}

}  // namespace brelvox::grammarc
