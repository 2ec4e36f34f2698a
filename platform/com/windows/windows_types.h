// On Windows the names and widths are the system's own; what the platform adds beyond them is
// declared here, with the same meaning as on Linux.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, and back; false for a malformed text.
void GuidToString(REFGUID guid, char out[39]);
bool GuidFromString(const char* text, GUID* guid);

// UTF-16 text under the system's character type and the one the engine core and the standard
// library use: the same code units either way.
inline const char16_t* AsUtf16(LPCWSTR text) {
  return reinterpret_cast<const char16_t*>(text);
}
inline LPCWSTR AsWide(const char16_t* text) {
  return reinterpret_cast<LPCWSTR>(text);
}
