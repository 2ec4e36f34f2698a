#include "translator/qt/x11_desktop.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>

namespace brelvox::translator::qt {
namespace {

// Requests on windows that have gone away in the meantime fail harmlessly; Xlib's default
// handler would end the process.
int IgnoreXErrors(Display*, XErrorEvent*) {
  return 0;
}

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr long kNetWmStateAdd = 1;
constexpr long kSourceApplication = 1;

// Where the pointer is on the root window and which buttons and modifiers are down.
struct PointerState {
  int x = 0;
  int y = 0;
  unsigned int mask = 0;
};

PointerState QueryPointer(Display* display, Window root) {
  Window root_return = 0;
  Window child = 0;
  int win_x = 0;
  int win_y = 0;
  PointerState state;
  XQueryPointer(display, root, &root_return, &child, &state.x, &state.y, &win_x, &win_y,
                &state.mask);
  return state;
}

}  // namespace

void ButtonHistory::Record(bool press, std::int64_t) {
  if (press) pressed_since_query_ = true;
  if (count_ == kMaxTransitions) {  // keep the newest
    head_ = (head_ + 1) % kMaxTransitions;
    --count_;
  }
  transitions_[(head_ + count_) % kMaxTransitions] = press;
  ++count_;
}

bool ButtonHistory::Query(bool down_now, std::int64_t now_ms) {
  const bool fresh = last_query_ms_ < 0 || now_ms - last_query_ms_ > X11Desktop::kReplayGapMs;
  last_query_ms_ = now_ms;
  if (fresh) {
    const bool pressed = down_now || pressed_since_query_;
    head_ = count_ = 0;
    pressed_since_query_ = false;
    return pressed;
  }
  if (count_ > 0) {
    const bool press = transitions_[head_];
    head_ = (head_ + 1) % kMaxTransitions;
    --count_;
    if (count_ == 0) pressed_since_query_ = false;
    return press;
  }
  pressed_since_query_ = false;
  return down_now;
}

struct X11Desktop::State {
  Display* display = nullptr;
  Window root = 0;
  int screen = 0;
  int xi_opcode = 0;
  Atom net_wm_state = 0;
  Atom state_above = 0;
  Atom state_skip_taskbar = 0;
  Atom state_skip_pager = 0;
  ButtonHistory left;
  ButtonHistory right;
  // The selection: an unmapped window that receives it, the property it lands in, and when the
  // PRIMARY selection was last given a new owner (XFixes; without it, every selection is new).
  Window requestor = 0;
  Atom utf8_string = 0;
  Atom incr = 0;
  Atom selection_property = 0;
  Atom clipboard = 0;
  Atom clipboard_property = 0;
  int xfixes_event_base = -1;
  std::int64_t primary_set_ms = 0;

  ~State() {
    if (display) {
      if (requestor) XDestroyWindow(display, requestor);
      XCloseDisplay(display);
    }
  }

  // The WM_CLASS of the window or, failing that, of the nearest window above it that has one
  // (a focused child of a terminal), or of one below it (a window manager's frame).
  std::string ClassOf(Window window) {
    if (window == 0 || window == PointerRoot) return {};
    for (Window w = window; w != 0 && w != root;) {
      if (std::string found = OwnClass(w); !found.empty()) return found;
      Window root_return = 0;
      Window parent = 0;
      Window* children = nullptr;
      unsigned int count = 0;
      if (!XQueryTree(display, w, &root_return, &parent, &children, &count)) break;
      if (children) XFree(children);
      w = parent;
    }
    return ClassBelow(window, 3);
  }
  std::string OwnClass(Window w) {
    XClassHint hint{};
    if (!XGetClassHint(display, w, &hint)) return {};
    std::string out = std::string(hint.res_name ? hint.res_name : "") + " " +
                      std::string(hint.res_class ? hint.res_class : "");
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return out;
  }
  std::string ClassBelow(Window w, int depth) {
    if (std::string found = OwnClass(w); !found.empty()) return found;
    if (depth == 0) return {};
    Window root_return = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, w, &root_return, &parent, &children, &count)) return {};
    std::string found;
    for (unsigned int i = count; i-- > 0 && found.empty();)  // topmost first
      found = ClassBelow(children[i], depth - 1);
    if (children) XFree(children);
    return found;
  }

  void SendState(Window window, Atom first, Atom second) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = net_wm_state;
    event.xclient.format = 32;
    event.xclient.data.l[0] = kNetWmStateAdd;
    event.xclient.data.l[1] = static_cast<long>(first);
    event.xclient.data.l[2] = static_cast<long>(second);
    event.xclient.data.l[3] = kSourceApplication;
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  }
};

