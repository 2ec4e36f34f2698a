// The registry on Windows is the system's, in the calling program's view (a 32-bit program sees
// the 32-bit view); registry.h declares the platform's conveniences over it.
#pragma once

#include "platform/com/windows_types.h"
