#include "platform/com/com.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

void GuidToString(REFGUID g, char out[39]) {
  std::snprintf(out, 39, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2,
                g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5],
                g.Data4[6], g.Data4[7]);
}

bool GuidFromString(const char* text, GUID* guid) {
  if (text == nullptr || std::strlen(text) != 38) return false;
  unsigned parts[11];
  char tail = 0;
  const int read = std::sscanf(text, "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}%c", &parts[0],
                               &parts[1], &parts[2], &parts[3], &parts[4], &parts[5], &parts[6],
                               &parts[7], &parts[8], &parts[9], &parts[10], &tail);
  if (read != 11) return false;
  guid->Data1 = parts[0];
  guid->Data2 = static_cast<uint16_t>(parts[1]);
  guid->Data3 = static_cast<uint16_t>(parts[2]);
  for (int i = 0; i < 8; ++i)
    guid->Data4[i] = static_cast<uint8_t>(parts[3 + i]);
  return true;
}

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
