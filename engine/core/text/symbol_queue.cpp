#include "engine/core/text/symbol_queue.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/core/dyn_array.h"

namespace {

int32_t* Slot(SymbolQueue* queue, int32_t index) {
  return queue->data + static_cast<int64_t>(index) * queue->width;
}

// Grows a full ring and moves the elements from head to the old end up to the new end, so that
// the oldest element is still at head and the order is kept.
bool Grow(SymbolQueue* queue) {
  const int32_t old_capacity = queue->capacity;
  const int32_t new_capacity = GrownCapacity(old_capacity, queue->growth);
  if (new_capacity <= 0) return false;
  const size_t row_bytes = static_cast<size_t>(queue->width) * 4u;
  int32_t* grown = ReallocateRows(queue->data, queue->width, new_capacity);
  if (grown == nullptr) return false;
  queue->data = grown;
  const int32_t shift = new_capacity - old_capacity;
  std::memmove(Slot(queue, queue->head + shift), Slot(queue, queue->head),
               static_cast<size_t>(old_capacity - queue->head) * row_bytes);
  queue->capacity = new_capacity;
  // An empty ring of capacity 0 has no elements to move; head and tail stay together at 0.
  if (old_capacity > 0) queue->head += shift;
  return true;
}

}  // namespace

SymbolQueue* SymbolQueueCreate(int32_t width, int32_t capacity) {
  if (width <= 0 || capacity < 0) return nullptr;
  auto* queue = static_cast<SymbolQueue*>(std::malloc(sizeof(SymbolQueue)));
  if (queue == nullptr) return nullptr;
  queue->data = AllocateRows(width, capacity);
  if (queue->data == nullptr) {
    std::free(queue);
    return nullptr;
  }
  queue->width = width;
  queue->capacity = capacity;
  queue->growth = kDefaultGrowth;
  SymbolQueueClear(queue);
  return queue;
}

int32_t SymbolQueuePush(SymbolQueue* queue, const int32_t* element) {
  const bool full = queue->capacity == 0 || (queue->head == queue->tail && queue->empty == 0);
  if (full) {
    std::fputs("DO REALLOC\n", stdout);
    if (!Grow(queue)) return -1;
  }
  std::memcpy(Slot(queue, queue->tail), element, static_cast<size_t>(queue->width) * 4u);
  queue->tail += 1;
  if (queue->tail == queue->capacity) queue->tail = 0;
  queue->empty = 0;
  return 0;
}

const int32_t* SymbolQueuePop(SymbolQueue* queue) {
  const int32_t* element = Slot(queue, queue->head);
  queue->head += 1;
  if (queue->head == queue->capacity) queue->head = 0;
  if (queue->head == queue->tail) queue->empty = 1;
  return element;
}

void SymbolQueueRelease(SymbolQueue* queue) {
  if (queue == nullptr) return;
  std::free(queue->data);
  std::free(queue);
}
