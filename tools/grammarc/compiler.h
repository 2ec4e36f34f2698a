// Compiling a parsed source into the bytes of a grammar file or a user dictionary file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

struct StageReport {
  std::string name;
  int32_t kind = 0;
  int32_t states = 0;    // transducer states, or left + right states of a bimachine
  int64_t rows = 0;      // rows of the packed tables
  int64_t usedRows = 0;  // rows that hold something
  int64_t bytes = 0;
  double seconds = 0;
};

struct CompiledFile {
  std::vector<int32_t> words;  // the file, little-endian words
  std::vector<StageReport> stages;
};

// A grammar file for a grammar source, a user dictionary file for a dictionary source.
// Throws CompileError.
CompiledFile CompileSource(const GrammarSource& source);

// Writes the words little-endian. Returns false when the file cannot be written.
bool WriteFile(const std::string& path, const std::vector<int32_t>& words);

}  // namespace brelvox::grammarc
