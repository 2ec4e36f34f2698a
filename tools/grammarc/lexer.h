// The grammar source's tokens: one line at a time into names, numbers, strings, sets, phoneme
// groups, symbols and punctuation, each with its file, line and column.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

enum class Tok {
  kName,
  kNumber,
  kString,
  kSet,
  kPhonemes,
  kSymbol,
  kArrow,
  kBar,
  kMinus,
  kStar,
  kPlus,
  kQuestion,
  kLParen,
  kRParen,
  kUnderscore,
  kSlash,
  kComma,
  kEquals,
  kEdge,
  kEnd,
};

struct Token {
  Tok kind = Tok::kEnd;
  std::string text;
  std::vector<int32_t> symbols;  // kString, kPhonemes, kSymbol
  SymbolSet set;                 // kSet
  int64_t number = 0;            // kNumber
  Location where;
};

// The token as a message names it.
std::string Describe(const Token& t);

// The tokens of one line, ending with a kEnd token. Throws CompileError.
std::vector<Token> LexLine(const std::string& line, const std::string& file, int lineNumber);

}  // namespace brelvox::grammarc
