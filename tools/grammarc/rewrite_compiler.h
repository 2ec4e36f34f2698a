// A batch of rewrite rules compiled to a bimachine. The rules apply in parallel, left to right,
// longest match first: at each position not yet rewritten, the insertions whose contexts hold
// come out first; then, of the rules whose left side matches there with both contexts holding
// (contexts read the input, never the output), the one with the longest match rewrites it and the
// position moves past the match; when none matches the symbol is copied. An empty stream stays
// empty.
#pragma once

#include "tools/grammarc/machines.h"
#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

struct RewriteStats {
  int32_t rightStatesBuilt = 0;
  int32_t leftStatesBuilt = 0;
};

// Throws CompileError for rules that conflict (two rules rewrite the same text differently) and
// for protected symbols the rules could drop or emit.
BimachineMachine CompileRewriteBatch(const Stage& stage, const GrammarSource& source,
                                     RewriteStats* stats = nullptr);

}  // namespace brelvox::grammarc