std::unique_ptr<X11Desktop> X11Desktop::Open(std::string* error) {
  auto state = std::make_unique<State>();
  const char* name = XDisplayName(nullptr);
  state->display = XOpenDisplay(nullptr);
  if (!state->display) {
    if (error) {
      *error = std::string("The X display \"") + (name ? name : "") +
               "\" cannot be opened; start the translator inside an X session (under Wayland, "
               "through XWayland) or give DISPLAY the display to use.";
    }
    return nullptr;
  }
  XSetErrorHandler(IgnoreXErrors);
  Display* display = state->display;
  int event_base = 0;
  int error_base = 0;
  int major = 0;
  int minor = 0;
  if (!XTestQueryExtension(display, &event_base, &error_base, &major, &minor)) {
    if (error)
      *error =
          "The X display has no XTEST extension, which the translator needs to click and type.";
    return nullptr;
  }
  if (!XQueryExtension(display, "XInputExtension", &state->xi_opcode, &event_base, &error_base)) {
    if (error)
      *error =
          "The X display has no XInput extension, which the translator needs to see mouse buttons.";
    return nullptr;
  }
  major = 2;
  minor = 2;
  if (XIQueryVersion(display, &major, &minor) != Success || major < 2 ||
      (major == 2 && minor < 2)) {
    if (error)
      *error = "The X display's XInput extension is older than 2.2, which the translator needs.";
    return nullptr;
  }
  state->screen = DefaultScreen(display);
  state->root = RootWindow(display, state->screen);
  state->net_wm_state = XInternAtom(display, "_NET_WM_STATE", False);
  state->state_above = XInternAtom(display, "_NET_WM_STATE_ABOVE", False);
  state->state_skip_taskbar = XInternAtom(display, "_NET_WM_STATE_SKIP_TASKBAR", False);
  state->state_skip_pager = XInternAtom(display, "_NET_WM_STATE_SKIP_PAGER", False);

  // Raw button events of every pointer, whoever the press is aimed at.
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_RawButtonPress);
  XISetMask(bits, XI_RawButtonRelease);
  XIEventMask mask;
  mask.deviceid = XIAllMasterDevices;
  mask.mask_len = sizeof(bits);
  mask.mask = bits;
  XISelectEvents(display, state->root, &mask, 1);

  // The window the selection is delivered to, and the notifications of a new PRIMARY owner.
  state->requestor = XCreateSimpleWindow(display, state->root, -10, -10, 1, 1, 0, 0, 0);
  state->utf8_string = XInternAtom(display, "UTF8_STRING", False);
  state->incr = XInternAtom(display, "INCR", False);
  state->selection_property = XInternAtom(display, "BRELVOX_TRANSLATOR_SELECTION", False);
  state->clipboard = XInternAtom(display, "CLIPBOARD", False);
  state->clipboard_property = XInternAtom(display, "BRELVOX_TRANSLATOR_CLIPBOARD", False);
  int fixes_error_base = 0;
  if (XFixesQueryExtension(display, &state->xfixes_event_base, &fixes_error_base)) {
    for (Atom selection : {static_cast<Atom>(XA_PRIMARY), state->clipboard}) {
      XFixesSelectSelectionInput(display, state->requestor, selection,
                                 XFixesSetSelectionOwnerNotifyMask);
    }
  } else {
    state->xfixes_event_base = -1;
  }
  XFlush(display);
  return std::unique_ptr<X11Desktop>(new X11Desktop(std::move(state)));
}

