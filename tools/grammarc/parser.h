// Reading grammar sources: one statement a line, '#' comments, includes, class and expression
// definitions, stages with their rules or lexicons. Errors carry file, line and column.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

// Reads the source at `path` and everything it includes. Throws CompileError.
GrammarSource ParseSourceFile(const std::string& path);
// Reads a source held in memory; `name` stands for its file in messages, and includes and lexicon
// files are looked up relative to `directory`.
GrammarSource ParseSourceText(const std::string& text, const std::string& name,
                              const std::string& directory = ".");

// A sequence of symbols in source syntax ("text", {phonemes}, <n>, names of single symbols), as
// written on one line; `column` is where `text` starts on that line.
std::vector<int32_t> ParseSymbolSequence(const std::string& text, const std::string& file, int line,
                                         int column = 1);

}  // namespace brelvox::grammarc
