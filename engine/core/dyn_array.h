// Growable array of fixed-width elements made of 32-bit words.
//
// Every sequence in the engine core is a DynArray: symbol streams, character positions, speech
// marks, text items and the tables read from grammar files. An array whose growth factor is -1.0 is
// a read-only view into a loaded file image: it is never appended to or grown, and releasing it
// frees only the record.
#pragma once

#include <cstdint>

struct DynArray {
  int32_t* data;     // element i occupies words [i * width, (i + 1) * width)
  int32_t width;     // words per element
  int32_t capacity;  // elements the storage can hold
  float growth;      // 0.5 for arrays the core creates; kReadOnlyGrowth for views
  int32_t count;     // elements in use
};

inline constexpr float kDefaultGrowth = 0.5f;
inline constexpr float kReadOnlyGrowth = -1.0f;

// The capacity after one growth step: truncate((growth + 1) * capacity) + 1. Returns -1 when the
// result does not fit a signed 32-bit count.
int32_t GrownCapacity(int32_t capacity, float growth);

// Storage for `capacity` rows of `width` words (at least one word), or null when it cannot be
// allocated. Shared by the arrays and the queue.
int32_t* AllocateRows(int32_t width, int32_t capacity);
int32_t* ReallocateRows(int32_t* data, int32_t width, int32_t capacity);

// Allocates the record and width * capacity words; count 0. Returns null when width is not
// positive, capacity is negative or the allocation fails.
DynArray* DynArrayCreate(int32_t width, int32_t capacity, float growth);

// A read-only view of `rows` rows of `width` words at `rows_data` (which must outlive the view).
DynArray* DynArrayCreateView(const int32_t* rows_data, int32_t width, int32_t rows);

inline bool DynArrayIsView(const DynArray* array) {
  return array->growth == kReadOnlyGrowth;
}

// Appends a copy of `element` (width words), growing first when full. Returns the element's index,
// or -1 when the array is a view or cannot grow.
int32_t DynArrayAppend(DynArray* array, const int32_t* element);

// Copies width words into row `index`; no bounds check, count unchanged.
void DynArrayWriteRow(DynArray* array, const int32_t* element, int32_t index);

// Drops the last element and returns its address; it stays readable until the next append.
// The array must not be empty.
const int32_t* DynArrayRemoveLast(DynArray* array);

inline void DynArrayClear(DynArray* array) {
  array->count = 0;
}

// n == 0 grows by the growth rule; otherwise grows to exactly n elements when capacity is below n.
// Returns 0, or -1 when the array is a view or the storage cannot grow.
int32_t DynArrayReserve(DynArray* array, int32_t n);

// Binary search over rows sorted ascending, compared word by word as signed integers.
// Returns the row index or -1.
int32_t DynArrayFind(const DynArray* array, const int32_t* key);

// Frees the storage (not for views) and the record. Null is allowed.
void DynArrayRelease(DynArray* array);

inline int32_t* DynArrayRow(DynArray* array, int32_t index) {
  return array->data + static_cast<int64_t>(index) * array->width;
}
inline const int32_t* DynArrayRow(const DynArray* array, int32_t index) {
  return array->data + static_cast<int64_t>(index) * array->width;
}
