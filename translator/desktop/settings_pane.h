// The click actions of the main window's skin: the settings toggle, the option rows, the compact
// voice mode row and its restore button, the translate and speak buttons, restart, and the two
// hot spots that hide the window or end the program.
//
// An option row first swaps its pair of pictures and then sets the hidden check box, whose own
// click handler sets the same pictures again.
#pragma once

#include <functional>

#include "translator/desktop/tray.h"
#include "translator/forms/window.h"

namespace brelvox::translator::desktop {

class SettingsPane {
 public:
  // `speak_bulgarian` is the main window's CheteneBulgar.
  SettingsPane(forms::Window& form1, TrayModule& tray, std::function<void()> speak_bulgarian);

  void SettingsToggle();
  void CollapseSettings();  // the action of Picture12
  void LeaveCompactMode();  // the action of Picture7
  void Translate();         // the action of the translate button
  void SpeakBulgarian();    // the action of Picture8
  void Restart();
  void HideToTray();
  void Exit();

 private:
  void Wire(const char* control, std::function<void()> action);
  void OptionRow(const char* picture, const char* label, const char* hide, const char* show,
                 const char* check, int value);

  forms::Window& form1_;
  TrayModule& tray_;
  std::function<void()> speak_bulgarian_;
};

}  // namespace brelvox::translator::desktop
