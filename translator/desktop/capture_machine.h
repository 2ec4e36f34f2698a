// Capture of selected text from other programs: a state machine of polling timers of Form1 that
// recognises a double click on a word, or a right click after a selection, anywhere on the
// desktop, and then takes the selection. Where the desktop keeps the selection apart from the
// clipboard (X11's PRIMARY), it is read from there: nothing is sent to the other program and the
// user's clipboard stays as it was. Only where no program answers for the selection is the program
// under the pointer made to copy it (Esc, Ctrl+C), and never a terminal, where Ctrl+C would
// interrupt the running command.
//
// The machine polls the global button state every 50 ms:
//   WaitPress   (Timer1111)  left reads pressed  -> PressFlag = 1, 600 ms window (Timer3333)
//   WaitRelease (Timer4444)  left reads released -> ReleaseFlag = 1
//   WaitSecond  (Timer2222)  right reads pressed -> copy 500 ms later (TimerDesen), stay
//                            left reads pressed, both flags set -> clear the clipboard, copy
//                              300 ms later (Kopirane), back to WaitPress
//                            left reads pressed otherwise -> a new first press
// Timer3333's tick clears PressFlag. The option's handler starts the machine by enabling
// Timer1111 and stops it by disabling the four polling timers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "translator/desktop/clipboard.h"
#include "translator/desktop/input_primitives.h"
#include "translator/forms/window.h"

namespace brelvox::translator::desktop {

class CaptureMachine {
 public:
  CaptureMachine(forms::Window& form1, InputPrimitives& input, Clipboard& clipboard);

  std::int16_t PressFlag = 0;
  std::int16_t ReleaseFlag = 0;
  std::int16_t ClickSum = 0;

  // Takes the selection: from the desktop's selection, else by the copy keys (after clearing the
  // clipboard, for a double click).
  void Copy(bool clear_clipboard);
  // Esc, then Ctrl+C, into whatever window has the keyboard focus, unless that is a terminal.
  void CopyByKeys(bool clear_clipboard);

  // Text taken from the desktop's selection, for the main window to translate.
  std::function<void(const std::string&)> on_captured;

 private:
  void Timer1111Tick();
  void Timer4444Tick();
  void Timer2222Tick();

  forms::Window& form1_;
  InputPrimitives& input_;
  Clipboard& clipboard_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // answers come after the window
};

}  // namespace brelvox::translator::desktop
