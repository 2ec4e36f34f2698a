#include "platform/activation/activation.h"

#include <dlfcn.h>

#include <string>

#include "platform/registry/registry.h"

HRESULT CreateInstanceFromLibrary(const char* libraryPath, REFCLSID clsid, REFIID riid,
                                  void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  // Libraries stay loaded for the life of the process, as in-process servers do.
  void* library = dlopen(libraryPath, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return E_FAIL;
  auto getClassObject =
      reinterpret_cast<DllGetClassObjectFunction>(dlsym(library, "DllGetClassObject"));
  if (getClassObject == nullptr) return E_FAIL;
  IClassFactory* factory = nullptr;
  HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(nullptr, riid, object);
  factory->Release();
  return hr;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  char id[39];
  GuidToString(clsid, id);
  const std::string key = std::string("CLSID\\") + id + "\\InprocServer32";
  std::string path;
  if (!RegGetString(HKEY_CLASSES_ROOT, key.c_str(), "", &path)) return REGDB_E_CLASSNOTREG;
  return CreateInstanceFromLibrary(path.c_str(), clsid, riid, object);
}
