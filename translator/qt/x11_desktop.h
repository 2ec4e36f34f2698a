// The desktop's input on X11, for the translator's input primitives: the global cursor
// (XQueryPointer), synthetic clicks and keys (XTest), the always-on-top band (_NET_WM_STATE_ABOVE)
// and the global mouse buttons, "down now or pressed since the previous query", built on XInput2
// raw events so that no press between two polls is lost. Captures read the PRIMARY selection
// asynchronously (its owner may be slow), with XFixes telling when it was last set, and recognise
// terminals by their window class.
//
// The X11 headers stay in x11_desktop.cpp: their macros (None, Bool, Status, ...) clash with Qt's.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "translator/desktop/input_device.h"

namespace brelvox::translator::qt {

class X11Desktop final : public desktop::InputDevice {
 public:
  // Connects to the display named by DISPLAY; null with one sentence in `error` when there is no
  // display or it lacks the XTest or XInput 2.2 extension.
  static std::unique_ptr<X11Desktop> Open(std::string* error);
  ~X11Desktop() override;
  X11Desktop(const X11Desktop&) = delete;
  X11Desktop& operator=(const X11Desktop&) = delete;

  // Maps a window of the forms runtime to its X window (0 when it has none yet).
  using WindowResolver = std::function<unsigned long(forms::WindowHandle)>;
  void SetWindowResolver(WindowResolver resolver) { resolver_ = std::move(resolver); }

  // The program's pixels are the ones its windows are laid out in. On a desktop scaled for Qt
  // (QT_SCALE_FACTOR, QT_SCREEN_SCALE_FACTORS) one of them covers `device_pixels_per_pixel`
  // pixels of the X screen; this is the one place that converts: the screen size and the cursor
  // come out, and clicks go in, in the program's pixels.
  void SetScale(double device_pixels_per_pixel);

  // The primary screen's size in the program's pixels.
  int ScreenWidth() const;
  int ScreenHeight() const;

  // The connection's file descriptor: readable when raw button events are waiting. The binding
  // watches it and calls ProcessEvents, so that events never pile up in the connection.
  int ConnectionFd() const;
  void ProcessEvents();

  // Runs a function on the program's event loop after a delay: a pointer move that follows a
  // click at once is sent only after kSettleAfterClickMs, when the click has been taken.
  using Deferral = std::function<void(int delay_ms, std::function<void()>)>;
  void SetDeferral(Deferral defer) { defer_ = std::move(defer); }
  static constexpr int kSettleAfterClickMs = 150;
  // Likewise, keys that follow an Escape are sent after kSettleAfterEscapeMs.
  static constexpr int kSettleAfterEscapeMs = 150;

  // Keeps a mapped top-level window out of the taskbar and the pager.
  void SkipTaskbar(unsigned long xwindow);

  // desktop::InputDevice
  desktop::CursorPoint CursorPosition() override;
  void MouseEvent(std::uint32_t flags, std::int32_t dx, std::int32_t dy) override;
  void KeyEvent(int virtual_key, std::uint32_t flags) override;
  void MakeTopmost(forms::WindowHandle window) override;
  bool ButtonReadsPressed(int virtual_key) override;
  void RequestSelection(std::function<void(const desktop::Selection&)> done) override;
  bool KeysReachTerminal() override;

  // How long the owner of the selection may take to answer, and how recently the selection must
  // have been set to count as made by the gesture being captured.
  static constexpr int kSelectionWaitMs = 1000;
  static constexpr int kFreshSelectionMs = 3000;

  // The clipboard's (CLIPBOARD's) text as last read, without waiting: when its owner has changed,
  // a new reading starts and its answer comes in with the events. ForgetClipboard drops the text
  // read (after the program has cleared the clipboard).
  std::string ClipboardText();
  void ForgetClipboard();

  // Whether a window of this class (WM_CLASS name or class, any case) is a terminal emulator.
  static bool IsTerminalClass(std::string_view window_class);

  // The X key symbol a virtual-key code stands for (0 when it has none).
  static unsigned long KeySymFor(int virtual_key);

  // How long a gap between two queries of one button may be before the next query reads the
  // button afresh (down now, or pressed at all since) instead of replaying its presses and
  // releases one per query.
  static constexpr int kReplayGapMs = 250;

 private:
  struct State;
  explicit X11Desktop(std::unique_ptr<State> state);
  void SendPendingMove();
  void SendKey(int virtual_key, std::uint32_t flags);
  void SendPendingKeys();
  // A keycode lent to a key symbol the keymap lacks, and given back after its key-up.
  unsigned long BorrowKeycode(unsigned long keysym);
  void ReturnKeycode(unsigned long code);
  static constexpr int kBorrowedKeyMs = 300;
  unsigned long borrowed_keycode_ = 0;
  void SelectionArrived(bool refused);
  void ClipboardArrived(bool refused);
  // The text the owner of a selection put into `property` of the requestor window (empty for an
  // answer that is not text); nullopt when there is nothing to read.
  std::optional<std::string> TakeSelectionText(unsigned long property);
  void FinishSelection(const desktop::Selection& selection);
  std::unique_ptr<State> state_;
  double scale_ = 1.0;
  std::vector<std::function<void(const desktop::Selection&)>> selection_waiting_;
  std::int64_t selection_asked_ms_ = 0;
  std::int64_t selection_request_ = 0;  // counts requests, so that a late time-out finds its own
  std::string clipboard_text_;
  bool clipboard_changed_ = true;
  bool clipboard_pending_ = false;
  std::int64_t clipboard_request_ = 0;
  WindowResolver resolver_;
  Deferral defer_;
  std::int64_t last_click_ms_ = -1000000;
  std::optional<desktop::CursorPoint> pending_move_;
  std::int64_t keys_held_until_ms_ = 0;
  std::deque<std::pair<int, std::uint32_t>> pending_keys_;
};

// The button history behind ButtonReadsPressed, free of X11 so that it can be tested alone.
//
// Presses and releases seen between two queries are replayed one per query while the button is
// polled regularly: a fast double click that falls between two 50 ms polls still reads as
// pressed, released, pressed, released. After a longer gap the query reads the button afresh.
class ButtonHistory {
 public:
  void Record(bool press, std::int64_t at_ms);
  bool Query(bool down_now, std::int64_t now_ms);

 private:
  static constexpr std::size_t kMaxTransitions = 16;
  std::int64_t last_query_ms_ = -1;
  bool transitions_[kMaxTransitions] = {};
  std::size_t head_ = 0;
  std::size_t count_ = 0;
  bool pressed_since_query_ = false;
};

}  // namespace brelvox::translator::qt
