#include "translator/desktop/restart_window.h"

#include "translator/forms/forms_app.h"

namespace brelvox::translator::desktop {

RestartWindow::RestartWindow(forms::Window& form2, Clipboard& clipboard, InputPrimitives& input,
                             TrayModule& tray, std::string warmUpText,
                             std::function<void(forms::Window& form1)> reloaded)
    : form2_(form2),
      clipboard_(clipboard),
      input_(input),
      tray_(tray),
      warmUpText_(std::move(warmUpText)),
      reloaded_(std::move(reloaded)) {
  form2_.timer("Timer1").on_tick = [this] { Timer1Tick(); };
  form2_.timer("Timer2").on_tick = [this] { Timer2Tick(); };
  form2_.timer("Timer3").on_tick = [this] { Timer3Tick(); };
}

void RestartWindow::Load() {
  clipboard_.Clear();
  const forms::Screen& screen = form2_.app().screen();
  form2_.SetLeft(forms::CentredPosition(screen.width, form2_.geometry().width));
  form2_.SetTop(forms::CentredPosition(screen.height, form2_.geometry().height));
  input_.MakeTopmost(form2_.handle());
}

void RestartWindow::Timer1Tick() {
  form2_.timer("Timer1").Disable();
  forms::FormsApp& app = form2_.app();
  // Without a main window (it was closed in the meantime) every option counts as off.
  forms::Window* form1 = app.Find("Form1");
  auto ticked = [form1](const char* check) { return form1 && form1->control(check).value() == 1; };
  SavedCheck1 = ticked("Check1") ? 1 : 0;
  SavedCheck2 = ticked("Check2") ? 1 : 0;
  SavedCheck3 = ticked("Check3");
  app.Unload("Form1");
  tray_.RemoveTrayIcon();
}

void RestartWindow::Timer2Tick() {
  form2_.timer("Timer2").Disable();
  forms::Window& form1 = form2_.app().Load("Form1");
  form2_.Hide();
  form1.Show();
  form1.control("Text1").Show();
  form1.control("Text1").SetText("");
  form1.control("Text4").SetText(warmUpText_);
  form1.control("Label1").Show();
  form1.control("Picture8").Show();
  form1.control("Picture10").Show();
  if (SavedCheck1 == 1) form1.control("Check1").SetValue(1);
  if (SavedCheck2 == 0) form1.control("Check2").SetValue(0);
  if (!SavedCheck3) form1.control("Check3").SetValue(0);
  if (reloaded_) reloaded_(form1);
}

void RestartWindow::Timer3Tick() {
  if (SavedCheck2 == 0) {
    if (forms::Window* form1 = form2_.app().Find("Form1")) form1->timer("Timer8").Enable();
  }
  form2_.app().Unload("Form2");
}

}  // namespace brelvox::translator::desktop
