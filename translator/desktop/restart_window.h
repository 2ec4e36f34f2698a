// Form2, the restart notice: it throws the main window away and builds a fresh one in the same
// process, keeping the capture and pronunciation options.
//
//   0 ms     the notice shows, topmost and centred; the clipboard is cleared
//   100 ms   the options are saved; the main window is unloaded and its tray icon removed
//   2000 ms  a new main window is loaded and shown with the options restored (Timer2), then the
//            notice unloads itself (Timer3)
#pragma once

#include <cstdint>

#include "translator/desktop/clipboard.h"
#include "translator/desktop/input_primitives.h"
#include "translator/desktop/tray.h"
#include "translator/forms/window.h"

namespace translator::desktop {

class RestartWindow final : public forms::FormBehaviour {
 public:
  RestartWindow(forms::Window& form2, Clipboard& clipboard, InputPrimitives& input,
                TrayModule& tray);
  void Load() override;

  std::int16_t SavedCheck1 = 0;
  std::int16_t SavedCheck2 = 0;
  bool SavedCheck3 = false;

 private:
  void Timer1Tick();
  void Timer2Tick();
  void Timer3Tick();

  forms::Window& form2_;
  Clipboard& clipboard_;
  InputPrimitives& input_;
  TrayModule& tray_;
};

}  // namespace translator::desktop
