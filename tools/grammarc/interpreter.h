// The reference interpreter: applies a grammar source to a stream directly from its rules and
// lexicons, without building machines. It defines what the compiled file must do.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

// Runs the stages the flags select, as the engine's cascade does (protected runs hidden and put
// back). `dictionary` is a dictionary source for the user-dictionary stages, or null.
std::vector<int32_t> Interpret(const GrammarSource& grammar, const GrammarSource* dictionary,
                               const std::vector<int32_t>& input, int32_t flags);

// One stage of rules, one lexicon.
std::vector<int32_t> ApplyRules(const Stage& stage, const GrammarSource& source,
                                const std::vector<int32_t>& input);
std::vector<int32_t> ApplyLexicon(const Lexicon& lexicon, const SymbolSet& boundary,
                                  const std::vector<int32_t>& input);

}  // namespace brelvox::grammarc
