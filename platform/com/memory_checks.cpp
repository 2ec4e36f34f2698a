#include "platform/com/memory_checks.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Reads the memory through the kernel on behalf of this process: an unreadable page fails the call
// with EFAULT instead of faulting.
bool Readable(const void* p, size_t bytes) {
  std::vector<unsigned char> copy(bytes);
  iovec local{copy.data(), bytes};
  iovec remote{const_cast<void*>(p), bytes};
  const ssize_t got = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
  if (got == static_cast<ssize_t>(bytes)) return true;
  if (got >= 0 || errno != ENOSYS) return false;
  // Without process_vm_readv, a write of the bytes into a pipe answers the same question.
  int fds[2];
  if (pipe(fds) != 0) return false;
  const bool ok = write(fds[1], p, bytes) == static_cast<ssize_t>(bytes);
  close(fds[0]);
  close(fds[1]);
  return ok;
}

// Whether every byte of [p, p + bytes) lies in a writable mapping of this process.
bool Writable(void* p, size_t bytes) {
  FILE* maps = std::fopen("/proc/self/maps", "r");
  if (maps == nullptr) return false;
  uintptr_t at = reinterpret_cast<uintptr_t>(p);
  const uintptr_t end = at + bytes;
  char line[512];
  bool covered = false;
  while (!covered && std::fgets(line, sizeof line, maps) != nullptr) {
    unsigned long start = 0, stop = 0;
    char perms[5] = {};
    if (std::sscanf(line, "%lx-%lx %4s", &start, &stop, perms) != 3) continue;
    if (at >= start && at < stop) {
      if (perms[1] != 'w') break;
      at = stop;
      covered = at >= end;
    }
  }
  std::fclose(maps);
  return covered;
}

}  // namespace

BOOL IsBadReadPtr(const void* p, size_t bytes) {
  if (p == nullptr) return TRUE;
  if (bytes == 0) return FALSE;
  return Readable(p, bytes) ? FALSE : TRUE;
}

BOOL IsBadWritePtr(void* p, size_t bytes) {
  if (p == nullptr) return TRUE;
  if (bytes == 0) return FALSE;
  return Writable(p, bytes) ? FALSE : TRUE;
}
