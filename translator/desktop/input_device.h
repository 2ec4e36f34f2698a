// The desktop's input, as the translator needs it: the global cursor, synthetic mouse and key
// events, the global button state and the always-on-top band.
//
// The display binding implements it (on X11: XQueryPointer, XTest, XInput2 raw events, the
// window manager's "above" state); tests use a fake that records what was sent.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "translator/forms/window.h"

namespace brelvox::translator::desktop {

struct CursorPoint {
  int x = 0;  // screen pixels, origin top left of the primary screen
  int y = 0;
};

// Flags of a synthetic mouse event.
inline constexpr std::uint32_t kMouseMove = 0x0001;
inline constexpr std::uint32_t kMouseLeftDown = 0x0002;
inline constexpr std::uint32_t kMouseLeftUp = 0x0004;
inline constexpr std::uint32_t kMouseAbsolute = 0x8000;

// Flags of a synthetic key event.
inline constexpr std::uint32_t kKeyExtended = 0x0001;
inline constexpr std::uint32_t kKeyUp = 0x0002;

// Virtual keys and buttons the translator uses.
inline constexpr int kVkLeftButton = 1;
inline constexpr int kVkRightButton = 2;
inline constexpr int kVkControl = 17;
inline constexpr int kVkEscape = 27;
inline constexpr int kVkEnd = 35;
inline constexpr int kVkC = 67;

// The selection a capture asks the desktop for: on X11 the PRIMARY selection, which holds what the
// user has selected in any program without anything being copied.
struct Selection {
  bool answered = false;  // a program holds the selection and gave its text
  bool fresh = false;     // the selection was made just now, by the gesture being captured
  std::string text;
};

class InputDevice {
 public:
  virtual ~InputDevice() = default;
  virtual CursorPoint CursorPosition() = 0;
  // One mouse event. With kMouseAbsolute, dx and dy are normalised: 0 is the left (top) edge of
  // the screen and 65535 the right (bottom) edge.
  virtual void MouseEvent(std::uint32_t flags, std::int32_t dx, std::int32_t dy) = 0;
  virtual void KeyEvent(int virtual_key, std::uint32_t flags) = 0;
  virtual void MakeTopmost(forms::WindowHandle window) = 0;
  // True when the button is down now or was pressed since the previous query for it.
  virtual bool ButtonReadsPressed(int virtual_key) = 0;
  // Asks for the selection; `done` runs later, outside any handler, once the program holding it
  // has answered or has not answered in time. A desktop without such a selection answers at once
  // that no program holds one.
  virtual void RequestSelection(std::function<void(const Selection&)> done) { done(Selection{}); }
  // Whether keys sent now would reach a terminal, where Ctrl+C interrupts the running command.
  virtual bool KeysReachTerminal() { return false; }
};

// The pixel a normalised absolute coordinate stands for on a screen `extent_px` pixels wide (or
// high): the nearest one, so that a pixel sent through ClickAt comes back as itself.
int NormalisedToPixel(std::int32_t normalised, int extent_px);

}  // namespace brelvox::translator::desktop
