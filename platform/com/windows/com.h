// COM on Windows is ole32's; only the shapes of a server's exports are named here.
#pragma once

#include <objbase.h>

#include "platform/com/windows_types.h"

using DllGetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using DllCanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();
using DllRegisterServerFunction = HRESULT(STDAPICALLTYPE*)();
