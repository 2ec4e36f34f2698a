#include "programs/brelvox/engine_library.h"

#include <vector>

namespace brelvox::command {

std::string DefaultLibraryName() {
  return "BRELVOX.DLL";
}

// The folder of brelvox.exe.
std::string DefaultLibrary() {
  std::vector<char> self(32768);
  const DWORD n = GetModuleFileNameA(nullptr, self.data(), static_cast<DWORD>(self.size()));
  std::string path(self.data(), n);
  return path.substr(0, path.find_last_of("\\/") + 1) + DefaultLibraryName();
}

HRESULT RegisterEngineLibrary(const std::string& library, bool registering, std::string* error) {
  HMODULE module = LoadLibraryExA(library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) {
    *error = "cannot load the engine library " + library + " (error " +
             std::to_string(GetLastError()) + "); is it built for this program's bitness?";
    return E_FAIL;
  }
  auto entry = reinterpret_cast<DllRegisterServerFunction>(reinterpret_cast<void*>(
      GetProcAddress(module, registering ? "DllRegisterServer" : "DllUnregisterServer")));
  if (entry == nullptr) {
    *error = library + " is not a self-registering engine library";
    FreeLibrary(module);
    return E_FAIL;
  }
  const HRESULT hr = entry();
  FreeLibrary(module);
  return hr;
}

}  // namespace brelvox::command
