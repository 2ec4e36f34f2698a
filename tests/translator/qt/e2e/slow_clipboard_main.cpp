// A slow clipboard owner for the translator's end-to-end test: it owns CLIPBOARD and answers every
// request with an incremental transfer that trickles one byte every 500 ms, until the file named
// by its argument exists (or two minutes have passed). A reader that waits for the whole answer
// waits that long. It prints "owner" once it owns the clipboard and "request" at each request.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

bool Exists(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0;
}

struct Transfer {
  Window requestor = 0;
  Atom property = 0;
  bool active = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: slow-clipboard STOP_FILE\n");
    return 2;
  }
  const char* stop_file = argv[1];
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const Window window =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom incr = XInternAtom(display, "INCR", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  XSetSelectionOwner(display, clipboard, window, CurrentTime);
  if (XGetSelectionOwner(display, clipboard) != window) return 1;
  std::printf("owner\n");
  std::fflush(stdout);

  Transfer transfer;
  const auto start = std::chrono::steady_clock::now();
  auto next_chunk = start;
  bool chunk_wanted = false;
  while (!Exists(stop_file) && std::chrono::steady_clock::now() - start < std::chrono::minutes(2)) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == SelectionRequest) {
        const XSelectionRequestEvent& request = event.xselectionrequest;
        std::printf("request\n");
        std::fflush(stdout);
        // The answer is large: it comes in pieces, the first when the reader has taken the
        // announcement.
        const long size = 1 << 20;
        const Atom property = request.property ? request.property : request.target;
        XSelectInput(display, request.requestor, PropertyChangeMask);
        XChangeProperty(display, request.requestor, property, incr, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&size), 1);
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.property = property;
        reply.xselection.time = request.time;
        XSendEvent(display, request.requestor, False, 0, &reply);
        transfer = {request.requestor, property, true};
        chunk_wanted = false;
      } else if (event.type == PropertyNotify && transfer.active &&
                 event.xproperty.window == transfer.requestor &&
                 event.xproperty.atom == transfer.property &&
                 event.xproperty.state == PropertyDelete) {
        chunk_wanted = true;  // the reader took the last piece: the next one, in a while
        next_chunk = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
      }
    }
    if (chunk_wanted && std::chrono::steady_clock::now() >= next_chunk) {
      const unsigned char byte = 'x';
      XChangeProperty(display, transfer.requestor, transfer.property, utf8, 8, PropModeReplace,
                      &byte, 1);
      XFlush(display);
      chunk_wanted = false;
    }
    pollfd p{ConnectionNumber(display), POLLIN, 0};
    poll(&p, 1, 50);
  }
  if (transfer.active) {  // the end of the transfer: an empty piece
    XChangeProperty(display, transfer.requestor, transfer.property, utf8, 8, PropModeReplace,
                    nullptr, 0);
  }
  XCloseDisplay(display);
  return 0;
}
