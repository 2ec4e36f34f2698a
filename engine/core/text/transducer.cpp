#include "engine/core/text/transducer.h"

#include <cstdlib>

namespace {

bool Works(const Transducer& t) {
  const DynArray* rows = t.transitions.rows;
  const OutputListCheck lists(t.outputs, t.alphabet);
  return WalkStates(
      rows, t.startState, ClassCount(t.alphabet), t.alphabet.catchAll,
      [&](int32_t q, bool takesCatchAll) {
        // The state's own row holds its final list; every row it can take emits a list.
        if (!lists.Fine(DynArrayRow(rows, q)[1])) return false;
        const int64_t catchRow = int64_t{q} + t.alphabet.catchAll + 1;
        if (takesCatchAll && !lists.Fine(DynArrayRow(rows, static_cast<int32_t>(catchRow))[2])) {
          return false;
        }
        for (int32_t c = 0; c < ClassCount(t.alphabet); ++c) {
          const int64_t row = MatchingRow(rows, q, c);
          if (row >= 0 && !lists.Fine(DynArrayRow(rows, static_cast<int32_t>(row))[2])) {
            return false;
          }
        }
        return true;
      });
}

// Emits the list at `start`. A catch-all entry emits the oldest queued symbol; with the queue empty
// it emits the symbol -1 at the end of the input and nothing during the pass.
void EmitList(const Transducer& t, int32_t start, DynArray* output, SymbolQueue* queue,
              bool final) {
  if (start < 0) return;
  const int32_t catchAll = t.alphabet.catchAll;
  for (const int32_t* v = t.outputs->data + start; *v >= 0; ++v) {
    int32_t symbol;
    if (*v == catchAll) {
      if (!SymbolQueueIsEmpty(queue)) {
        symbol = *SymbolQueuePop(queue);
      } else if (final) {
        symbol = AlphabetSymbol(t.alphabet, catchAll);
      } else {
        continue;
      }
    } else {
      symbol = AlphabetSymbol(t.alphabet, *v);
    }
    DynArrayAppend(output, &symbol);
  }
}

}  // namespace

Transducer* LoadTransducer(ByteReader* reader) {
  auto* t = static_cast<Transducer*>(std::calloc(1, sizeof(Transducer)));
  if (t == nullptr) return nullptr;
  const bool read =
      ReadAlphabet(reader, &t->alphabet) && ReadStateTable(reader, 3, &t->transitions) &&
      (t->outputs = ReadCountedList(reader)) != nullptr && ReadInt32(reader, &t->startState);
  if (!read || !Works(*t)) {
    FreeTransducer(t);
    return nullptr;
  }
  return t;
}

void FreeTransducer(Transducer* transducer) {
  if (transducer == nullptr) return;
  DynArrayRelease(transducer->transitions.rows);
  DynArrayRelease(transducer->outputs);
  FreeAlphabet(&transducer->alphabet);
  std::free(transducer);
}

bool RunTransducer(const Transducer& t, const DynArray* input, DynArray* output,
                   SymbolQueue* queue) {
  SymbolQueueClear(queue);
  DynArrayClear(output);
  const DynArray* rows = t.transitions.rows;
  const int32_t catchAll = t.alphabet.catchAll;
  int32_t q = t.startState;
  for (int32_t i = 0; i < input->count; ++i) {
    const int32_t s = input->data[i];
    const int32_t c = ClassOf(t.alphabet, s);
    int64_t row = MatchingRow(rows, q, c);
    if (row >= 0) {
      if (c == catchAll && s != -1) SymbolQueuePush(queue, &s);
    } else {
      row = int64_t{q} + catchAll + 1;
      SymbolQueuePush(queue, &s);
    }
    const int32_t* taken = DynArrayRow(rows, static_cast<int32_t>(row));
    q = taken[1];
    EmitList(t, taken[2], output, queue, false);
  }
  const int32_t final = DynArrayRow(rows, q)[1];
  if (final < 0) return false;
  EmitList(t, final, output, queue, true);
  return true;
}
