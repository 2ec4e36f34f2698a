// Tests whether memory may be read or written, answered by the kernel rather than assumed: they
// never fault, whatever the pointer.
#pragma once

#if defined(_WIN32)
#include "platform/com/windows/memory_checks.h"
#else

#include <cstddef>

#include "platform/com/windows_types.h"

// Nonzero when any of the `bytes` bytes at `p` cannot be read (or p is null).
BOOL IsBadReadPtr(const void* p, size_t bytes);
// Nonzero when any of the `bytes` bytes at `p` cannot be written (or p is null).
BOOL IsBadWritePtr(void* p, size_t bytes);
#endif
