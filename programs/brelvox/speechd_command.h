// `brelvox speechd install [--user]`: puts the speech-dispatcher module sd_brelvox and its
// brelvox.conf where speech-dispatcher finds them, for the user or for the machine; `uninstall`
// takes them away again.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace brelvox::command {

struct SpeechdOptions {
  bool install = true;  // false: uninstall
  bool user = false;
  std::string root;    // machine install under this folder instead of / (for packages)
  std::string module;  // default: sd_brelvox beside the brelvox command
  std::string conf;    // default: <bin>/../share/brelvox/speech-dispatcher/brelvox.conf
};

// Where the two files go.
struct SpeechdPlaces {
  std::string moduleFile;
  std::string confFile;
};

// For the user: $XDG_DATA_HOME/../libexec/speech-dispatcher-modules/sd_brelvox (found by
// speech-dispatcher without touching its configuration) and
// $XDG_CONFIG_HOME/speech-dispatcher/modules/brelvox.conf; for the machine:
// ROOT/usr/lib/speech-dispatcher-modules/sd_brelvox and
// ROOT/etc/speech-dispatcher/modules/brelvox.conf.
SpeechdPlaces SpeechdInstallPlaces(bool user, const std::string& root);

// Runs the command; returns the exit status (0 done, 1 a file could not be written or removed).
int RunSpeechd(const SpeechdOptions& options);

// Adds `speechd install|uninstall [--user] [--root DIR] [--module F] [--conf F]` to the command.
CLI::App* AddSpeechdCommand(CLI::App& app, SpeechdOptions* options);

}  // namespace brelvox::command
