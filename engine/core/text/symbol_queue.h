// First-in, first-out ring buffer of fixed-width elements made of 32-bit words.
//
// head == tail means empty when `empty` is 1 and full when it is 0. A push onto a full queue prints
// the diagnostic line "DO REALLOC", grows the ring by the array growth rule and keeps the order.
#pragma once

#include <cstdint>

struct SymbolQueue {
  int32_t* data;     // ring storage
  int32_t width;     // words per element
  int32_t capacity;  // elements the ring can hold
  float growth;      // 0.5
  int32_t head;      // index of the oldest element
  int32_t tail;      // index where the next element enters
  int32_t empty;     // 1 when the queue holds nothing
};

// Returns null when width is not positive, capacity is negative or the allocation fails.
SymbolQueue* SymbolQueueCreate(int32_t width, int32_t capacity);

// Returns 0, or -1 when the ring was full and could not grow (the element is then not queued).
int32_t SymbolQueuePush(SymbolQueue* queue, const int32_t* element);

// Removes the oldest element and returns its address; it stays readable until the next push.
// The queue must not be empty.
const int32_t* SymbolQueuePop(SymbolQueue* queue);

inline bool SymbolQueueIsEmpty(const SymbolQueue* queue) {
  return queue->empty != 0;
}

inline void SymbolQueueClear(SymbolQueue* queue) {
  queue->head = 0;
  queue->tail = 0;
  queue->empty = 1;
}

// Frees the storage and the record. Null is allowed.
void SymbolQueueRelease(SymbolQueue* queue);
