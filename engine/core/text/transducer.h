// A transducer stage: a deterministic machine over symbol classes whose every transition emits a
// list of symbols. Symbols of the catch-all class wait in a queue and come out where a list names
// the catch-all class, so unknown material is copied through, possibly later than it was read.
#pragma once

#include <cstdint>

#include "engine/core/dyn_array.h"
#include "engine/core/text/byte_reader.h"
#include "engine/core/text/grammar_tables.h"
#include "engine/core/text/symbol_queue.h"

struct Transducer {
  StateTable
      transitions;    // rows (check class, next state, output start); row q holds q's final list
  DynArray* outputs;  // class indices, each list ended by a negative word
  int32_t startState;
  SymbolAlphabet alphabet;
};

// Reads one transducer at the reader's position: alphabet, transition table, output lists, start
// state. Returns null, with nothing left allocated, when the data does not fit the image or a state
// the machine can reach lacks a row it will read, or names an output list that does not end inside
// the list table or names a class outside the alphabet.
Transducer* LoadTransducer(ByteReader* reader);
void FreeTransducer(Transducer* transducer);

// Rewrites `input` into `output` (both cleared first, the queue too). Returns whether the final
// state had a final output list.
bool RunTransducer(const Transducer& transducer, const DynArray* input, DynArray* output,
                   SymbolQueue* queue);
