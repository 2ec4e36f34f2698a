// A library loaded by path for the process's lifetime, and its exports by name, as each system
// loads libraries.
#pragma once

#if defined(_WIN32)
#include "platform/com/windows_types.h"
namespace brelvox::test {
inline void* LoadTestLibrary(const char* path) {
  return reinterpret_cast<void*>(LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}
template <typename Function>
Function LibraryExport(void* library, const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name)));
}
}  // namespace brelvox::test
#else
#include <dlfcn.h>
namespace brelvox::test {
inline void* LoadTestLibrary(const char* path) {
  return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}
template <typename Function>
Function LibraryExport(void* library, const char* name) {
  return reinterpret_cast<Function>(dlsym(library, name));
}
}  // namespace brelvox::test
#endif
