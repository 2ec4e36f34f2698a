// The check: every line of a corpus through the reference interpreter and through the compiled
// file as the engine loads and runs it (LoadGrammar, LoadTransducer, RunCascade).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/grammarc/compiler.h"
#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

// The engine's results: the cascade over the grammar file (and the user dictionary file, when
// not empty) for every input. `loaded` is false when the engine refuses a file.
struct EngineRun {
  bool loaded = false;
  std::vector<std::vector<int32_t>> outputs;
};
EngineRun RunEngine(const std::vector<int32_t>& grammarFile,
                    const std::vector<int32_t>& dictionaryFile,
                    const std::vector<std::vector<int32_t>>& inputs, int32_t flags);

struct CheckResult {
  int32_t lines = 0;
  int32_t differences = 0;
  bool engineRefused = false;
};

// Compiles both sources, runs every input both ways and writes a report of every difference.
// A dictionary source alone (grammar == null) is run as the user dictionary of a grammar with a
// single user-dictionary stage. Throws CompileError.
CheckResult CheckCorpus(const GrammarSource* grammar, const GrammarSource* dictionary,
                        const std::vector<std::vector<int32_t>>& inputs, int32_t flags,
                        std::ostream& report);

// Reads a corpus: one input a line, as UTF-8 text; a line starting with '=' holds symbols in
// source syntax instead. Blank lines are skipped. Throws CompileError.
std::vector<std::vector<int32_t>> ReadCorpus(const std::string& path);

}  // namespace brelvox::grammarc
