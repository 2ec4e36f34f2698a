#include "desktop_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace brelvox::translator::e2e {
namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void Sleep(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

pid_t Spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
            const std::string& output_path, int keep_fd) {
  std::map<std::string, std::string> merged;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::size_t eq = entry.find('=');
    if (eq != std::string::npos) merged[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  for (const auto& [name, value] : env) {
    if (value.empty()) {
      merged.erase(name);
    } else {
      merged[name] = value;
    }
  }
  std::vector<std::string> env_strings;
  for (const auto& [name, value] : merged)
    env_strings.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& s : env_strings)
    envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (std::string& s : args)
    argp.push_back(s.data());
  argp.push_back(nullptr);

  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid != 0) return pid;
  // The child: its own process group, gone with the test even when the test is killed.
  setpgid(0, 0);
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent) _exit(127);
  const int in = open("/dev/null", O_RDONLY);
  const int out = open(output_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (in >= 0) dup2(in, STDIN_FILENO);
  if (out >= 0) {
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
  }
  (void)keep_fd;  // inherited: it is not close-on-exec
  execvpe(argp[0], argp.data(), envp.data());
  _exit(127);
}

}  // namespace

Process::Process(const std::vector<std::string>& argv,
                 const std::map<std::string, std::string>& env, const std::string& output_path)
    : pid_(Spawn(argv, env, output_path, -1)) {}

Process::~Process() {
  Stop(5);
}

Process::Process(Process&& other) noexcept : pid_(other.pid_), status_(other.status_) {
  other.pid_ = -1;
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Stop(5);
    pid_ = other.pid_;
    status_ = other.status_;
    other.pid_ = -1;
  }
  return *this;
}

bool Process::Running() {
  if (pid_ <= 0 || status_) return false;
  int status = 0;
  const pid_t got = waitpid(pid_, &status, WNOHANG);
  if (got == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return true;
}

std::optional<int> Process::Wait(double seconds) {
  const Clock::time_point start = Clock::now();
  while (Running()) {
    if (Since(start) > seconds) return std::nullopt;
    Sleep(0.05);
  }
  return status_;
}

void Process::Stop(double grace_seconds) {
  if (!Running()) return;
  kill(-pid_, SIGTERM);
  kill(pid_, SIGTERM);
  if (!Wait(grace_seconds)) {
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
    Wait(10);
  }
}

CommandResult Run(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    result.out.append(buffer, n);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

void LineReader::ReadNew() {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return;
  in.seekg(static_cast<std::streamoff>(offset_));
  std::string chunk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  offset_ += chunk.size();
  partial_ += chunk;
  std::size_t newline = 0;
  while ((newline = partial_.find('\n')) != std::string::npos) {
    lines_.push_back(partial_.substr(0, newline));
    partial_.erase(0, newline + 1);
  }
}

std::optional<std::string> LineReader::WaitFor(const std::function<bool(const std::string&)>& match,
                                               double seconds) {
  const Clock::time_point start = Clock::now();
  while (true) {
    ReadNew();
    while (next_ < lines_.size()) {
      const std::string& line = lines_[next_++];
      if (match(line)) return line;
    }
    if (Since(start) > seconds) return std::nullopt;
    Sleep(0.05);
  }
}

DesktopSession::DesktopSession(const std::string& dir, int width, int height, bool tray_host)
    : dir_(dir) {
  int fds[2];
  if (pipe(fds) != 0) {
    error_ = "no pipe for Xvfb";
    return;
  }
  fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  xvfb_ = Process({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                   std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp",
                   "-noreset"},
                  {}, dir_ + "/xvfb.log");
  close(fds[1]);
  std::string number;
  const Clock::time_point start = Clock::now();
  while (Since(start) < 60) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 200) > 0) {
      char c = 0;
      const ssize_t got = read(fds[0], &c, 1);
      if (got <= 0 || c == '\n') break;
      number += c;
    }
    if (!xvfb_.Running()) break;
  }
  close(fds[0]);
  if (number.empty()) {
    error_ = "Xvfb did not start (see " + dir_ + "/xvfb.log)";
    return;
  }
  display_ = ":" + number;
  const std::map<std::string, std::string> env = Environment();
  window_manager_ = Process({"openbox", "--sm-disable"}, env, dir_ + "/openbox.log");
  if (tray_host) {
    tray_host_ = Process({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                          "--height", "24", "--SetDockType", "true", "--expand", "true"},
                         env, dir_ + "/trayer.log");
  }
  // Both are up once their windows exist.
  const Clock::time_point waiting = Clock::now();
  while (Since(waiting) < 30) {
    if (Run("DISPLAY=" + display_ + " xprop -root _NET_SUPPORTING_WM_CHECK")
                .out.find("window id") != std::string::npos &&
        (!tray_host || Run("DISPLAY=" + display_ + " xdotool search --class trayer").status == 0)) {
      ready_ = true;
      return;
    }
    Sleep(0.2);
  }
  error_ = "openbox or trayer did not come up (see " + dir_ + ")";
}

DesktopSession::~DesktopSession() {
  tray_host_.Stop(5);
  window_manager_.Stop(5);
  xvfb_.Stop(5);
}

std::map<std::string, std::string> DesktopSession::Environment() const {
  return {{"DISPLAY", display_}, {"WAYLAND_DISPLAY", ""}};
}

CommandResult DesktopSession::Xdotool(const std::string& arguments) const {
  return Run("DISPLAY=" + display_ + " xdotool " + arguments);
}

bool DesktopSession::Screenshot(const std::string& path, int x, int y, int width,
                                int height) const {
  const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "+" +
                               std::to_string(x) + "+" + std::to_string(y);
  return Run("import -display " + display_ + " -window root -crop " + geometry + " +repage " +
             Quote(path))
             .status == 0;
}

std::vector<DesktopSession::WindowInfo> DesktopSession::VisibleWindows(
    const std::string& class_name) const {
  std::vector<WindowInfo> windows;
  std::istringstream ids(Xdotool("search --onlyvisible --class " + Quote(class_name)).out);
  unsigned long id = 0;
  while (ids >> id) {
    WindowInfo info;
    info.id = id;
    std::istringstream shell(Xdotool("getwindowgeometry --shell " + std::to_string(id)).out);
    std::string line;
    while (std::getline(shell, line)) {
      const std::size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      const std::string key = line.substr(0, eq);
      const int value = std::atoi(line.c_str() + eq + 1);
      if (key == "X") info.x = value;
      if (key == "Y") info.y = value;
      if (key == "WIDTH") info.width = value;
      if (key == "HEIGHT") info.height = value;
    }
    windows.push_back(info);
  }
  return windows;
}

}  // namespace brelvox::translator::e2e
