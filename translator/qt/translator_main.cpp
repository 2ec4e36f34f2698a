// translator [--page URL]: the Bulgarian-English translator window on an X11 desktop.
//
// Without --page it starts the offline translation page service in-process on a free loopback
// port. It needs an X display (under Wayland, XWayland's); the speech goes through the speech
// platform's voice object with the default voice.
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "page/page_service.h"
#include "translator/page_source.h"
#include "translator/program.h"
#include "translator/qt/artwork.h"
#include "translator/qt/clipboard.h"
#include "translator/qt/forms_binding.h"
#include "translator/qt/monotonic_clock.h"
#include "translator/qt/speech_voices.h"
#include "translator/qt/trace.h"
#include "translator/qt/traced_input.h"
#include "translator/qt/tray_icon.h"
#include "translator/qt/web_browser.h"
#include "translator/qt/x11_desktop.h"

namespace {

int signal_pipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(signal_pipe[1], &byte, 1);
}

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace brelvox::translator;

  const brelvox::translator::CommandLineResult parsed =
      ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.command_line) {
    std::fprintf(stderr, "translator: %s\n", parsed.error.c_str());
    return 2;
  }
  if (parsed.command_line->help) {
    std::fputs(CommandLineHelp().c_str(), stdout);
    return 0;
  }

  // The clicks, keys and button polling need X11 itself.
  if (!Set("DISPLAY")) {
    if (Set("WAYLAND_DISPLAY")) {
      std::fprintf(stderr,
                   "translator: DISPLAY is not set; the translator needs an X display, which a "
                   "Wayland session provides through XWayland (enable it and start the translator "
                   "from that session).\n");
    } else {
      std::fprintf(stderr,
                   "translator: DISPLAY is not set; start the translator in an X session, or "
                   "under a virtual one with xvfb-run -a translator.\n");
    }
    return 1;
  }
  std::string error;
  std::unique_ptr<qt::X11Desktop> desktop = qt::X11Desktop::Open(&error);
  if (!desktop) {
    std::fprintf(stderr, "translator: %s\n", error.c_str());
    return 1;
  }
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  // The browser engine refuses to run as root inside its sandbox.
  if (geteuid() == 0 && !Set("QTWEBENGINE_DISABLE_SANDBOX")) {
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName("translator");
  if (QScreen* primary = QGuiApplication::primaryScreen()) {
    desktop->SetScale(primary->devicePixelRatio());
  }
  QApplication::setQuitOnLastWindowClosed(false);  // the program ends when its forms say so

  std::unique_ptr<qt::Trace> trace = qt::Trace::FromEnvironment();
  brelvox::page::PageService service;
  const PageSourceResult source = ResolvePageSource(
      *parsed.command_line, [&service](std::string& why) -> std::optional<std::string> {
        if (!service.Start({}, &why)) return std::nullopt;
        return service.BaseAddress();
      });
  if (!source.source) {
    std::fprintf(stderr, "translator: %s\n", source.error.c_str());
    return 1;
  }
  qt::TraceLine(trace.get(), "page", source.source->base_address);
  qt::TraceLine(trace.get(), "speech", qt::PlatformVoiceFactory::Available() ? "platform" : "none");

  // SIGINT and SIGTERM end the program as the exit command would, icon removed.
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, signal_pipe) == 0) {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
  }
  QSocketNotifier stop_requests(signal_pipe[0], QSocketNotifier::Read);
  QObject::connect(&stop_requests, &QSocketNotifier::activated, &application, [] {
    char byte = 0;
    [[maybe_unused]] const ssize_t got = read(signal_pipe[0], &byte, 1);
    QApplication::quit();
  });

  qt::MonotonicClock clock;
  qt::SystemClipboard clipboard(*desktop);
  qt::PlatformVoiceFactory voices(trace.get());
  qt::FormsBinding binding(trace.get());
  qt::WebBrowserFactory browsers(binding);
  qt::TrayIconHost tray(binding, QIcon(":/translator/" + qt::WindowIconFile("Form1")));

  qt::TracedInput traced_input(*desktop, trace.get());
  desktop::InputDevice& input = trace ? static_cast<desktop::InputDevice&>(traced_input)
                                      : static_cast<desktop::InputDevice&>(*desktop);
  const forms::Screen screen{desktop->ScreenWidth() * forms::kTwipsPerPixel,
                             desktop->ScreenHeight() * forms::kTwipsPerPixel};
  TranslatorProgram program(Platform{clock, screen, browsers, voices, clipboard, input, tray,
                                     static_cast<std::uint32_t>(getpid())},
                            *source.source);
  binding.Attach(program.app());
  desktop->SetWindowResolver(
      [&binding](forms::WindowHandle handle) { return binding.NativeWindow(handle); });
  tray.SetWindowProcedure([&program](std::uint32_t wparam, std::uint32_t lparam) {
    program.tray().TrayWndProc(wparam, lparam);
  });
  // Deferred work may reach the windows (a selection's answer): it waits until no handler runs.
  desktop->SetDeferral([&application, &binding](int delay_ms, std::function<void()> run) {
    QTimer::singleShot(delay_ms, &application,
                       [&binding, run = std::move(run)] { binding.Post(run); });
  });
  binding.on_window_shown = [&desktop](unsigned long native) { desktop->SkipTaskbar(native); };
  binding.on_program_ended = [] { QTimer::singleShot(0, [] { QApplication::quit(); }); };

  // Raw button events are read as they come, so that they never pile up in the connection.
  QSocketNotifier x_events(desktop->ConnectionFd(), QSocketNotifier::Read);
  QObject::connect(&x_events, &QSocketNotifier::activated, &application,
                   [&desktop] { desktop->ProcessEvents(); });

  binding.Deliver([&program] { program.Start(); });
  const int status = QApplication::exec();
  qt::TraceLine(trace.get(), "exit", std::to_string(status));
  return status;
}
