// What registration does differently on each system: where the registration script is kept, how
// the type library is registered, and how the server's exports are marked.
#pragma once

#include <string>

#include "platform/com/com.h"

#if defined(_WIN32)
// Exported by name through BRELVOX.def.
#define BRELVOX_EXPORT STDAPI
#else
#define BRELVOX_EXPORT extern "C" __attribute__((visibility("default"))) HRESULT
#endif

// The registration script the server runs (%MODULE% stands for the library's path).
std::string RegistrationScript();
// Registers the type library BRELVOXLib for the library at `modulePath`, and removes it.
HRESULT RegisterTypeLibrary(const std::string& modulePath);
HRESULT UnregisterTypeLibrary();
