// A desktop for end-to-end tests, started by the test and stopped after it: an Xvfb display, a
// window manager (openbox) and a tray host (trayer); child processes with their output in files;
// the translator's trace read line by line; xdotool and ImageMagick for the user's hands and eyes.
#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brelvox::translator::e2e {

// A child process with its standard output and error in files.
class Process {
 public:
  Process() = default;
  Process(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
          const std::string& output_path);
  ~Process();
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  // Whether it still runs; reaps it when it has ended.
  bool Running();
  // Waits up to `seconds` for it to end; its exit status, or nullopt while it still runs.
  std::optional<int> Wait(double seconds);
  // SIGTERM, then SIGKILL if it has not ended after `grace_seconds`.
  void Stop(double grace_seconds = 10);

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// Runs a command line through the shell; its exit status and standard output.
struct CommandResult {
  int status = -1;
  std::string out;
};
CommandResult Run(const std::string& command);

// Lines appended to a file, read as they come.
class LineReader {
 public:
  explicit LineReader(std::string path) : path_(std::move(path)) {}
  // Waits up to `seconds` for a new line that `match` accepts; the line, or nullopt. Lines read
  // on the way are consumed.
  std::optional<std::string> WaitFor(const std::function<bool(const std::string&)>& match,
                                     double seconds);
  // The next WaitFor looks again from line `index` on (lines_.size(): only at new lines).
  void Rewind(std::size_t index) { next_ = index; }
  // Every line read so far.
  const std::vector<std::string>& lines() const { return lines_; }
  void ReadNew();

 private:
  std::string path_;
  std::size_t offset_ = 0;
  std::string partial_;
  std::vector<std::string> lines_;
  std::size_t next_ = 0;  // the first line WaitFor has not looked at
};

class DesktopSession {
 public:
  // Starts Xvfb on a free display (width x height x 24), openbox and (with `tray_host`) trayer;
  // files go to `dir`.
  DesktopSession(const std::string& dir, int width, int height, bool tray_host = true);
  ~DesktopSession();

  bool ready() const { return ready_; }
  const std::string& error() const { return error_; }
  const std::string& display() const { return display_; }

  // The environment a program on this desktop runs with.
  std::map<std::string, std::string> Environment() const;
  // xdotool with the given arguments on this display.
  CommandResult Xdotool(const std::string& arguments) const;
  // A screenshot of the screen rectangle, as a PNG file.
  bool Screenshot(const std::string& path, int x, int y, int width, int height) const;
  // X windows of the class `name` that are mapped, with their geometry.
  struct WindowInfo {
    unsigned long id = 0;
    int x = 0, y = 0, width = 0, height = 0;
  };
  std::vector<WindowInfo> VisibleWindows(const std::string& class_name) const;

 private:
  std::string dir_;
  std::string display_;
  bool ready_ = false;
  std::string error_;
  Process xvfb_;
  Process window_manager_;
  Process tray_host_;
};

}  // namespace brelvox::translator::e2e
