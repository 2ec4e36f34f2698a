// The registry on Windows is the system's, in the calling program's view (a 32-bit program sees
// the 32-bit view); the platform's conveniences are declared here over it.
#pragma once

#include <string>
#include <vector>

#include "platform/com/windows_types.h"

bool RegGetString(HKEY root, const char* subKey, const char* name, std::string* value);
bool RegGetDword(HKEY root, const char* subKey, const char* name, DWORD* value);
LONG RegSetString(HKEY root, const char* subKey, const char* name, const std::string& value);
LONG RegSetDword(HKEY root, const char* subKey, const char* name, DWORD value);
std::vector<std::string> RegSubkeys(HKEY root, const char* subKey);
bool RegKeyExists(HKEY root, const char* subKey);

// Where the registry lives, for messages.
std::string RegistryFilePath();
// Always empty: the system's registry needs no check of ours.
std::string RegistryProblem();
// "HKEY_LOCAL_MACHINE" and its short form "HKLM" (and the others) to their roots; null if unknown.
HKEY RegistryRootByName(const std::string& name);
