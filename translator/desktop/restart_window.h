// Form2, the restart notice: it throws the main window away and builds a fresh one in the same
// process, keeping the capture and pronunciation options.
//
//   0 ms     the notice shows, topmost and centred; the clipboard is cleared
//   100 ms   the options are saved; the main window is unloaded and its tray icon removed
//   2000 ms  a new main window is loaded and shown with the options restored (Timer2), then the
//            notice unloads itself (Timer3)
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "translator/desktop/clipboard.h"
#include "translator/desktop/input_primitives.h"
#include "translator/desktop/tray.h"
#include "translator/forms/window.h"

namespace brelvox::translator::desktop {

class RestartWindow final : public forms::FormBehaviour {
 public:
  // `warmUpText` is the request the new main window starts with; `reloaded` runs on the new main
  // window once it shows, for what the main window keeps of its own (its first-request count).
  RestartWindow(forms::Window& form2, Clipboard& clipboard, InputPrimitives& input,
                TrayModule& tray, std::string warmUpText,
                std::function<void(forms::Window& form1)> reloaded);
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
  std::string warmUpText_;
  std::function<void(forms::Window& form1)> reloaded_;
};

}  // namespace brelvox::translator::desktop
