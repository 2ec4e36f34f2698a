// A lexicon compiled to a transducer: a trie over the words. Known words are replaced (or, with
// `keep`, followed by their replacement); unknown words and everything between words go through
// the queue unchanged. A word is a maximal run of symbols outside the lexicon's boundary set.
#pragma once

#include <vector>

#include "tools/grammarc/machines.h"
#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

// Throws CompileError when an entry holds one of the stage's protected symbols.
TransducerMachine CompileLexicon(const Lexicon& lexicon, const SymbolSet& boundary,
                                 const Stage& stage);

}  // namespace brelvox::grammarc
