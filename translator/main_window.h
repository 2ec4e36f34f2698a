// The main window Form1: start-up, the translation request, reading the result, speaking both
// sides, the options and the compact voice mode. It also owns the desktop pieces that live on the
// window (capture of selected text, moving the window, the settings pane).
//
// Everything runs on the user-interface thread in handlers and timer ticks. A handler's failing
// step is skipped and the next one runs; the only message a user sees is the connection message
// in the input box.
//
// The request cycle: Prevedi navigates and, once the browser has taken the address, enables
// Timer2; 1500 ms later Timer2 reads the result and speaks the Bulgarian side; 1000 ms later
// Timer6 sets the delay of Timer3, whose tick clicks the page's listen button; 200 ms later Timer4
// returns the focus to the input box.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "translator/browser.h"
#include "translator/desktop/capture_machine.h"
#include "translator/desktop/clipboard.h"
#include "translator/desktop/input_primitives.h"
#include "translator/desktop/settings_pane.h"
#include "translator/desktop/tray.h"
#include "translator/desktop/window_drag.h"
#include "translator/forms/forms_app.h"
#include "translator/page_source.h"
#include "translator/script_detection.h"
#include "translator/speech_voice.h"

namespace brelvox::translator {

inline constexpr char kConnectionMessage[] = "Възможна загуба на връзката със сървърът!";
inline constexpr char kWarmUpText[] = "Старт";
// The result box's note when the page has no translation for the request.
inline constexpr char kNoTranslation[] = "няма превод";
inline constexpr std::size_t kRequestLimit = 99;  // characters sent at most
// Prevedi waits for the browser to take the new address by polling Busy every kBusyPollMs, on a
// timer, so the window keeps running; after kBusyWaitLimitMs it goes on as if the page had taken
// it (the result is then read from whatever the page shows).
inline constexpr int kBusyPollMs = 10;
inline constexpr int kBusyWaitLimitMs = 5000;

// What the main window reaches outside itself. Module-level state (script detection, input
// primitives, tray) is shared by the whole program and survives a restart of the window.
struct MainWindowServices {
  BrowserFactory& browsers;
  SpeechVoiceFactory& voices;
  desktop::Clipboard& clipboard;
  desktop::InputPrimitives& input;
  desktop::TrayModule& tray;
  ModuleProverka& proverka;
  PageSource page;
};

class MainWindow final : public forms::FormBehaviour, private BrowserEvents {
 public:
  MainWindow(forms::Window& form1, MainWindowServices services);
  ~MainWindow() override;

  // Window-level state; zero or empty each time the window is created.
  std::int16_t Parvo = 0;  // results read so far; the result box shows from the second one
  int LoadStage = 0;       // 2 once the first document has completed
  std::int16_t PageReady = 0;
  std::unique_ptr<SpeechVoice> Voice;
  forms::WindowHandle MainHwnd = 0;
  std::string ClipText;
  std::string LastClipText;
  std::string PageHtml;

  void Load() override;      // start-up
  void Unloaded() override;  // lets go of the browser (with its page) and the voice

  void Prevedi();        // sends the request box's text to the page
  void CheteneBulgar();  // speaks the Bulgarian side
  void NaglasiButon();   // scrolls the page's listen button into view

  forms::Window& form() { return form1_; }
  Browser* browser() { return browser_.get(); }
  desktop::CaptureMachine& capture() { return capture_; }
  desktop::WindowDrag& drag() { return drag_; }
  desktop::SettingsPane& pane() { return pane_; }

 private:
  // BrowserEvents
  void DocumentComplete() override;
  void BrowserGotFocus() override;

  forms::Control& C(const char* name) { return form1_.control(name); }
  forms::Timer& T(const char* name) { return form1_.timer(name); }
  bool Ticked(const char* check) { return C(check).value() == 1; }
  bool BulgarianSource() const { return services_.proverka.CyrillicScore > 0; }
  void Navigate(const std::string& address);

  void Text1KeyPress(int& character_code);
  void Text4Change();
  void BusyPollTick();
  void RequestSent();
  void ClipboardWatcherTick();
  // Captured or copied text becomes the request, in the raised window.
  void TakeText(const std::string& text);
  void ReadResultTick();
  void SchedulerTick();
  void EnglishPronunciation();
  void Check1Click();
  void Check2Click();
  void Check3Click();
  void Check4Click();
  void ShowIndicator(const char* check, const char* on_picture, const char* off_picture);

  forms::Window& form1_;
  MainWindowServices services_;
  std::unique_ptr<Browser> browser_;
  forms::Millis busy_deadline_ = 0;
  desktop::CaptureMachine capture_;
  desktop::WindowDrag drag_;
  desktop::SettingsPane pane_;
  bool result_is_note_ = true;  // the result box holds a note, not a translation
};

}  // namespace brelvox::translator
