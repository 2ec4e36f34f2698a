#include "platform/com/com.h"

#include <atomic>
#include <cstdlib>

void* CoTaskMemAlloc(size_t bytes) {
  return std::malloc(bytes == 0 ? 1 : bytes);
}
void CoTaskMemFree(void* memory) {
  std::free(memory);
}

LONG InterlockedIncrement(volatile LONG* value) {
  return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
}
LONG InterlockedDecrement(volatile LONG* value) {
  return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
}