X11Desktop::X11Desktop(std::unique_ptr<State> state) : state_(std::move(state)) {}

X11Desktop::~X11Desktop() = default;

void X11Desktop::SetScale(double device_pixels_per_pixel) {
  if (device_pixels_per_pixel > 0) scale_ = device_pixels_per_pixel;
}

int X11Desktop::ScreenWidth() const {
  return static_cast<int>(std::lround(DisplayWidth(state_->display, state_->screen) / scale_));
}

int X11Desktop::ScreenHeight() const {
  return static_cast<int>(std::lround(DisplayHeight(state_->display, state_->screen) / scale_));
}

int X11Desktop::ConnectionFd() const {
  return ConnectionNumber(state_->display);
}

void X11Desktop::ProcessEvents() {
  Display* display = state_->display;
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == SelectionNotify && event.xselection.requestor == state_->requestor) {
      if (event.xselection.selection == state_->clipboard) {
        ClipboardArrived(event.xselection.property == 0);
      } else {
        SelectionArrived(event.xselection.property == 0);
      }
      continue;
    }
    if (state_->xfixes_event_base >= 0 &&
        event.type == state_->xfixes_event_base + XFixesSelectionNotify) {
      const Atom selection = reinterpret_cast<const XFixesSelectionNotifyEvent*>(&event)->selection;
      if (selection == XA_PRIMARY) state_->primary_set_ms = NowMs();
      if (selection == state_->clipboard) clipboard_changed_ = true;
      continue;
    }
    XGenericEventCookie* cookie = &event.xcookie;
    if (cookie->type != GenericEvent || cookie->extension != state_->xi_opcode) continue;
    if (!XGetEventData(display, cookie)) continue;
    if (cookie->evtype == XI_RawButtonPress || cookie->evtype == XI_RawButtonRelease) {
      const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
      const bool press = cookie->evtype == XI_RawButtonPress;
      if (raw->detail == 1) state_->left.Record(press, NowMs());
      if (raw->detail == 3) state_->right.Record(press, NowMs());
    }
    XFreeEventData(display, cookie);
  }
}

void X11Desktop::SkipTaskbar(unsigned long xwindow) {
  if (!xwindow) return;
  state_->SendState(xwindow, state_->state_skip_taskbar, state_->state_skip_pager);
  XFlush(state_->display);
}

desktop::CursorPoint X11Desktop::CursorPosition() {
  SendPendingMove();
  const PointerState pointer = QueryPointer(state_->display, state_->root);
  return {static_cast<int>(std::lround(pointer.x / scale_)),
          static_cast<int>(std::lround(pointer.y / scale_))};
}

void X11Desktop::MouseEvent(std::uint32_t flags, std::int32_t dx, std::int32_t dy) {
  Display* display = state_->display;
  const bool click = flags & (desktop::kMouseLeftDown | desktop::kMouseLeftUp);
  const bool absolute_move = (flags & desktop::kMouseMove) && (flags & desktop::kMouseAbsolute);
  // Normalised coordinates span the whole screen: taken over its X pixels, they land on the X
  // pixel under the program's pixel they were made from.
  const int x = desktop::NormalisedToPixel(dx, DisplayWidth(display, state_->screen));
  const int y = desktop::NormalisedToPixel(dy, DisplayHeight(display, state_->screen));
  // A move right behind a click waits until our own windows have taken the click: the browser
  // loses a click whose pointer has already left again by the time it reads the press.
  if (absolute_move && !click && defer_ && NowMs() - last_click_ms_ < kSettleAfterClickMs) {
    const bool scheduled = pending_move_.has_value();
    pending_move_ = desktop::CursorPoint{x, y};
    if (!scheduled) {
      defer_(static_cast<int>(kSettleAfterClickMs - (NowMs() - last_click_ms_)),
             [this] { SendPendingMove(); });
    }
    return;
  }
  SendPendingMove();
  if (flags & desktop::kMouseMove) {
    if (flags & desktop::kMouseAbsolute) {
      XTestFakeMotionEvent(display, state_->screen, x, y, CurrentTime);
    } else {
      XTestFakeRelativeMotionEvent(display, static_cast<int>(std::lround(dx * scale_)),
                                   static_cast<int>(std::lround(dy * scale_)), CurrentTime);
    }
  }
  if (flags & desktop::kMouseLeftDown) XTestFakeButtonEvent(display, 1, True, CurrentTime);
  if (flags & desktop::kMouseLeftUp) XTestFakeButtonEvent(display, 1, False, CurrentTime);
  if (click) {
    XSync(display, False);
    last_click_ms_ = NowMs();
  } else {
    XFlush(display);
  }
}

