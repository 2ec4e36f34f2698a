// Running a program the way a user does, for the tests of command-line programs.
#pragma once

#include <string>

namespace brelvox::test {

struct CommandOutput {
  int status;       // the exit status, -1 when the program did not exit normally
  std::string out;  // standard output and standard error together
};

// Runs `command` through the shell with standard error joined to standard output.
CommandOutput RunCommand(const std::string& command);

}  // namespace brelvox::test
