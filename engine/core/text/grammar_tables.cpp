#include "engine/core/text/grammar_tables.h"

#include <cstdlib>

DynArray* ReadCountedTable(ByteReader* reader, int32_t width) {
  int32_t rows = 0;
  int32_t unused = 0;
  if (!ReadInt32(reader, &rows) || !ReadInt32(reader, &unused) || rows < 0) return nullptr;
  const int32_t* data = ViewWords(reader, int64_t{rows} * width);
  return data == nullptr ? nullptr : DynArrayCreateView(data, width, rows);
}

DynArray* ReadCountedList(ByteReader* reader) {
  int32_t words = 0;
  if (!ReadInt32(reader, &words) || words < 0) return nullptr;
  const int32_t* data = ViewWords(reader, words);
  return data == nullptr ? nullptr : DynArrayCreateView(data, 1, words);
}

bool ReadStateTable(ByteReader* reader, int32_t width, StateTable* table) {
  if (!ReadInt32(reader, &table->ignored[0]) || !ReadInt32(reader, &table->ignored[1])) {
    return false;
  }
  table->rows = ReadCountedTable(reader, width);
  return table->rows != nullptr;
}

namespace {

// Each page that holds a symbol of the alphabet gets the classes of all its 256 symbols, found by
// the same search ClassOf would otherwise make, so both ways agree symbol for symbol.
bool BuildClassPages(SymbolAlphabet* alphabet) {
  constexpr int32_t kPageCount = kPagedSymbols / kClassPageSize;
  const DynArray* symbols = alphabet->symbols;
  alphabet->pageOf = static_cast<int32_t*>(std::malloc(kPageCount * sizeof(int32_t)));
  if (alphabet->pageOf == nullptr) return false;
  int32_t used = 0;
  for (int32_t p = 0; p < kPageCount; ++p)
    alphabet->pageOf[p] = -1;
  for (int32_t i = 0; i < symbols->count; ++i) {
    const int32_t s = symbols->data[i];
    if (s < 0 || s >= kPagedSymbols || alphabet->pageOf[s / kClassPageSize] >= 0) continue;
    alphabet->pageOf[s / kClassPageSize] = used++ * kClassPageSize;
  }
  alphabet->pages = static_cast<int32_t*>(
      std::malloc(static_cast<size_t>(used > 0 ? used : 1) * kClassPageSize * sizeof(int32_t)));
  if (alphabet->pages == nullptr) return false;
  for (int32_t p = 0; p < kPageCount; ++p) {
    const int32_t first = alphabet->pageOf[p];
    if (first < 0) continue;
    for (int32_t k = 0; k < kClassPageSize; ++k)
      alphabet->pages[first + k] = SearchClass(*alphabet, p * kClassPageSize + k);
  }
  return true;
}

}  // namespace

bool ReadAlphabet(ByteReader* reader, SymbolAlphabet* alphabet) {
  alphabet->symbols = ReadCountedTable(reader, 1);
  if (alphabet->symbols == nullptr) return false;
  const DynArray* symbols = alphabet->symbols;
  for (int32_t i = 1; i < symbols->count; ++i) {
    if (symbols->data[i - 1] > symbols->data[i]) return false;
  }
  const int32_t minusOne = -1;
  alphabet->catchAll = DynArrayFind(symbols, &minusOne);
  return BuildClassPages(alphabet);
}

void FreeAlphabet(SymbolAlphabet* alphabet) {
  DynArrayRelease(alphabet->symbols);
  std::free(alphabet->pageOf);
  std::free(alphabet->pages);
  alphabet->symbols = nullptr;
  alphabet->pageOf = nullptr;
  alphabet->pages = nullptr;
}

OutputListCheck::OutputListCheck(const DynArray* lists, const SymbolAlphabet& alphabet)
    : ok_(static_cast<size_t>(lists->count), false) {
  const int32_t classes = alphabet.symbols->count;
  // Backwards: a position is fine when it ends a list, or names a class and the rest is fine.
  for (int32_t i = lists->count - 1; i >= 0; --i) {
    const int32_t v = lists->data[i];
    const bool next = i + 1 < lists->count && ok_[static_cast<size_t>(i + 1)];
    ok_[static_cast<size_t>(i)] = v < 0 || (v < classes && next);
  }
}
