// The building blocks of grammar files: counted tables, counted lists, state tables and symbol
// alphabets, loaded as read-only views into the image, and the checks the loaders share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/dyn_array.h"
#include "engine/core/text/byte_reader.h"

// Symbols below this (characters, markers, phonemes, stress and the grammars' own symbols) find
// their class through pages of 256 classes built at load time; others by binary search.
inline constexpr int32_t kPagedSymbols = 0x13000;
inline constexpr int32_t kClassPageSize = 256;

// Sorted symbols; the class of a symbol is its index, 0 when absent.
struct SymbolAlphabet {
  DynArray* symbols;
  int32_t catchAll;  // index of the symbol -1, or -1 when the alphabet lacks it
  // pageOf[s / 256]: the first entry in `pages` of the page holding symbol s, or -1 when no symbol
  // of the alphabet lies on that page (every symbol there has class 0).
  int32_t* pageOf;
  int32_t* pages;
};

// A state table: two words the engine does not use, then its rows.
struct StateTable {
  int32_t ignored[2];
  DynArray* rows;
};

// Counted table of width w: row count r, an unused word, r x w words. Null when it does not fit.
DynArray* ReadCountedTable(ByteReader* reader, int32_t width);
// Counted list: word count p, p words.
DynArray* ReadCountedList(ByteReader* reader);
bool ReadStateTable(ByteReader* reader, int32_t width, StateTable* table);
// An alphabet must be sorted ascending (the class lookup is a binary search). Reading it also
// builds its class pages; false when it is unsorted or they cannot be allocated.
bool ReadAlphabet(ByteReader* reader, SymbolAlphabet* alphabet);
void FreeAlphabet(SymbolAlphabet* alphabet);

inline int32_t SearchClass(const SymbolAlphabet& alphabet, int32_t symbol) {
  const int32_t index = DynArrayFind(alphabet.symbols, &symbol);
  return index < 0 ? 0 : index;
}

inline int32_t ClassOf(const SymbolAlphabet& alphabet, int32_t symbol) {
  if (static_cast<uint32_t>(symbol) < static_cast<uint32_t>(kPagedSymbols)) {
    const int32_t page = alphabet.pageOf[symbol / kClassPageSize];
    return page < 0 ? 0 : alphabet.pages[page + symbol % kClassPageSize];
  }
  return SearchClass(alphabet, symbol);
}

// Classes a symbol can fall into: every index of the alphabet, and class 0 even when the alphabet
// is empty (unknown symbols get class 0).
inline int32_t ClassCount(const SymbolAlphabet& alphabet) {
  return alphabet.symbols->count > 0 ? alphabet.symbols->count : 1;
}

inline int32_t AlphabetSymbol(const SymbolAlphabet& alphabet, int32_t index) {
  return alphabet.symbols->data[index];
}

// The row of state q on class c in a table: q + c + 1 when that row exists and checks c, else -1.
inline int64_t MatchingRow(const DynArray* rows, int32_t q, int32_t c) {
  const int64_t row = int64_t{q} + c + 1;
  if (row < 0 || row >= rows->count) return -1;
  return DynArrayRow(rows, static_cast<int32_t>(row))[0] == c ? row : -1;
}

// Which positions of an output-list table start a list that ends (at a negative word) inside the
// table and names only classes of the alphabet.
class OutputListCheck {
 public:
  OutputListCheck(const DynArray* lists, const SymbolAlphabet& alphabet);
  // A negative start means "no output" and is always fine.
  bool Fine(int32_t start) const {
    return start < 0 ||
           (start < static_cast<int32_t>(ok_.size()) && ok_[static_cast<size_t>(start)]);
  }

 private:
  std::vector<bool> ok_;
};

// Every state reachable from `start` through the rows of `table`: its matching row on each class
// and, when it lacks a matching row for some class, its catch-all row. A state with a row for
// every class never takes its catch-all row, so a machine without a catch-all class (whose
// "catch-all row" of state q is row q itself) is followed only through its matching rows. Calls
// visit(q, takesCatchAll) once per reachable state; stops and returns false when visit refuses a
// state, a state lies outside the table, or a state lacking a class row has no catch-all row.
template <typename Visit>
bool WalkStates(const DynArray* rows, int32_t start, int32_t classes, int32_t catchAll,
                Visit visit) {
  std::vector<bool> seen(static_cast<size_t>(rows->count), false);
  std::vector<int32_t> pending = {start};
  while (!pending.empty()) {
    const int32_t q = pending.back();
    pending.pop_back();
    const int64_t catchRow = int64_t{q} + catchAll + 1;
    if (q < 0 || q >= rows->count || catchRow < 0 || catchRow >= rows->count) return false;
    if (seen[static_cast<size_t>(q)]) continue;
    seen[static_cast<size_t>(q)] = true;
    bool closed = true;
    for (int32_t c = 0; c < classes; ++c) {
      const int64_t row = MatchingRow(rows, q, c);
      if (row >= 0) {
        pending.push_back(DynArrayRow(rows, static_cast<int32_t>(row))[1]);
      } else {
        closed = false;
      }
    }
    if (!closed) {
      // Without a catch-all class the catch-all row would be the state's own row.
      if (catchAll < 0) return false;
      pending.push_back(DynArrayRow(rows, static_cast<int32_t>(catchRow))[1]);
    }
    if (!visit(q, !closed)) return false;
  }
  return true;
}
