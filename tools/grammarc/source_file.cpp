#include "tools/grammarc/source_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace brelvox::grammarc {

std::string ReadSourceFile(const std::string& path, const Location& from, const std::string& what) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    throw CompileError(from, "cannot read " + what + " '" + path + "' (" + std::strerror(errno) +
                                 "); check the file name");
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    throw CompileError(from, what + " '" + path + "' is not a regular file; name a file");
  }
  if (st.st_size > kMaxSourceFileBytes) {
    close(fd);
    throw CompileError(from, what + " '" + path + "' is larger than " +
                                 std::to_string(kMaxSourceFileBytes >> 20) +
                                 " MB; split it or check the file name");
  }
  std::string text(static_cast<size_t>(st.st_size), '\0');
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = read(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const std::string reason = n < 0 ? std::strerror(errno) : "it became shorter";
      close(fd);
      throw CompileError(from,
                         "cannot read " + what + " '" + path + "' to its end (" + reason + ")");
    }
    done += static_cast<size_t>(n);
  }
  close(fd);
  return text;
}

}  // namespace brelvox::grammarc
