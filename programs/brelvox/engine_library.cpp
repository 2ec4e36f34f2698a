#include "programs/brelvox/engine_library.h"

#include <dlfcn.h>
#include <unistd.h>

namespace brelvox::command {

std::string DefaultLibraryName() {
  return "libBRELVOX.so";
}

// <bin>/../lib/libBRELVOX.so when it is built there, else the installed one.
std::string DefaultLibrary() {
  char self[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return BRELVOX_INSTALLED_LIBRARY;
  std::string path(self, static_cast<size_t>(n));
  path = path.substr(0, path.find_last_of('/'));
  const std::string built = path.substr(0, path.find_last_of('/')) + "/lib/" + DefaultLibraryName();
  return access(built.c_str(), F_OK) == 0 ? built : BRELVOX_INSTALLED_LIBRARY;
}

HRESULT RegisterEngineLibrary(const std::string& library, bool registering, std::string* error) {
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    *error = "cannot load the engine library " + library + ": " + dlerror();
    return E_FAIL;
  }
  auto entry = reinterpret_cast<DllRegisterServerFunction>(
      dlsym(handle, registering ? "DllRegisterServer" : "DllUnregisterServer"));
  if (entry == nullptr) {
    *error = library + " is not a self-registering engine library";
    return E_FAIL;
  }
  return entry();
}

}  // namespace brelvox::command
