// Files, read-only mappings, modules and the last error, under their Windows names.
#pragma once

#if defined(_WIN32)
#include "platform/com/windows/files.h"
#else

#include <cstddef>

#include "platform/com/windows_types.h"

using HMODULE = void*;

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
inline constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD FILE_SHARE_READ = 1;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD PAGE_READONLY = 2;
inline constexpr DWORD FILE_MAP_READ = 4;
inline constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS = 4;
inline constexpr unsigned CP_ACP = 0;

DWORD GetLastError();
void SetLastError(DWORD code);

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, void* security, DWORD creation,
                   DWORD flags, HANDLE templateFile);
DWORD GetFileSize(HANDLE file, DWORD* high);
// A mapping of size 0 (an empty file) is refused with ERROR_FILE_INVALID.
HANDLE CreateFileMappingA(HANDLE file, void* security, DWORD protect, DWORD maxHigh, DWORD maxLow,
                          LPCSTR name);
void* MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, size_t bytes);
BOOL UnmapViewOfFile(const void* base);
BOOL CloseHandle(HANDLE handle);

// UTF-16 to the process's narrow code page (UTF-8 here). Returns the bytes written including the
// terminator, or 0 when the text holds a code unit the code page cannot express (an unpaired
// surrogate); with outSize 0 returns the size needed.
int WideCharToMultiByte(unsigned codePage, DWORD flags, LPCWSTR text, int length, char* out,
                        int outSize, LPCSTR defaultChar, BOOL* usedDefault);

// The module (shared library) that holds `address`, with the FROM_ADDRESS flag.
BOOL GetModuleHandleExA(DWORD flags, LPCSTR address, HMODULE* module);
DWORD GetModuleFileNameA(HMODULE module, char* path, DWORD size);
#endif
