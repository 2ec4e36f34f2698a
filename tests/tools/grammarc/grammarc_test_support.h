// Helpers for the compiler's tests: sources written inline, run through the reference
// interpreter and through the compiled file in the engine's own cascade.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/grammarc/source.h"

namespace brelvox::grammarc::testing {

struct BothWays {
  std::string rules;   // the interpreter's result, in source syntax
  std::string engine;  // the engine's result on the compiled file
};

// Parses `source` (and `dictionary`, a dictionary source, when not empty), compiles it and runs
// each input both ways. Throws CompileError for bad sources.
std::vector<BothWays> RunBothWays(const std::string& source, const std::vector<std::string>& inputs,
                                  int32_t flags = 1, const std::string& dictionary = "");

// The text of a stream as UTF-8 when it holds only characters; otherwise its source syntax.
std::string Text(const std::vector<int32_t>& symbols);

// The message of the CompileError that parsing and compiling `source` throws, or "" when none.
std::string CompileErrorOf(const std::string& source);

// A scratch folder for files the tests write, removed at exit.
std::string ScratchFile(const std::string& name, const std::string& contents);

}  // namespace brelvox::grammarc::testing
