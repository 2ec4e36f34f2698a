#include "engine/sapi/type_library.h"

#include <oleauto.h>

#include <vector>

// On Windows the script is the library's resource REGISTRY 101 and the type library its resource
// TYPELIB 1, registered by the system.
namespace {

// {2F5DEEEA-2397-4DB5-812D-B9868DF3EB7C}
constexpr GUID kTypeLibraryId = {
    0x2F5DEEEA, 0x2397, 0x4DB5, {0x81, 0x2D, 0xB9, 0x86, 0x8D, 0xF3, 0xEB, 0x7C}};
constexpr WORD kRegistryResource = 101;

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

std::string RegistrationScript() {
  const HMODULE module = ThisModule();
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(kRegistryResource), L"REGISTRY");
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return {};
  return std::string(static_cast<const char*>(data), SizeofResource(module, found));
}

HRESULT RegisterTypeLibrary(const std::string&) {
  std::vector<wchar_t> path(MAX_PATH * 4);
  if (GetModuleFileNameW(ThisModule(), path.data(), static_cast<DWORD>(path.size())) == 0) {
    return HRESULT_FROM_WIN32(GetLastError());
  }
  ITypeLib* library = nullptr;
  const HRESULT hr = LoadTypeLibEx(path.data(), REGKIND_REGISTER, &library);
  if (library != nullptr) library->Release();
  return hr;
}

HRESULT UnregisterTypeLibrary() {
#if defined(_WIN64)
  constexpr SYSKIND kKind = SYS_WIN64;
#else
  constexpr SYSKIND kKind = SYS_WIN32;
#endif
  const HRESULT hr = UnRegisterTypeLib(kTypeLibraryId, 1, 0, LANG_NEUTRAL, kKind);
  return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED ? S_OK : hr;
}
