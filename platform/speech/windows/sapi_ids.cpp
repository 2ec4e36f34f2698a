// The format id the system's sapi.h declares without a library that defines it.
#include "platform/speech/sapi.h"

extern "C" const GUID SPDFID_WaveFormatEx = {
    0xC31ADBAE, 0x527F, 0x4FF5, {0xA2, 0x30, 0xF6, 0x2B, 0xB6, 0x1F, 0xF7, 0x0C}};
