#include "engine/core/dyn_array.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr int32_t kMaxCount = std::numeric_limits<int32_t>::max();

// Resizes the storage to hold `capacity` elements; leaves the array untouched on failure.
bool ResizeStorage(DynArray* array, int32_t capacity) {
  int32_t* grown = ReallocateRows(array->data, array->width, capacity);
  if (grown == nullptr) return false;
  array->data = grown;
  array->capacity = capacity;
  return true;
}

bool Grow(DynArray* array) {
  const int32_t capacity = GrownCapacity(array->capacity, array->growth);
  return capacity > 0 && ResizeStorage(array, capacity);
}

}  // namespace

static size_t RowBytes(int32_t width, int32_t capacity) {
  const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(capacity) * 4u;
  return bytes == 0 ? 4u : bytes;
}

int32_t* AllocateRows(int32_t width, int32_t capacity) {
  return static_cast<int32_t*>(std::malloc(RowBytes(width, capacity)));
}

int32_t* ReallocateRows(int32_t* data, int32_t width, int32_t capacity) {
  return static_cast<int32_t*>(std::realloc(data, RowBytes(width, capacity)));
}

int32_t GrownCapacity(int32_t capacity, float growth) {
  const double grown = (static_cast<double>(growth) + 1.0) * capacity;
  if (!(grown >= 0.0) || grown >= static_cast<double>(kMaxCount)) return -1;
  return static_cast<int32_t>(grown) + 1;
}

DynArray* DynArrayCreate(int32_t width, int32_t capacity, float growth) {
  if (width <= 0 || capacity < 0) return nullptr;
  auto* array = static_cast<DynArray*>(std::malloc(sizeof(DynArray)));
  if (array == nullptr) return nullptr;
  array->data = AllocateRows(width, capacity);
  if (array->data == nullptr) {
    std::free(array);
    return nullptr;
  }
  array->width = width;
  array->capacity = capacity;
  array->growth = growth;
  array->count = 0;
  return array;
}

DynArray* DynArrayCreateView(const int32_t* rows_data, int32_t width, int32_t rows) {
  if (width <= 0 || rows < 0) return nullptr;
  auto* array = static_cast<DynArray*>(std::malloc(sizeof(DynArray)));
  if (array == nullptr) return nullptr;
  // A view never writes through its data pointer (DynArrayAppend and DynArrayReserve refuse views).
  array->data = const_cast<int32_t*>(rows_data);
  array->width = width;
  array->capacity = rows;
  array->growth = kReadOnlyGrowth;
  array->count = rows;
  return array;
}

int32_t DynArrayAppend(DynArray* array, const int32_t* element) {
  if (DynArrayIsView(array)) return -1;
  if (array->count >= array->capacity && !Grow(array)) return -1;
  const int32_t index = array->count;
  std::memcpy(DynArrayRow(array, index), element, static_cast<size_t>(array->width) * 4u);
  array->count = index + 1;
  return index;
}

void DynArrayWriteRow(DynArray* array, const int32_t* element, int32_t index) {
  std::memcpy(DynArrayRow(array, index), element, static_cast<size_t>(array->width) * 4u);
}

const int32_t* DynArrayRemoveLast(DynArray* array) {
  array->count -= 1;
  return DynArrayRow(array, array->count);
}

int32_t DynArrayReserve(DynArray* array, int32_t n) {
  if (DynArrayIsView(array) || n < 0) return -1;
  if (n == 0) return Grow(array) ? 0 : -1;
  if (array->capacity >= n) return 0;
  return ResizeStorage(array, n) ? 0 : -1;
}

int32_t DynArrayFind(const DynArray* array, const int32_t* key) {
  const int32_t width = array->width;
  int32_t lo = 0;
  int32_t hi = array->count;
  int32_t mid = (lo + hi) / 2;
  while (mid < array->count && lo <= hi) {
    const int32_t* row = DynArrayRow(array, mid);
    int32_t order = 0;
    for (int32_t w = 0; w < width && order == 0; ++w) {
      if (row[w] < key[w]) order = -1;
      if (row[w] > key[w]) order = 1;
    }
    if (order == 0) return mid;
    if (order < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
    mid = (lo + hi) / 2;
  }
  return -1;
}

void DynArrayRelease(DynArray* array) {
  if (array == nullptr) return;
  if (!DynArrayIsView(array)) std::free(array->data);
  std::free(array);
}
