#include "translator/main_window.h"

#include <string>
#include <utility>

#include "translator/desktop/layouts.h"
#include "translator/forms/text.h"
#include "translator/pronunciation.h"
#include "translator/result_extraction.h"

namespace brelvox::translator {
namespace {

constexpr int kEnterKey = 13;

std::string RemoveLineBreaks(std::string_view text) {
  return forms::ReplaceAll(forms::ReplaceAll(text, "\r\n", ""), "\n", "");
}

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

MainWindow::MainWindow(forms::Window& form1, MainWindowServices services)
    : form1_(form1),
      services_(std::move(services)),
      capture_(form1, services_.input, services_.clipboard),
      drag_(form1, services_.input),
      pane_(form1, services_.tray, [this] { CheteneBulgar(); }) {
  form1_.AddTimer(forms::TimerSpec{"TimerBusy", "", kBusyPollMs, false});

  C("Text1").on_key_press = [this](int& code) { Text1KeyPress(code); };
  capture_.on_captured = [this](const std::string& text) { TakeText(text); };
  C("Text4").on_change = [this] { Text4Change(); };
  C("Command3").on_click = [this] { EnglishPronunciation(); };
  C("Check1").on_click = [this] { Check1Click(); };
  C("Check2").on_click = [this] { Check2Click(); };
  C("Check3").on_click = [this] { Check3Click(); };
  C("Check4").on_click = [this] { Check4Click(); };
  C("HScroll1").on_change = [this] { C("Label9").SetText(std::to_string(C("HScroll1").value())); };

  T("TimerBusy").on_tick = [this] { BusyPollTick(); };
  T("Timer2").on_tick = [this] { ReadResultTick(); };
  T("Timer3").on_tick = [this] {
    T("Timer3").Disable();
    C("Picture2").Hide();
    EnglishPronunciation();
  };
  T("Timer4").on_tick = [this] {
    T("Timer4").Disable();
    C("Text1").SetFocus();
  };
  T("Timer5").on_tick = [this] { ClipboardWatcherTick(); };
  T("Timer6").on_tick = [this] { SchedulerTick(); };
  T("Timer8").on_tick = [this] {
    T("Timer8").Disable();
    NaglasiButon();
  };
  T("Timer10").on_tick = [this] {
    T("Timer10").Disable();
    C("Picture9").Hide();
  };
}

MainWindow::~MainWindow() = default;

void MainWindow::Navigate(const std::string& address) {
  if (browser_) browser_->Navigate(address);
}

// ---- Start-up ----

void MainWindow::Load() {
  browser_ = services_.browsers.Create(form1_, *this);
  LoadStage = 0;
  Parvo = 0;
  MainHwnd = form1_.handle();
  services_.input.MakeTopmost(MainHwnd);
  C("image1").SetWidth(7205);
  C("image1").Show();
  Voice = services_.voices.Create(kVoiceProgId);
  services_.tray.SetTray(form1_);
  form1_.SetHeight(desktop::kForm1Collapsed);
  const forms::Screen& screen = form1_.app().screen();
  form1_.SetLeft(forms::CentredPosition(screen.width, form1_.geometry().width));
  form1_.SetTop(forms::CentredPosition(screen.height, form1_.geometry().height));
  form1_.Show();
  C("WebBrowser1").SetGeometry({0, 0, screen.width, screen.height});
  Navigate(HomeAddress(services_.page));
}

void MainWindow::Unloaded() {
  browser_.reset();
  Voice.reset();
}

void MainWindow::DocumentComplete() {
  forms::FormsApp::HandlerScope scope(form1_.app());
  if (LoadStage != 0 || !form1_.loaded()) return;
  C("Picture2").Show();
  C("Picture15").Hide();

  // A click at the horizontal centre of the window, 10 pixels below its top edge.
  desktop::InputPrimitives& input = services_.input;
  const forms::Geometry& window = form1_.geometry();
  input.SaveCursorPos();
  input.ClickTargetX = static_cast<float>(window.width / 2.0 / forms::kTwipsPerPixel +
                                          window.left / static_cast<double>(forms::kTwipsPerPixel));
  input.ClickTargetY =
      static_cast<float>(window.top / static_cast<double>(forms::kTwipsPerPixel) + 10);
  input.ClickAt();
  input.RestoreCursor();

  // The tiny viewport: the listen button, scrolled into view, lies under a fixed point near the
  // window's top-right corner.
  forms::Control& browser = C("WebBrowser1");
  browser.SetLeft(6915);
  browser.SetTop(700);
  browser.SetHeight(615);
  browser.SetWidth(735);

  C("Picture13").Hide();
  C("Picture14").Hide();
  C("image1").Hide();
  C("Picture16").Show();
  C("Text4").SetText(kWarmUpText);  // the warm-up request
  PageReady = 1;
  C("Text1").Show();
  C("Label1").Show();
  C("Picture10").Show();
  C("Text1").SetFocus();
  LoadStage = 2;
}

void MainWindow::BrowserGotFocus() {
  forms::FormsApp::HandlerScope scope(form1_.app());
  if (!form1_.loaded()) return;
  T("Timer4").Enable();  // the focus keeper hands the caret back to the input box
}

// ---- The request ----

void MainWindow::Text1KeyPress(int& character_code) {
  if (character_code != kEnterKey) return;
  // Enter sends the request; it does not break the line in the box as well, so that neither the
  // pronunciation address nor the next request carries a line break.
  character_code = 0;
  C("Text3").SetText("");
  C("Text3").Show();
  std::string text = forms::ReplaceAll(C("Text1").text(), "\r\n", "");
  for (const char* drop : {"\n", "\t", "\b"})
    text = forms::ReplaceAll(text, drop, "");
  C("Text1").SetText(std::move(text));
  // Queued input: the caret goes to the end of the input box after this handler returns.
  services_.input.PressKey(desktop::kVkEnd);
  services_.input.ReleaseKey(desktop::kVkEnd);
  C("Text4").SetText(C("Text1").text());
}

void MainWindow::Text4Change() {
  forms::Control& request = C("Text4");
  C("Picture2").Show();
  request.SetText(RemoveLineBreaks(request.text()));
  request.SetText(forms::LeftChars(request.text(), kRequestLimit));
  C("Text1").SetText(forms::LeftChars(C("Text1").text(), kRequestLimit));
  if (!request.text().empty()) Prevedi();
}

void MainWindow::Prevedi() {
  const std::string& text = C("Text4").text();
  services_.proverka.HasCyrillic(text);
  Navigate(PageAddress(services_.page,
                       BulgarianSource() ? kBulgarianToEnglish : kEnglishToBulgarian, text));
  busy_deadline_ = form1_.app().Now() + kBusyWaitLimitMs;
  if (browser_ && browser_->Busy()) {
    T("TimerBusy").Enable();
    return;
  }
  T("TimerBusy").Disable();
  RequestSent();
}

void MainWindow::BusyPollTick() {
  if (browser_ && browser_->Busy() && form1_.app().Now() < busy_deadline_) return;
  T("TimerBusy").Disable();
  RequestSent();
}

void MainWindow::RequestSent() {
  C("Text1").SetFocus();
  C("Picture8").Show();
  T("Timer2").Enable();
}

void MainWindow::ClipboardWatcherTick() {
  ClipText = services_.clipboard.GetText();
  if (ClipText.empty() || ClipText == LastClipText) return;
  TakeText(ClipText);
  LastClipText = ClipText;
}

void MainWindow::TakeText(const std::string& text) {
  // Back from the notification area or from behind other windows.
  form1_.Show();
  services_.input.MakeTopmost(MainHwnd);
  C("Text1").SetText(forms::LeftChars(text, kRequestLimit));
  C("Text1").SetText(RemoveLineBreaks(C("Text1").text()));
  C("Text4").SetText(C("Text1").text());
}

// ---- The result ----

void MainWindow::ReadResultTick() {
  T("Timer2").SetInterval(1500);
  T("Timer2").Disable();
  if (PageReady != 1) return;
  // A document that cannot be read counts as a page without a result. A request without a result
  // of its own shows a note, never the answer to an earlier request.
  PageHtml = browser_ ? browser_->RootMarkup().value_or("") : "";
  const std::optional<std::string> found = FindResult(PageHtml);
  std::string text = found ? CleanResult(*found) : std::string();
  result_is_note_ = !found || IsBlank(text);
  if (!found) {
    text = kConnectionMessage;  // no result in time, an error page, or no page at all
  } else if (result_is_note_) {
    text = kNoTranslation;  // the page has no translation
  }
  forms::Control& result = C("Text3");
  result.SetText(std::move(text));
  if (Parvo < 32767) ++Parvo;
  if (Parvo > 1) result.Show();
  if (Ticked("Check3")) {
    CheteneBulgar();
    C("Picture9").Show();
    T("Timer10").Enable();
    if (form1_.geometry().height > 6000) {
      form1_.SetHeight(desktop::kForm1Collapsed);
      C("Text1").SetFocus();
      C("Picture10").Show();
    }
  }
  T("Timer6").Enable();
}

// ---- Speaking ----

void MainWindow::CheteneBulgar() {
  // A note in the result box is not a translation: only the request is Bulgarian then.
  if (!BulgarianSource() && result_is_note_) return;
  const std::string text = SpokenText(BulgarianSource() ? C("Text4").text() : C("Text3").text());
  if (!Voice) return;
  if (std::optional<int> rate = SpeechRateFromCaption(C("Label9").text())) Voice->SetRate(*rate);
  Voice->Speak(text, kSpeakAsync);
}

void MainWindow::SchedulerTick() {
  T("Timer6").Disable();
  forms::Timer& click = T("Timer3");
  if (!BulgarianSource()) {
    // The page that speaks the English source.
    Navigate(PageAddress(services_.page, kEnglishPronunciation, C("Text1").text()));
    // A note in the result box is not spoken: there is no Bulgarian speech to wait for.
    const std::size_t spoken = result_is_note_ ? 0 : forms::CharCount(C("Text3").text());
    click.SetInterval(ListenClickDelay(false, Ticked("Check3"), spoken));
  } else {
    // The page on screen already speaks the English translation.
    C("Picture2").Hide();
    click.SetInterval(
        ListenClickDelay(true, Ticked("Check3"), forms::CharCount(C("Text4").text())));
  }
  click.Enable();
}

void MainWindow::EnglishPronunciation() {
  if (!Ticked("Check2")) return;
  C("Picture2").Hide();
  NaglasiButon();
  // 15 pixels inside the window's right edge, 60 below its top: 7 right of and 13 below the
  // viewport's top-left corner, where the scrolled-in listen button lies.
  desktop::InputPrimitives& input = services_.input;
  const forms::Geometry& window = form1_.geometry();
  input.SaveCursorPos();
  input.ClickTargetX =
      static_cast<float>(window.width / static_cast<double>(forms::kTwipsPerPixel) +
                         window.left / static_cast<double>(forms::kTwipsPerPixel) - 15);
  input.ClickTargetY =
      static_cast<float>(window.top / static_cast<double>(forms::kTwipsPerPixel) + 60);
  input.ClickAt();
  input.RestoreCursor();
  T("Timer4").Enable();
  C("Text1").SetFocus();
}

void MainWindow::NaglasiButon() {
  bool walked = false;
  if (browser_) {
    if (std::optional<std::vector<std::string>> ids = browser_->ElementIds("div")) {
      walked = true;
      for (int i = 0; walked && i < static_cast<int>(ids->size()); ++i) {
        if ((*ids)[i] == "tts_button") walked = browser_->ScrollIntoView("div", i);
      }
    }
  }
  if (!walked) C("Text1").SetText(kConnectionMessage);
}

// ---- Options ----

void MainWindow::ShowIndicator(const char* check, const char* on_picture, const char* off_picture) {
  const bool on = Ticked(check);
  C(on ? on_picture : off_picture).Show();
  C(on ? off_picture : on_picture).Hide();
}

void MainWindow::Check1Click() {
  if (Ticked("Check1")) {
    services_.clipboard.Clear();  // text copied before capture mode is not translated
    T("Timer5").Enable();
    T("Timer1111").Enable();
    ShowIndicator("Check1", "Picture24", "Picture17");
  } else {
    ShowIndicator("Check1", "Picture24", "Picture17");
    T("Timer5").Disable();
    for (const char* timer : {"Timer1111", "Timer2222", "Timer3333", "Timer4444"}) {
      T(timer).Disable();
    }
  }
}

void MainWindow::Check2Click() {
  NaglasiButon();
  ShowIndicator("Check2", "Picture18", "Picture23");
}

void MainWindow::Check3Click() {
  ShowIndicator("Check3", "Picture19", "Picture22");
}

void MainWindow::Check4Click() {
  if (!Ticked("Check4")) return;
  if (!Ticked("Check2") && !Ticked("Check3")) {
    form1_.app().Load("Form3").Show();
    C("Check4").SetValue(0);
    return;
  }
  C("Check1").SetValue(1);
  for (const char* name : {"Picture8", "Picture9"}) {
    C(name).SetLeft(6920);
    C(name).SetTop(1020);
  }
  // Only the strip from the speak button rightwards stays on screen, at the left edge.
  const forms::Control& speak = C("Picture8");
  const int width = form1_.geometry().width;
  form1_.SetLeft(width - speak.geometry().left - width);
  form1_.SetHeight(speak.geometry().top + speak.geometry().height);
  form1_.SetTop(forms::CentredPosition(form1_.app().screen().height, form1_.geometry().height));
  C("Picture7").Show();
}

}  // namespace brelvox::translator