void X11Desktop::SendPendingMove() {
  if (!pending_move_) return;
  const desktop::CursorPoint to = *pending_move_;
  pending_move_.reset();
  XTestFakeMotionEvent(state_->display, state_->screen, to.x, to.y, CurrentTime);
  XFlush(state_->display);
}

unsigned long X11Desktop::KeySymFor(int vk) {
  if (vk >= 'A' && vk <= 'Z') return XK_a + static_cast<unsigned long>(vk - 'A');
  if (vk >= '0' && vk <= '9') return XK_0 + static_cast<unsigned long>(vk - '0');
  if (vk >= 112 && vk <= 123) return XK_F1 + static_cast<unsigned long>(vk - 112);
  switch (vk) {
    case 8:
      return XK_BackSpace;
    case 9:
      return XK_Tab;
    case 13:
      return XK_Return;
    case 16:
      return XK_Shift_L;
    case 17:
      return XK_Control_L;
    case 18:
      return XK_Alt_L;
    case 27:
      return XK_Escape;
    case 32:
      return XK_space;
    case 33:
      return XK_Prior;
    case 34:
      return XK_Next;
    case 35:
      return XK_End;
    case 36:
      return XK_Home;
    case 37:
      return XK_Left;
    case 38:
      return XK_Up;
    case 39:
      return XK_Right;
    case 40:
      return XK_Down;
    case 45:
      return XK_Insert;
    case 46:
      return XK_Delete;
    default:
      return 0;
  }
}

void X11Desktop::KeyEvent(int virtual_key, std::uint32_t flags) {
  // Keys that follow an Escape at once wait until the program it went to has taken it: Escape
  // closes a popup menu that holds the keyboard, and keys arriving while it still does are lost.
  if (!pending_keys_.empty() || NowMs() < keys_held_until_ms_) {
    pending_keys_.push_back({virtual_key, flags});
    if (pending_keys_.size() == 1 && defer_) {
      defer_(static_cast<int>(std::max<std::int64_t>(0, keys_held_until_ms_ - NowMs())),
             [this] { SendPendingKeys(); });
    }
    return;
  }
  SendKey(virtual_key, flags);
  if (virtual_key == desktop::kVkEscape && (flags & desktop::kKeyUp) && defer_) {
    keys_held_until_ms_ = NowMs() + kSettleAfterEscapeMs;
  }
}

void X11Desktop::SendPendingKeys() {
  while (!pending_keys_.empty()) {
    const auto [key, flags] = pending_keys_.front();
    pending_keys_.pop_front();
    SendKey(key, flags);
  }
}

void X11Desktop::SendKey(int virtual_key, std::uint32_t flags) {
  // X11 has no extended-key flag; the key symbol alone says which key it is.
  const unsigned long keysym = KeySymFor(virtual_key);
  if (!keysym) return;
  Display* display = state_->display;
  const bool up = flags & desktop::kKeyUp;
  KeyCode code = XKeysymToKeycode(display, keysym);
  if (!code) code = static_cast<KeyCode>(BorrowKeycode(keysym));
  if (!code) return;
  XTestFakeKeyEvent(display, code, up ? False : True, CurrentTime);
  XSync(display, False);
  if (up && code == borrowed_keycode_ && defer_) {
    // The receiver looks the key up when it reads the event: the keymap goes back a little later.
    defer_(kBorrowedKeyMs, [this, borrowed = borrowed_keycode_] { ReturnKeycode(borrowed); });
  }
}

