#include <cstdio>
#include <cstring>

#include "platform/com/windows_types.h"

void GuidToString(REFGUID g, char out[39]) {
  std::snprintf(out, 39, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
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
