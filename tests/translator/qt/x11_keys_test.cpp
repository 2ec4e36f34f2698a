// The translator's keys on a real X display (the test command starts its own Xvfb): a key the
// keymap lacks still reaches the focused window, through a keycode lent for the moment.
// gtest and the program's header first: Xlib's macros (None, Bool) break them.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "translator/qt/x11_desktop.h"
// clang-format off
#include <X11/Xlib.h>
#include <X11/keysym.h>
// clang-format on

namespace brelvox::translator::qt {
namespace {

// Whether any key carries `symbol`, asked of the server itself: Xlib's own copy of the keymap is
// brought up to date only when this connection reads the server's mapping notices.
bool ServerKeymapHas(Display* display, KeySym symbol) {
  int low = 0;
  int high = 0;
  XDisplayKeycodes(display, &low, &high);
  int per_code = 0;
  KeySym* symbols =
      XGetKeyboardMapping(display, static_cast<KeyCode>(low), high - low + 1, &per_code);
  bool found = false;
  for (int i = 0; symbols != nullptr && i < (high - low + 1) * per_code; ++i)
    found |= symbols[i] == symbol;
  if (symbols) XFree(symbols);
  return found;
}

TEST(X11KeysTest, CtrlCReachesTheFocusedWindowUnderABulgarianOnlyKeymap) {
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  // The Bulgarian keymap: the key of c carries ц, and no key carries a Latin c.
  const KeyCode c_key = XKeysymToKeycode(display, XK_c);
  ASSERT_NE(c_key, 0);
  KeySym bulgarian[2] = {XK_Cyrillic_tse, XK_Cyrillic_TSE};
  XChangeKeyboardMapping(display, c_key, 2, bulgarian, 1);
  XSync(display, False);
  ASSERT_EQ(XKeysymToKeycode(display, XK_c), 0) << "the keymap has a Latin c after all";

  // A focused window that records its key presses.
  const Window window =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 100, 100, 0, 0, 0);
  XSelectInput(display, window, KeyPressMask | StructureNotifyMask);
  XMapWindow(display, window);
  for (XEvent e; XWindowEvent(display, window, StructureNotifyMask, &e), e.type != MapNotify;) {
  }
  XSetInputFocus(display, window, RevertToParent, CurrentTime);
  XSync(display, False);

  std::string error;
  std::unique_ptr<X11Desktop> desktop = X11Desktop::Open(&error);
  ASSERT_NE(desktop, nullptr) << error;
  std::vector<std::function<void()>> deferred;
  desktop->SetDeferral(
      [&deferred](int, std::function<void()> run) { deferred.push_back(std::move(run)); });
  desktop->KeyEvent(desktop::kVkControl, desktop::kKeyExtended);
  desktop->KeyEvent(desktop::kVkC, desktop::kKeyExtended);
  desktop->KeyEvent(desktop::kVkC, desktop::kKeyExtended | desktop::kKeyUp);
  desktop->KeyEvent(desktop::kVkControl, desktop::kKeyExtended | desktop::kKeyUp);

  bool ctrl_c = false;
  XSync(display, False);
  while (XPending(display) > 0) {
    XEvent e;
    XNextEvent(display, &e);
    if (e.type != KeyPress) continue;
    // The keymap as the server has it now (the lent keycode is still lent).
    int per_code = 0;
    KeySym* symbols =
        XGetKeyboardMapping(display, static_cast<KeyCode>(e.xkey.keycode), 1, &per_code);
    if (symbols && per_code > 0 && symbols[0] == XK_c && (e.xkey.state & ControlMask)) {
      ctrl_c = true;
    }
    if (symbols) XFree(symbols);
  }
  EXPECT_TRUE(ctrl_c) << "the window saw no Ctrl+C";

  for (auto& run : deferred)
    run();
  XSync(display, False);
  EXPECT_FALSE(ServerKeymapHas(display, XK_c)) << "the lent keycode was not given back";
  desktop.reset();
  XCloseDisplay(display);
}

}  // namespace
}  // namespace brelvox::translator::qt
