// A bimachine stage: every symbol is rewritten by its context on both sides. A right automaton
// reads the stream from the end back to each symbol, a left automaton from the start up to it; the
// pair of states and the symbol's class pick the symbol's output list (possibly empty).
#pragma once

#include <cstdint>

#include "engine/core/dyn_array.h"
#include "engine/core/text/byte_reader.h"
#include "engine/core/text/grammar_tables.h"

struct Bimachine {
  int32_t leftStart;
  int32_t rightStart;
  StateTable left;    // rows (check class, next state)
  StateTable right;   // rows (check class, next state, pair start, pair count)
  DynArray* outputs;  // class indices, each list ended by a negative word
  DynArray* pairs;    // rows (left state, output start), sorted by left state within each range
  SymbolAlphabet alphabet;
};

inline constexpr int32_t kDefaultPairState = -2;

// Reads one bimachine at the reader's position: alphabet, output lists, left table, left start,
// right table, right start, output pairs. Returns null, with nothing left allocated, when the data
// does not fit the image, a reachable state lacks its catch-all row, a pair range of a reachable
// row leaves the pair table, or one of its pairs does not start an output list that ends inside
// the list table and names only classes of the alphabet.
Bimachine* LoadBimachine(ByteReader* reader);
void FreeBimachine(Bimachine* bimachine);

// The output start of the pair for `leftState` in pairs [start, start + count): the exact pair,
// else the range's default pair (left state -2) at its start, else -1.
int32_t LookupPair(const Bimachine& bimachine, int32_t start, int32_t count, int32_t leftState);

// Rewrites `input` into `output` (both cleared first); `stack` is scratch for the right states.
void RunBimachine(const Bimachine& bimachine, const DynArray* input, DynArray* output,
                  DynArray* stack);
