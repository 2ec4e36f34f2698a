// A user dictionary compiled from entries held in memory, for programs that edit a user's own
// pronunciations and must not write a dictionary source first.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

struct DictionaryEntry {
  std::vector<int32_t> word;
  std::vector<int32_t> replacement;
};

// The words of a user dictionary file: a lexicon of the entries over the given boundary set, the
// word replaced by its replacement (or, with `keep`, followed by it). No entries gives a
// dictionary that changes nothing. Throws CompileError for an empty word, a word that holds a
// boundary symbol, or a word given twice with different replacements.
std::vector<int32_t> CompileUserDictionary(const std::vector<DictionaryEntry>& entries,
                                           const SymbolSet& boundary, bool keep = false);

}  // namespace brelvox::grammarc
