#include "translator/desktop/capture_machine.h"

#include "translator/forms/forms_app.h"

namespace brelvox::translator::desktop {

CaptureMachine::CaptureMachine(forms::Window& form1, InputPrimitives& input, Clipboard& clipboard)
    : form1_(form1), input_(input), clipboard_(clipboard) {
  form1_.timer("Timer1111").on_tick = [this] { Timer1111Tick(); };
  form1_.timer("Timer4444").on_tick = [this] { Timer4444Tick(); };
  form1_.timer("Timer2222").on_tick = [this] { Timer2222Tick(); };
  form1_.timer("Timer3333").on_tick = [this] {
    form1_.timer("Timer3333").Disable();
    PressFlag = 0;
  };
  form1_.timer("Kopirane").on_tick = [this] {
    form1_.timer("Kopirane").Disable();
    Copy(true);
  };
  form1_.timer("TimerDesen").on_tick = [this] {
    form1_.timer("TimerDesen").Disable();
    Copy(false);
  };
}

void CaptureMachine::Timer1111Tick() {
  if (!input_.ButtonReadsPressed(kVkLeftButton)) return;
  PressFlag = 1;
  form1_.timer("Timer4444").Enable();
  form1_.timer("Timer1111").Disable();
  form1_.timer("Timer3333").Enable();
}

void CaptureMachine::Timer4444Tick() {
  if (input_.ButtonReadsPressed(kVkLeftButton)) return;
  ReleaseFlag = 1;
  form1_.timer("Timer4444").Disable();
  form1_.timer("Timer2222").Enable();
}

void CaptureMachine::Timer2222Tick() {
  if (input_.ButtonReadsPressed(kVkRightButton)) form1_.timer("TimerDesen").Enable();
  if (!input_.ButtonReadsPressed(kVkLeftButton)) return;
  form1_.timer("Timer2222").Disable();
  ClickSum = static_cast<std::int16_t>(PressFlag + ReleaseFlag);
  if (ClickSum == 2) {
    form1_.timer("Kopirane").Enable();
    PressFlag = 0;
    ReleaseFlag = 0;
    ClickSum = 0;
    form1_.timer("Timer1111").Enable();
    form1_.timer("Timer2222").Disable();
    form1_.timer("Timer3333").Disable();
    form1_.timer("Timer4444").Disable();
  } else {
    PressFlag = 1;
    form1_.timer("Timer4444").Enable();
    form1_.timer("Timer3333").Enable();
  }
  ReleaseFlag = 0;
  ClickSum = 0;
}

void CaptureMachine::Copy(bool clear_clipboard) {
  std::weak_ptr<bool> alive = alive_;
  input_.device().RequestSelection([this, alive, clear_clipboard](const Selection& selection) {
    if (alive.expired()) return;
    forms::FormsApp::HandlerScope scope(form1_.app());
    if (!selection.answered) {
      CopyByKeys(clear_clipboard);
    } else if (selection.fresh && !selection.text.empty() && on_captured) {
      on_captured(selection.text);
    }
    // A selection made before the gesture is not what the user pointed at: nothing is taken.
  });
}

void CaptureMachine::CopyByKeys(bool clear_clipboard) {
  if (input_.device().KeysReachTerminal()) return;
  if (clear_clipboard) clipboard_.Clear();
  input_.PressKey(kVkEscape);
  input_.ReleaseKey(kVkEscape);
  input_.PressKey(kVkControl);
  input_.PressKey(kVkC);
  input_.ReleaseKey(kVkC);
  input_.ReleaseKey(kVkControl);
}

}  // namespace brelvox::translator::desktop
