// sd_brelvox: the BRELVOX output module of speech-dispatcher. The server starts it as
// `sd_brelvox [CONFIGURATION]` and speaks the module protocol on its standard input and output;
// what it logs goes to standard error, which the server keeps in brelvox.log.
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

#include "programs/sd_brelvox/output_module.h"
#include "programs/sd_brelvox/platform_speaker.h"

using namespace brelvox::speechd;

namespace {

void WriteAll(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;  // the server is gone; end of input follows
    done += static_cast<size_t>(n);
  }
}

void LogLine(const std::string& line) {
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
  std::fprintf(stderr, "%s.%03ld sd_brelvox: %s\n", stamp, now.tv_nsec / 1000000, line.c_str());
  std::fflush(stderr);
}

// The configuration the server names; when it names none or one that is not there (a module found
// by the server's own search gets the path of a file nobody installed), the user's, the machine's,
// then the one built beside this program.
std::string FindConfiguration(const char* given) {
  std::vector<std::string> candidates;
  if (given != nullptr) candidates.push_back(given);
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if (config != nullptr && config[0] == '/') {
    candidates.push_back(std::string(config) + "/speech-dispatcher/modules/brelvox.conf");
  } else if (home != nullptr) {
    candidates.push_back(std::string(home) + "/.config/speech-dispatcher/modules/brelvox.conf");
  }
  candidates.push_back("/etc/speech-dispatcher/modules/brelvox.conf");
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    candidates.push_back(
        (self.parent_path() / "../share/brelvox/speech-dispatcher/brelvox.conf").string());
  }
  for (const std::string& path : candidates) {
    if (std::filesystem::is_regular_file(path, ec)) return path;
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  std::string configurationArgument;
  CLI::App app{
      "sd_brelvox: the BRELVOX module of speech-dispatcher; the server starts it. Install "
      "it with brelvox speechd install --user, then: spd-say -o brelvox \"Здравей\""};
  app.add_option("CONFIGURATION", configurationArgument, "the module's brelvox.conf");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::ios::sync_with_stdio(false);
  const std::string configuration =
      FindConfiguration(configurationArgument.empty() ? nullptr : configurationArgument.c_str());
  LogLine(configuration.empty() ? "no brelvox.conf found; reading characters and keys as they are"
                                : "configuration " + configuration);
  OutputModule module(MakePlatformSpeaker(), configuration, WriteAll, LogLine);
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!module.Line(line)) return 0;
  }
  LogLine("end of input; stopping");
  return 0;
}
