#include "platform/com/files.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/com/unicode.h"

namespace {

thread_local DWORD t_lastError = 0;

struct Handle {
  enum Kind { kFile, kMapping } kind;
  int fd;
  size_t size;
};

std::mutex g_viewsMutex;
std::map<const void*, size_t> g_views;

DWORD FromErrno(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_INVALID_DATA;
  }
}

Handle* AsHandle(HANDLE h) {
  return (h == nullptr || h == INVALID_HANDLE_VALUE) ? nullptr : static_cast<Handle*>(h);
}

}  // namespace

DWORD GetLastError() {
  return t_lastError;
}
void SetLastError(DWORD code) {
  t_lastError = code;
}

HANDLE CreateFileA(LPCSTR name, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) {
  if (name == nullptr) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(FromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    close(fd);
    return INVALID_HANDLE_VALUE;
  }
  return new Handle{Handle::kFile, fd, static_cast<size_t>(info.st_size)};
}

DWORD GetFileSize(HANDLE file, DWORD* high) {
  Handle* h = AsHandle(file);
  if (h == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  if (high != nullptr) *high = static_cast<DWORD>(static_cast<uint64_t>(h->size) >> 32);
  return static_cast<DWORD>(h->size & 0xFFFFFFFFu);
}

HANDLE CreateFileMappingA(HANDLE file, void*, DWORD, DWORD, DWORD, LPCSTR) {
  Handle* h = AsHandle(file);
  if (h == nullptr || h->kind != Handle::kFile) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (h->size == 0) {
    SetLastError(ERROR_FILE_INVALID);
    return nullptr;
  }
  const int fd = dup(h->fd);
  if (fd < 0) {
    SetLastError(FromErrno(errno));
    return nullptr;
  }
  return new Handle{Handle::kMapping, fd, h->size};
}

void* MapViewOfFile(HANDLE mapping, DWORD, DWORD, DWORD, size_t) {
  Handle* h = AsHandle(mapping);
  if (h == nullptr || h->kind != Handle::kMapping) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* base = mmap(nullptr, h->size, PROT_READ, MAP_PRIVATE, h->fd, 0);
  if (base == MAP_FAILED) {
    SetLastError(FromErrno(errno));
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(g_viewsMutex);
  g_views[base] = h->size;
  return base;
}

BOOL UnmapViewOfFile(const void* base) {
  size_t size = 0;
  {
    std::lock_guard<std::mutex> lock(g_viewsMutex);
    const auto it = g_views.find(base);
    if (it == g_views.end()) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    size = it->second;
    g_views.erase(it);
  }
  munmap(const_cast<void*>(base), size);
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  Handle* h = AsHandle(handle);
  if (h == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  close(h->fd);
  delete h;
  return TRUE;
}

int WideCharToMultiByte(unsigned, DWORD, LPCWSTR text, int length, char* out, int outSize, LPCSTR,
                        BOOL*) {
  if (text == nullptr) return 0;
  if (length < 0) {
    length = 0;
    while (text[length] != 0)
      ++length;
    ++length;  // the terminator counts
  }
  std::string utf8;
  if (!Utf16ToUtf8Exact(std::u16string_view(text, static_cast<size_t>(length)), &utf8)) return 0;
  const int needed = static_cast<int>(utf8.size());
  if (outSize == 0) return needed;
  if (out == nullptr || outSize < needed) return 0;
  std::memcpy(out, utf8.data(), utf8.size());
  return needed;
}

BOOL GetModuleHandleExA(DWORD flags, LPCSTR address, HMODULE* module) {
  if (module == nullptr || (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) == 0) return FALSE;
  Dl_info info{};
  if (dladdr(address, &info) == 0) return FALSE;
  *module = info.dli_fbase;
  return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, char* path, DWORD size) {
  Dl_info info{};
  if (module == nullptr || path == nullptr || size == 0 || dladdr(module, &info) == 0 ||
      info.dli_fname == nullptr) {
    return 0;
  }
  char resolved[4096];
  const char* name = realpath(info.dli_fname, resolved) != nullptr ? resolved : info.dli_fname;
  const size_t length = std::strlen(name);
  if (length + 1 > size) return 0;
  std::memcpy(path, name, length + 1);
  return static_cast<DWORD>(length);
}
