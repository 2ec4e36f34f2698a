#include "platform/activation/activation.h"

HRESULT CreateInstanceFromLibrary(const char* libraryPath, REFCLSID clsid, REFIID riid,
                                  void** object) {
  *object = nullptr;
  // Kept loaded for the process, as on Linux.
  HMODULE module = LoadLibraryExA(libraryPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) return E_FAIL;
  auto entry = reinterpret_cast<DllGetClassObjectFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  if (entry == nullptr) return E_FAIL;
  IClassFactory* factory = nullptr;
  HRESULT hr = entry(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(nullptr, riid, object);
  factory->Release();
  return hr;
}
