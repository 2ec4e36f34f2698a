// The platform's registry: keys and typed values under the roots HKEY_CLASSES_ROOT,
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, kept in two stores. The machine's store holds
// HKEY_LOCAL_MACHINE and the machine's classes in /var/lib/brelvox/registry.txt (0755, 0644),
// written by root alone; the user's store holds HKEY_CURRENT_USER in $XDG_CONFIG_HOME/brelvox/
// (else ~/.config/brelvox/), private to the user (0700, 0600). HKEY_CLASSES_ROOT is the user's
// classes (HKEY_CURRENT_USER\Software\Classes) over the machine's. A process that does not write
// the machine's store (any but root's) writes HKEY_LOCAL_MACHINE into its user's virtual store
// (HKEY_CURRENT_USER\Software\Classes\VirtualStore\MACHINE), which its later reads see first,
// and its classes into the user's own: what one user changes reaches that user's programs alone.
// With $BRELVOX_REGISTRY both stores live in that one private folder (the machine's in machine/).
// Every change reads, edits and atomically replaces a store's file under an exclusive lock, so
// concurrent writers lose nothing and a crash leaves either the old or the new file. Key and value
// names are compared without regard to case. A store other users could change is refused; a
// process reads a file again only when it has changed.
#pragma once

#if defined(_WIN32)
#include "platform/registry/windows/registry.h"
#else
#include "platform/com/windows_types.h"

struct RegistryKey;
using HKEY = RegistryKey*;
using REGSAM = DWORD;

extern HKEY const HKEY_CLASSES_ROOT;
extern HKEY const HKEY_CURRENT_USER;
extern HKEY const HKEY_LOCAL_MACHINE;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// The Windows calls, with their results (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA,
// ...).
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, char* keyClass, DWORD options,
                     REGSAM access, void* security, HKEY* result, DWORD* disposition);
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegCloseKey(HKEY key);
LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);
LONG RegQueryValueExA(HKEY key, LPCSTR name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
LONG RegDeleteValueA(HKEY key, LPCSTR name);
// Deletes a key that has no subkeys.
LONG RegDeleteKeyA(HKEY key, LPCSTR subKey);
// Deletes a key with everything below it.
LONG RegDeleteTreeA(HKEY key, LPCSTR subKey);
// The name of the index-th subkey (in name order).
LONG RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD nameSize);
#endif

#include <string>
#include <vector>

// Conveniences for the platform's own tools.
bool RegGetString(HKEY root, const char* subKey, const char* name, std::string* value);
bool RegGetDword(HKEY root, const char* subKey, const char* name, DWORD* value);
LONG RegSetString(HKEY root, const char* subKey, const char* name, const std::string& value);
LONG RegSetDword(HKEY root, const char* subKey, const char* name, DWORD value);
std::vector<std::string> RegSubkeys(HKEY root, const char* subKey);
bool RegKeyExists(HKEY root, const char* subKey);

// A registry file's text as a writer would rewrite it: what it could parse, in the file's own
// format (for tests and fuzzing: rewriting that again changes nothing).
std::string ReformatRegistryText(const std::string& text);

// The file of the user's store, and of the machine's (on Windows, the words "the Windows
// registry"), for messages.
std::string RegistryFilePath();
std::string MachineRegistryFilePath();
// The file a change under `root` goes to for this process.
std::string RegistryWriteFilePath(HKEY root);
// Which store a value is read from, as a phrase with its file ("the machine's registry
// /var/lib/brelvox/registry.txt", "your virtual store of the machine's registry in ..."); empty
// when there is no such value.
std::string RegValueStore(HKEY root, const char* subKey, const char* name);
// Empty, or one sentence saying why the registry is not used (a registry file or folder that
// other users can change, or no home folder); every call of a process that meets such a registry
// also says it once on standard error.
std::string RegistryProblem();
// "HKEY_LOCAL_MACHINE" and its short form "HKLM" (and the others) to their roots; null if unknown.
HKEY RegistryRootByName(const std::string& name);
