// The cascade: a symbol stream carried through the grammar's stages one after the other.
#pragma once

#include <cstdint>

#include "engine/core/dyn_array.h"
#include "engine/core/text/grammar.h"
#include "engine/core/text/transducer.h"

// Runs every stage the flags select over a copy of `input` (user-dictionary stages only when a
// dictionary is given) and returns the resulting stream, which the caller releases; null only when
// the working storage cannot be allocated.
DynArray* RunCascade(const Grammar& grammar, const Transducer* userDictionary,
                     const DynArray* input, int32_t flags);
