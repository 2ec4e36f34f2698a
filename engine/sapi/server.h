// The in-process server: its lock count, the exports by name, the class factory, and registration
// from the registration script and the type library entries.
#pragma once

#include "platform/com/com.h"

// Raised by every live engine object, every LockServer(TRUE) and every reference to the class
// factory beyond the server's own.
void LockModule();
void UnlockModule();
LONG ModuleLockCount();

// The registration script, as kept in the library; %MODULE% stands for the library's path.
extern const char kRegistrationScript[];

// Runs the script in register or unregister mode with %MODULE% replaced by `modulePath`.
HRESULT RunRegistrationScript(const char* script, const char* modulePath, bool registering);

STDAPI DllCanUnloadNow();
STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object);
STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();
