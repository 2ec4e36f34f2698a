// Activation: creating an object of a registered class from the library its InprocServer32 key
// names. It sits above the registry, which it reads, and the component basics.
#pragma once

#if defined(_WIN32)
#include "platform/activation/windows/activation.h"
#else

#include "platform/com/com.h"

// Creates an object of a registered class: looks up HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32,
// loads that library (kept loaded for the process) and asks its class factory. REGDB_E_CLASSNOTREG
// when the class is not registered, E_FAIL when its library cannot be loaded or lacks the export.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, REFIID riid, void** object);

// The same from a library path given directly.
HRESULT CreateInstanceFromLibrary(const char* libraryPath, REFCLSID clsid, REFIID riid,
                                  void** object);
#endif
