#include "translator/program.h"

#include <memory>

#include "translator/desktop/hint_window.h"
#include "translator/desktop/layouts.h"
#include "translator/desktop/restart_window.h"

namespace brelvox::translator {

TranslatorProgram::TranslatorProgram(Platform platform, PageSource page)
    : platform_(platform),
      page_(std::move(page)),
      app_(platform_.clock, platform_.screen),
      input_(platform_.input, app_),
      tray_(platform_.tray, app_, platform_.instance_handle) {
  const desktop::SourceTexts texts = DescribeSource(page_);
  app_.RegisterForm(desktop::Form1Window(texts), [this, texts](forms::Window& form1) {
    desktop::BuildForm1(form1, texts);
    return std::make_unique<MainWindow>(
        form1, MainWindowServices{platform_.browsers, platform_.voices, platform_.clipboard, input_,
                                  tray_, proverka_, page_});
  });
  app_.RegisterForm(desktop::Form2Window(), [this](forms::Window& form2) {
    desktop::BuildForm2(form2);
    return std::make_unique<desktop::RestartWindow>(
        form2, platform_.clipboard, input_, tray_, kWarmUpText, [](forms::Window& form1) {
          if (auto* main = form1.behaviour<MainWindow>()) main->Parvo = 0;
        });
  });
  app_.RegisterForm(desktop::Form3Window(), [this](forms::Window& form3) {
    desktop::BuildForm3(form3);
    return std::make_unique<desktop::HintWindow>(form3, input_);
  });
}

void TranslatorProgram::Start() {
  app_.Load("Form1");
}

MainWindow* TranslatorProgram::main_window() {
  forms::Window* form1 = app_.Find("Form1");
  return form1 ? form1->behaviour<MainWindow>() : nullptr;
}

}  // namespace brelvox::translator