unsigned long X11Desktop::BorrowKeycode(unsigned long keysym) {
  // A keymap without the key (a Bulgarian-only one has no Latin c): a keycode that carries no
  // symbol lends itself to it until the key is up again.
  if (borrowed_keycode_) ReturnKeycode(borrowed_keycode_);  // one lent key at a time
  Display* display = state_->display;
  int min = 0;
  int max = 0;
  XDisplayKeycodes(display, &min, &max);
  int per_code = 0;
  KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(min), max - min + 1, &per_code);
  if (!map) return 0;
  int spare = 0;
  for (int code = max; code >= min && spare == 0; --code) {
    bool empty = true;
    for (int i = 0; i < per_code && empty; ++i)
      empty = map[(code - min) * per_code + i] == NoSymbol;
    if (empty) spare = code;
  }
  XFree(map);
  if (spare == 0) return 0;
  KeySym symbols[2] = {keysym, keysym};
  XChangeKeyboardMapping(display, spare, 2, symbols, 1);
  XSync(display, False);
  borrowed_keycode_ = static_cast<unsigned long>(spare);
  return borrowed_keycode_;
}

void X11Desktop::ReturnKeycode(unsigned long code) {
  if (code == 0 || code != borrowed_keycode_) return;
  KeySym none[2] = {NoSymbol, NoSymbol};
  XChangeKeyboardMapping(state_->display, static_cast<int>(code), 2, none, 1);
  XSync(state_->display, False);  // given back by the time this returns, as it was lent
  borrowed_keycode_ = 0;
}

void X11Desktop::MakeTopmost(forms::WindowHandle window) {
  const unsigned long xwindow = resolver_ ? resolver_(window) : 0;
  if (!xwindow) return;
  Display* display = state_->display;
  // The window manager keeps the window in its "above" band; a hidden window stays hidden (it
  // carries the state from its creation and gets it when it is mapped).
  state_->SendState(xwindow, state_->state_above, 0);
  XWindowAttributes attributes;
  if (XGetWindowAttributes(display, xwindow, &attributes) && attributes.map_state == IsViewable) {
    XRaiseWindow(display, xwindow);
  }
  XFlush(display);
}

bool X11Desktop::ButtonReadsPressed(int virtual_key) {
  ProcessEvents();
  const unsigned int mask = QueryPointer(state_->display, state_->root).mask;
  const std::int64_t now = NowMs();
  if (virtual_key == desktop::kVkLeftButton) return state_->left.Query(mask & Button1Mask, now);
  if (virtual_key == desktop::kVkRightButton) return state_->right.Query(mask & Button3Mask, now);
  return false;
}

void X11Desktop::RequestSelection(std::function<void(const desktop::Selection&)> done) {
  selection_waiting_.push_back(std::move(done));
  if (selection_waiting_.size() > 1) return;  // the answer under way serves this one too
  Display* display = state_->display;
  if (XGetSelectionOwner(display, XA_PRIMARY) == 0) {
    FinishSelection({});
    return;
  }
  selection_asked_ms_ = NowMs();
  const std::int64_t request = ++selection_request_;
  XDeleteProperty(display, state_->requestor, state_->selection_property);
  XConvertSelection(display, XA_PRIMARY, state_->utf8_string, state_->selection_property,
                    state_->requestor, CurrentTime);
  XFlush(display);
  if (defer_) {
    defer_(kSelectionWaitMs, [this, request] {
      if (request == selection_request_ && !selection_waiting_.empty()) FinishSelection({});
    });
  }
}

