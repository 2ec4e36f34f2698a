// Activation on Windows is ole32's: an object of a registered class, created in this process from
// the library its InprocServer32 key names in this program's registry view.
#pragma once

#include "platform/com/com.h"

inline HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, REFIID riid, void** object) {
  return ::CoCreateInstance(clsid, outer, CLSCTX_INPROC_SERVER, riid, object);
}

// The same from a library path given directly.
HRESULT CreateInstanceFromLibrary(const char* libraryPath, REFCLSID clsid, REFIID riid,
                                  void** object);
