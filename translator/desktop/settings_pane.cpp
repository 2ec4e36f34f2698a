#include "translator/desktop/settings_pane.h"

#include <utility>

#include "translator/desktop/layouts.h"
#include "translator/forms/forms_app.h"

namespace brelvox::translator::desktop {

SettingsPane::SettingsPane(forms::Window& form1, TrayModule& tray,
                           std::function<void()> speak_bulgarian)
    : form1_(form1), tray_(tray), speak_bulgarian_(std::move(speak_bulgarian)) {
  Wire("Picture10", [this] { SettingsToggle(); });
  Wire("Label5", [this] { SettingsToggle(); });
  Wire("Picture12", [this] { CollapseSettings(); });
  OptionRow("Picture17", "Label12", "Picture17", "Picture24", "Check1", 1);
  OptionRow("Picture24", "Label11", "Picture24", "Picture17", "Check1", 0);
  OptionRow("Picture23", "Label13", "Picture23", "Picture18", "Check2", 1);
  OptionRow("Picture18", "Label14", "Picture18", "Picture23", "Check2", 0);
  OptionRow("Picture22", "Label15", "Picture22", "Picture19", "Check3", 1);
  OptionRow("Picture19", "Label16", "Picture19", "Picture22", "Check3", 0);
  Wire("Picture20", [this] { form1_.control("Check4").SetValue(1); });
  Wire("Label18", [this] { form1_.control("Check4").SetValue(1); });
  Wire("Picture7", [this] { LeaveCompactMode(); });
  Wire("Picture16", [this] { Translate(); });
  Wire("Label10", [this] { Translate(); });
  Wire("Picture8", [this] { SpeakBulgarian(); });
  Wire("Picture6", [this] { Restart(); });
  Wire("Label3", [this] { Restart(); });
  Wire("Picture11", [this] { HideToTray(); });
  Wire("Picture1", [this] { Exit(); });
}

void SettingsPane::Wire(const char* control, std::function<void()> action) {
  form1_.control(control).on_click = std::move(action);
}

void SettingsPane::OptionRow(const char* picture, const char* label, const char* hide,
                             const char* show, const char* check, int value) {
  auto action = [this, hide, show, check, value] {
    form1_.control(hide).Hide();
    form1_.control(show).Show();
    form1_.control(check).SetValue(value);
  };
  Wire(picture, action);
  Wire(label, action);
}

void SettingsPane::SettingsToggle() {
  form1_.SetHeight(form1_.geometry().height == kForm1Collapsed ? kForm1Expanded : kForm1Collapsed);
  form1_.control("Text1").SetFocus();  // fails harmlessly while the input box is hidden
}

void SettingsPane::CollapseSettings() {
  SettingsToggle();
  form1_.control("Picture10").Show();
}

void SettingsPane::LeaveCompactMode() {
  form1_.control("Picture7").Hide();
  form1_.SetHeight(kForm1Expanded);
  form1_.SetWidth(kForm1Width);
  const forms::Screen& screen = form1_.app().screen();
  form1_.SetLeft(forms::CentredPosition(screen.width, form1_.geometry().width));
  form1_.SetTop(forms::CentredPosition(screen.height, form1_.geometry().height));
  form1_.control("Check4").SetValue(0);
  for (const char* name : {"Picture8", "Picture9"}) {
    form1_.control(name).SetLeft(6480);
    form1_.control(name).SetTop(720);
  }
}

void SettingsPane::Translate() {
  // Emptying the request box first makes the same text count as a change again.
  form1_.control("Text4").SetText("");
  form1_.control("Text4").SetText(form1_.control("Text1").text());
}

void SettingsPane::SpeakBulgarian() {
  if (speak_bulgarian_) speak_bulgarian_();
  form1_.timer("Timer10").Enable();
  form1_.control("Picture9").Show();
}

void SettingsPane::Restart() {
  form1_.app().Load("Form2").Show();
}

void SettingsPane::HideToTray() {
  tray_.HideToTray(form1_);
}

void SettingsPane::Exit() {
  forms::FormsApp& app = form1_.app();
  TrayModule& tray = tray_;
  app.Unload("Form1");
  tray.RemoveTrayIcon();
}

}  // namespace brelvox::translator::desktop
