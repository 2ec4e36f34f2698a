// Lexicon files: one entry a line, the word (raw UTF-8, or a quoted string) and then its
// replacement in source syntax; '#' starts a comment line.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "tools/grammarc/lexer.h"
#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

// A word longer than this is refused: the compiled lexicon spells the part of a word read so far
// at each of its letters, so its size grows with the square of the longest word.
inline constexpr size_t kMaxLexiconWordSymbols = 256;

// Parses the tokens of a replacement (the rest of an entry's line).
using ReplacementParser = std::function<std::vector<int32_t>(const std::vector<Token>&)>;

// The entries sorted by word; a word given twice must have the same replacement. Throws
// CompileError (the file unreadable or not a regular file, a bad word or replacement).
std::vector<LexiconEntry> ReadLexiconFile(const std::string& path, const Location& from,
                                          const ReplacementParser& replacement);

}  // namespace brelvox::grammarc
