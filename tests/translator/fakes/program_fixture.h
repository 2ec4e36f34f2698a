// A whole translator program over the fakes, on a 1920 x 1080 pixel screen, with helpers to run
// time forward and to act as the user.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_platform.h"
#include "translator/forms/forms_app.h"
#include "translator/program.h"

namespace brelvox::translator::testing {

inline constexpr char kBase[] = "http://127.0.0.1:5000";

class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() { browsers.model.translations["bg|en|Старт"] = "Start"; }

  forms::ManualClock clock;
  FakeBrowserFactory browsers{clock};
  FakeVoiceFactory voices;
  FakeClipboard clipboard;
  FakeInputDevice input;
  FakeTray tray;
  TranslatorProgram program{Platform{clock, forms::Screen{28800, 16200}, browsers, voices,
                                     clipboard, input, tray, 0x400000},
                            PageSource{kBase, true}};

  void Advance(forms::Millis ms) { forms::AdvanceTime(clock, program.app(), ms); }
  forms::Window& form1() { return *program.app().Find("Form1"); }
  forms::Control& C(const char* name) { return form1().control(name); }
  forms::Timer& T(const char* name) { return form1().timer(name); }
  MainWindow& main() { return *program.main_window(); }
  FakeBrowser& browser() { return *browsers.current; }

  // Starts the program, lets the first page complete and runs the warm-up request to its end.
  void StartReady() {
    program.Start();
    browser().CompleteDocument();
    Advance(4000);
    voices.log = {};
    input.mouse.clear();
    input.keys.clear();
  }

  // Types `text` into the input box and presses Enter.
  void TypeAndEnter(const std::string& text) {
    C("Text1").SetText(text);
    C("Text1").KeyPress(13);
  }

  std::string Address(const std::string& fragment) const {
    return std::string(kBase) + "/?hl=bg&tab=wT#" + fragment;
  }
};

}  // namespace brelvox::translator::testing
