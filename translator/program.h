// The translator program, assembled from its windows and the module-level state they share,
// over the outside things a platform provides. The display binding creates one, calls Start,
// delivers user input, browser and tray notifications to the windows, runs the due timer ticks
// and ends the process when the program has ended (no window loaded any more).
#pragma once

#include <cstdint>

#include "translator/browser.h"
#include "translator/desktop/clipboard.h"
#include "translator/desktop/input_device.h"
#include "translator/desktop/input_primitives.h"
#include "translator/desktop/tray.h"
#include "translator/forms/clock.h"
#include "translator/forms/forms_app.h"
#include "translator/main_window.h"
#include "translator/page_source.h"
#include "translator/script_detection.h"
#include "translator/speech_voice.h"

namespace brelvox::translator {

struct Platform {
  const forms::Clock& clock;
  forms::Screen screen;  // twips
  BrowserFactory& browsers;
  SpeechVoiceFactory& voices;
  desktop::Clipboard& clipboard;
  desktop::InputDevice& input;
  desktop::TrayHost& tray;
  std::uint32_t instance_handle = 1;  // identifies the program's tray icon
};

class TranslatorProgram {
 public:
  TranslatorProgram(Platform platform, PageSource page);

  // Loads the main window.
  void Start();

  forms::FormsApp& app() { return app_; }
  desktop::InputPrimitives& input() { return input_; }
  desktop::TrayModule& tray() { return tray_; }
  ModuleProverka& proverka() { return proverka_; }
  const PageSource& page() const { return page_; }
  // The behaviour of the main window while it is loaded, else null.
  MainWindow* main_window();

 private:
  Platform platform_;
  PageSource page_;
  forms::FormsApp app_;
  desktop::InputPrimitives input_;
  desktop::TrayModule tray_;
  ModuleProverka proverka_;
};

}  // namespace brelvox::translator
