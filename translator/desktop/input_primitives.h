// The click, key and cursor procedures of the `klik` and `CordinatiMouse` modules, with their
// module-level state (one instance per process; it survives a restart of the main window).
//
// Callers that click follow one sequence: SaveCursorPos, set ClickTargetX and ClickTargetY,
// ClickAt, RestoreCursor.
#pragma once

#include <cstdint>

#include "translator/desktop/input_device.h"
#include "translator/forms/forms_app.h"

namespace brelvox::translator::desktop {

class InputPrimitives {
 public:
  InputPrimitives(InputDevice& device, const forms::FormsApp& app) : device_(device), app_(app) {}

  // klik
  float ClickTargetX = 0;  // screen pixels
  float ClickTargetY = 0;
  void ClickAt();
  void RestoreCursor();
  void MakeTopmost(forms::WindowHandle window) { device_.MakeTopmost(window); }
  void PressKey(int virtual_key) { device_.KeyEvent(virtual_key & 0xFF, kKeyExtended); }
  void ReleaseKey(int virtual_key) { device_.KeyEvent(virtual_key & 0xFF, kKeyExtended | kKeyUp); }

  // CordinatiMouse
  std::int16_t CursorX = 0;  // pixels, at the last SaveCursorPos
  std::int16_t CursorY = 0;
  void SaveCursorPos();

  bool ButtonReadsPressed(int virtual_key) { return device_.ButtonReadsPressed(virtual_key); }
  InputDevice& device() { return device_; }

  // The normalised absolute coordinates ClickAt sends for a point in pixels.
  struct Absolute {
    std::int32_t x = 0;
    std::int32_t y = 0;
  };
  Absolute ToAbsolute(double x_px, double y_px) const;

 private:
  InputDevice& device_;
  const forms::FormsApp& app_;
};

}  // namespace brelvox::translator::desktop
