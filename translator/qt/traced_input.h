// The desktop's input with every synthetic event, every topmost request and every button that
// reads as pressed written to the trace.
#pragma once

#include <string>

#include "translator/desktop/input_device.h"
#include "translator/qt/trace.h"

namespace brelvox::translator::qt {

class TracedInput final : public desktop::InputDevice {
 public:
  TracedInput(desktop::InputDevice& input, Trace* trace) : input_(input), trace_(trace) {}

  desktop::CursorPoint CursorPosition() override { return input_.CursorPosition(); }
  void MouseEvent(std::uint32_t flags, std::int32_t dx, std::int32_t dy) override {
    TraceLine(trace_, "mouse",
              std::to_string(flags) + " " + std::to_string(dx) + " " + std::to_string(dy));
    input_.MouseEvent(flags, dx, dy);
  }
  void KeyEvent(int virtual_key, std::uint32_t flags) override {
    TraceLine(trace_, "key", std::to_string(virtual_key) + " " + std::to_string(flags));
    input_.KeyEvent(virtual_key, flags);
  }
  void MakeTopmost(forms::WindowHandle window) override {
    TraceLine(trace_, "topmost", std::to_string(window));
    input_.MakeTopmost(window);
  }
  bool ButtonReadsPressed(int virtual_key) override {
    const bool pressed = input_.ButtonReadsPressed(virtual_key);
    if (pressed) TraceLine(trace_, "button", std::to_string(virtual_key));
    return pressed;
  }
  void RequestSelection(std::function<void(const desktop::Selection&)> done) override {
    Trace* trace = trace_;
    input_.RequestSelection([trace, done = std::move(done)](const desktop::Selection& s) {
      TraceLine(trace, "selection",
                std::string(s.answered ? "1 " : "0 ") + (s.fresh ? "1 " : "0 ") + s.text);
      done(s);
    });
  }
  bool KeysReachTerminal() override {
    const bool terminal = input_.KeysReachTerminal();
    if (terminal) TraceLine(trace_, "terminal");
    return terminal;
  }

 private:
  desktop::InputDevice& input_;
  Trace* trace_;
};

}  // namespace brelvox::translator::qt
