#include "programs/brelvox/speechd_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace brelvox::command {

namespace fs = std::filesystem;

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "brelvox speechd: %s\n", message.c_str());
  return 1;
}

std::string Environment(const char* name, const std::string& otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? value : otherwise;
}

fs::path DataHome() {
  return Environment("XDG_DATA_HOME", Environment("HOME", "/") + "/.local/share");
}

// The folder of this program.
fs::path ProgramFolder() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path(".") : self.parent_path();
}

// Copies `from` to `to` through a temporary file renamed into place, so that a server starting the
// module meanwhile never finds half a file; keeps the permissions of `from`.
bool Place(const fs::path& from, const fs::path& to, std::string* error) {
  std::error_code ec;
  fs::create_directories(to.parent_path(), ec);
  const fs::path temporary = to.string() + ".new";
  if (ec || !fs::copy_file(from, temporary, fs::copy_options::overwrite_existing, ec)) {
    *error = "cannot write " + to.string() + (ec ? " (" + ec.message() + ")" : "") +
             "; check that the folder is writable (for the machine, run as root)";
    return false;
  }
  fs::rename(temporary, to, ec);
  if (ec) {
    fs::remove(temporary, ec);
    *error = "cannot write " + to.string() + "; check that the folder is writable";
    return false;
  }
  return true;
}

}  // namespace

SpeechdPlaces SpeechdInstallPlaces(bool user, const std::string& root) {
  if (user) {
    const fs::path config = Environment("XDG_CONFIG_HOME", Environment("HOME", "/") + "/.config");
    return {(DataHome() / ".." / "libexec/speech-dispatcher-modules/sd_brelvox").lexically_normal(),
            (config / "speech-dispatcher/modules/brelvox.conf").lexically_normal()};
  }
  const fs::path base = root.empty() ? fs::path("/") : fs::path(root);
  return {(base / "usr/lib/speech-dispatcher-modules/sd_brelvox").lexically_normal(),
          (base / "etc/speech-dispatcher/modules/brelvox.conf").lexically_normal()};
}

int RunSpeechd(const SpeechdOptions& options) {
  const SpeechdPlaces places = SpeechdInstallPlaces(options.user, options.root);
  if (!options.install) {
    std::error_code ec;
    for (const std::string& file : {places.moduleFile, places.confFile}) {
      if (fs::remove(file, ec)) std::printf("removed %s\n", file.c_str());
      if (ec) return Fail("cannot remove " + file + " (" + ec.message() + ")");
    }
    return 0;
  }
  const fs::path module =
      options.module.empty() ? ProgramFolder() / "sd_brelvox" : fs::path(options.module);
  const fs::path conf = options.conf.empty()
                            ? ProgramFolder() / "../share/brelvox/speech-dispatcher/brelvox.conf"
                            : fs::path(options.conf);
  for (const fs::path& file : {module, conf}) {
    if (!fs::is_regular_file(file)) {
      return Fail("there is no " + file.lexically_normal().string() +
                  "; build it first (cmake --build build --target sd_brelvox) or name it with "
                  "--module/--conf");
    }
  }
  std::string error;
  if (!Place(module, places.moduleFile, &error)) return Fail(error);
  if (options.user) {
    // speech-dispatcher looks in $XDG_DATA_HOME/../libexec, which resolves only when the data
    // folder exists.
    std::error_code ec;
    fs::create_directories(DataHome(), ec);
  }
  // A configuration the user has changed is kept; the module reads its own defaults for anything
  // it does not say.
  const bool kept = fs::exists(places.confFile);
  if (!kept && !Place(conf, places.confFile, &error)) return Fail(error);
  std::printf("installed %s\n%s %s\n", places.moduleFile.c_str(),
              kept ? "kept the configuration" : "installed", places.confFile.c_str());
  std::printf(
      "speech-dispatcher finds the module when it next starts (spd-say -O lists brelvox); then "
      "spd-say -o brelvox \"Здравей\" speaks.\n");
  return 0;
}

CLI::App* AddSpeechdCommand(CLI::App& app, SpeechdOptions* options) {
  CLI::App* speechd = app.add_subcommand(
      "speechd", "Install the speech-dispatcher module sd_brelvox (spd-say -o brelvox)");
  speechd->require_subcommand(1);
  CLI::App* install = speechd->add_subcommand(
      "install", "Install the module and its brelvox.conf, for the user or the machine");
  CLI::App* uninstall = speechd->add_subcommand("uninstall", "Remove them again");
  for (CLI::App* sub : {install, uninstall}) {
    sub->add_flag("--user", options->user,
                  "for the user (~/.local/libexec and ~/.config) instead of the machine");
    sub->add_option("--root", options->root,
                    "install for the machine under this folder instead of / (for packages)");
  }
  install->add_option("--module", options->module, "the module (default: beside brelvox)");
  install->add_option("--conf", options->conf,
                      "the configuration (default: share/brelvox/speech-dispatcher/brelvox.conf)");
  uninstall->parse_complete_callback([options] { options->install = false; });
  return speechd;
}

}  // namespace brelvox::command
