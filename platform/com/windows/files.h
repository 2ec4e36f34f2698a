// Files, mappings and modules on Windows are the system's own calls.
#pragma once

#include "platform/com/windows_types.h"
