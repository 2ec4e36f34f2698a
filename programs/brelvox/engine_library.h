// The engine library beside this program and its self-registration, as each system loads a
// library.
#pragma once

#include <string>

#include "platform/com/com.h"

namespace brelvox::command {

// The library's file name and its full path as it is built beside this program.
std::string DefaultLibraryName();
std::string DefaultLibrary();

// Loads the library and calls its DllRegisterServer (or DllUnregisterServer) as regsvr32 does;
// its answer, or a sentence in `error` when the library cannot be loaded or lacks the export.
HRESULT RegisterEngineLibrary(const std::string& library, bool registering, std::string* error);

}  // namespace brelvox::command
