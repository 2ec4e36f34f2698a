// Capture of selected text from other programs: a state machine of polling timers of Form1 that
// recognises a double click on a word, or a right click after a selection, anywhere on the
// desktop, and then makes the program under the pointer copy its selection (Esc, Ctrl+C).
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

#include "translator/desktop/clipboard.h"
#include "translator/desktop/input_primitives.h"
#include "translator/forms/window.h"

namespace translator::desktop {

class CaptureMachine {
 public:
  CaptureMachine(forms::Window& form1, InputPrimitives& input, Clipboard& clipboard);

  std::int16_t PressFlag = 0;
  std::int16_t ReleaseFlag = 0;
  std::int16_t ClickSum = 0;

  // Esc, then Ctrl+C, into whatever window has the keyboard focus.
  void Copy();

 private:
  void Timer1111Tick();
  void Timer4444Tick();
  void Timer2222Tick();

  forms::Window& form1_;
  InputPrimitives& input_;
  Clipboard& clipboard_;
};

}  // namespace translator::desktop
