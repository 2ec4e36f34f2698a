#include "tests/support/command_output.h"

#include <sys/wait.h>

#include <cstdio>

namespace brelvox::test {

CommandOutput RunCommand(const std::string& command) {
  CommandOutput r{-1, {}};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return r;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    r.out.append(buffer, n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace brelvox::test
