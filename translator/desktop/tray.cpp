#include "translator/desktop/tray.h"

namespace brelvox::translator::desktop {

void TrayModule::SetTray(forms::Window& form1) {
  TrayIconId = instance_handle_;
  Data = TrayData{};
  Data.window = form1.handle();
  Data.id = TrayIconId;
  Data.tip = kTrayTip;
  host_.AddIcon(Data);
  host_.AnimateToTray(form1.handle());
  form1.Hide();
}

void TrayModule::HideToTray(forms::Window& form1) {
  if (host_.Available()) {
    form1.Hide();
    return;
  }
  if (told_no_tray_) return;
  told_no_tray_ = true;
  forms::Window& hint = app_.Load("Form3");
  hint.control("Label1").SetText(kNoTrayNote);
  hint.Show();
}

void TrayModule::RemoveTrayIcon() {
  host_.DeleteIcon(Data);
}

void TrayModule::TrayWndProc(std::uint32_t wparam, std::uint32_t lparam) {
  if (wparam != TrayIconId) return;
  if (lparam != kTrayLeftButtonDown && lparam != kTrayRightButtonDown) return;
  forms::FormsApp::HandlerScope scope(app_);
  if (forms::Window* form1 = app_.Find("Form1")) form1->Show();
}

}  // namespace brelvox::translator::desktop
