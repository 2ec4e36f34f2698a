// IsBadReadPtr and IsBadWritePtr on Windows are the system's own.
#pragma once

#include "platform/com/windows_types.h"