std::optional<std::string> X11Desktop::TakeSelectionText(unsigned long property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  // 99 characters are taken at most; 64 KiB is plenty and bounds what a program can hand over.
  if (XGetWindowProperty(state_->display, state_->requestor, property, 0, 16384, True,
                         AnyPropertyType, &type, &format, &count, &after, &data) != Success) {
    return std::nullopt;
  }
  std::string text;
  if (data && format == 8 && type != state_->incr) {
    text.assign(reinterpret_cast<const char*>(data), count);
  }
  if (data) XFree(data);
  return text;
}

void X11Desktop::SelectionArrived(bool refused) {
  if (selection_waiting_.empty()) return;
  desktop::Selection selection;
  if (!refused) {
    if (std::optional<std::string> text = TakeSelectionText(state_->selection_property)) {
      selection.answered = true;
      selection.text = std::move(*text);
    }
  }
  selection.fresh = state_->xfixes_event_base < 0 ||
                    state_->primary_set_ms >= selection_asked_ms_ - kFreshSelectionMs;
  FinishSelection(selection);
}

void X11Desktop::FinishSelection(const desktop::Selection& selection) {
  ++selection_request_;
  std::vector<std::function<void(const desktop::Selection&)>> waiting;
  waiting.swap(selection_waiting_);
  // Never inside the caller: the answer may arrive while a handler polls the buttons.
  for (auto& done : waiting) {
    if (defer_) {
      defer_(0, [done = std::move(done), selection] { done(selection); });
    } else {
      done(selection);
    }
  }
}

std::string X11Desktop::ClipboardText() {
  ProcessEvents();
  if (clipboard_changed_ && !clipboard_pending_) {
    // Without XFixes there is no word of a change: every call asks again.
    clipboard_changed_ = state_->xfixes_event_base < 0;
    Display* display = state_->display;
    if (XGetSelectionOwner(display, state_->clipboard) == 0) {
      clipboard_text_.clear();
    } else {
      clipboard_pending_ = true;
      const std::int64_t request = ++clipboard_request_;
      XDeleteProperty(display, state_->requestor, state_->clipboard_property);
      XConvertSelection(display, state_->clipboard, state_->utf8_string, state_->clipboard_property,
                        state_->requestor, CurrentTime);
      XFlush(display);
      if (defer_) {
        // An owner that never answers keeps the text as it was; the next change asks again.
        defer_(kSelectionWaitMs, [this, request] {
          if (request == clipboard_request_) clipboard_pending_ = false;
        });
      }
    }
  }
  return clipboard_text_;
}

void X11Desktop::ForgetClipboard() {
  clipboard_text_.clear();
  clipboard_changed_ = true;
}

void X11Desktop::ClipboardArrived(bool refused) {
  if (!clipboard_pending_) return;
  clipboard_pending_ = false;
  ++clipboard_request_;
  std::optional<std::string> text;
  if (!refused) text = TakeSelectionText(state_->clipboard_property);
  clipboard_text_ = text.value_or("");
}

bool X11Desktop::IsTerminalClass(std::string_view window_class) {
  std::string lower(window_class);
  for (char& c : lower)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static constexpr std::string_view kTerminals[] = {
      "term",   "rxvt",  "konsole", "kitty",   "alacritty", "tilix",
      "sakura", "guake", "tilda",   "yakuake", "foot",      "st-256color"};
  for (std::string_view name : kTerminals) {
    if (lower.find(name) != std::string::npos) return true;
  }
  return false;
}

bool X11Desktop::KeysReachTerminal() {
  Display* display = state_->display;
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  if (IsTerminalClass(state_->ClassOf(focus))) return true;
  Window root_return = 0;
  Window child = 0;
  int x = 0, y = 0, win_x = 0, win_y = 0;
  unsigned int mask = 0;
  XQueryPointer(display, state_->root, &root_return, &child, &x, &y, &win_x, &win_y, &mask);
  return IsTerminalClass(state_->ClassOf(child));
}

}  // namespace brelvox::translator::qt
