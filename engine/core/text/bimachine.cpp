#include "engine/core/text/bimachine.h"

#include <cstdlib>

namespace {

constexpr int32_t kNoPair = -1;

bool RangeFits(const Bimachine& b, const int32_t* row, const OutputListCheck& lists) {
  const int32_t start = row[2];
  const int32_t count = row[3];
  if (count <= 0) return true;  // an empty range is never read
  if (start < 0 || int64_t{start} + count > b.pairs->count) return false;
  for (int32_t p = start; p < start + count; ++p) {
    const int32_t output = DynArrayRow(b.pairs, p)[1];
    if (output < 0 || !lists.Fine(output)) return false;
  }
  return true;
}

bool Works(const Bimachine& b) {
  const int32_t classes = ClassCount(b.alphabet);
  const int32_t catchAll = b.alphabet.catchAll;
  const OutputListCheck lists(b.outputs, b.alphabet);
  const DynArray* right = b.right.rows;
  const bool rightWorks = WalkStates(right, b.rightStart, classes, catchAll, [&](int32_t r, bool) {
    // The left pass reads the pair range of the catch-all row whenever a matching row gives no
    // pair, so that range must fit even for a state with a row for every class.
    const int64_t catchRow = int64_t{r} + catchAll + 1;
    if (!RangeFits(b, DynArrayRow(right, static_cast<int32_t>(catchRow)), lists)) return false;
    for (int32_t c = 0; c < classes; ++c) {
      const int64_t row = MatchingRow(right, r, c);
      if (row >= 0 && !RangeFits(b, DynArrayRow(right, static_cast<int32_t>(row)), lists)) {
        return false;
      }
    }
    return true;
  });
  return rightWorks && WalkStates(b.left.rows, b.leftStart, classes, catchAll,
                                  [](int32_t, bool) { return true; });
}

// The row a state takes on class c: its matching row, else its catch-all row.
const int32_t* Step(const DynArray* rows, int32_t q, int32_t c, int32_t catchAll) {
  int64_t row = MatchingRow(rows, q, c);
  if (row < 0) row = int64_t{q} + catchAll + 1;
  return DynArrayRow(rows, static_cast<int32_t>(row));
}

// The output start of the first pair of a catch-all row, or kNoPair when its range is empty.
int32_t FirstPair(const Bimachine& b, const int32_t* catchRow) {
  return catchRow[3] > 0 ? DynArrayRow(b.pairs, catchRow[2])[1] : kNoPair;
}

}  // namespace

Bimachine* LoadBimachine(ByteReader* reader) {
  auto* b = static_cast<Bimachine*>(std::calloc(1, sizeof(Bimachine)));
  if (b == nullptr) return nullptr;
  const bool read = ReadAlphabet(reader, &b->alphabet) &&
                    (b->outputs = ReadCountedList(reader)) != nullptr &&
                    ReadStateTable(reader, 2, &b->left) && ReadInt32(reader, &b->leftStart) &&
                    ReadStateTable(reader, 4, &b->right) && ReadInt32(reader, &b->rightStart) &&
                    (b->pairs = ReadCountedTable(reader, 2)) != nullptr;
  if (!read || !Works(*b)) {
    FreeBimachine(b);
    return nullptr;
  }
  return b;
}

void FreeBimachine(Bimachine* bimachine) {
  if (bimachine == nullptr) return;
  DynArrayRelease(bimachine->left.rows);
  DynArrayRelease(bimachine->right.rows);
  DynArrayRelease(bimachine->outputs);
  DynArrayRelease(bimachine->pairs);
  FreeAlphabet(&bimachine->alphabet);
  std::free(bimachine);
}

int32_t LookupPair(const Bimachine& b, int32_t start, int32_t count, int32_t leftState) {
  if (count <= 0) return kNoPair;
  int32_t lo = start;
  int32_t hi = start + count - 1;
  while (lo <= hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    const int32_t* pair = DynArrayRow(b.pairs, mid);
    if (pair[0] == leftState) return pair[1];
    if (pair[0] < leftState) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  const int32_t* first = DynArrayRow(b.pairs, start);
  return first[0] == kDefaultPairState ? first[1] : kNoPair;
}

void RunBimachine(const Bimachine& b, const DynArray* input, DynArray* output, DynArray* stack) {
  DynArrayClear(stack);
  DynArrayClear(output);
  // Reserving 0 would grow the stack (that is what a reserve of 0 means), and a cascade of stages
  // over an empty stream would multiply its size stage after stage.
  if (input->count > 0) DynArrayReserve(stack, input->count);
  const int32_t catchAll = b.alphabet.catchAll;
  const DynArray* right = b.right.rows;

  int32_t r = b.rightStart;
  for (int32_t i = input->count - 1; i >= 0; --i) {
    const int32_t c = ClassOf(b.alphabet, input->data[i]);
    DynArrayAppend(stack, &r);
    r = Step(right, r, c, catchAll)[1];
  }

  int32_t l = b.leftStart;
  for (int32_t i = 0; i < input->count; ++i) {
    const int32_t s = input->data[i];
    const int32_t c = ClassOf(b.alphabet, s);
    const int32_t* leftRow = Step(b.left.rows, l, c, catchAll);
    r = *DynArrayRemoveLast(stack);
    const int32_t* catchRow = DynArrayRow(right, r + catchAll + 1);
    const int64_t row = MatchingRow(right, r, c);
    const int32_t* rightRow = row >= 0 ? DynArrayRow(right, static_cast<int32_t>(row)) : nullptr;
    int32_t start;
    if (rightRow != nullptr && rightRow[3] != 0) {
      start = rightRow[3] == -1 ? kNoPair : LookupPair(b, rightRow[2], rightRow[3], l);
      if (start == kNoPair) start = FirstPair(b, catchRow);
    } else {
      start = LookupPair(b, catchRow[2], catchRow[3], l);
    }
    if (start == kNoPair) {
      // No pair answers this context: the symbol stays as it is.
      DynArrayAppend(output, &s);
    } else {
      for (const int32_t* v = b.outputs->data + start; *v >= 0; ++v) {
        const int32_t symbol = *v == catchAll ? s : AlphabetSymbol(b.alphabet, *v);
        DynArrayAppend(output, &symbol);
      }
    }
    l = leftRow[1];
  }
}
