// Runs a function so that a crash inside it (an invalid memory access, a bus error, an arithmetic
// fault) is caught on the calling thread and reported instead of ending the process.
#pragma once

#include "platform/com/windows_types.h"

// S_OK when `body(context)` returned normally, E_FAIL when it crashed. Other threads are not
// affected; a crash elsewhere still ends the process as usual.
HRESULT RunWithExceptionGuard(void (*body)(void* context), void* context);
