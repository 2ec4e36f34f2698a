// Fakes of everything outside the translator's behaviour, driven by the tests: a browser showing
// a small model of the translation page, a voice that records what it is asked to say, a
// clipboard, the desktop's input, the tray and a manual clock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "translator/browser.h"
#include "translator/desktop/clipboard.h"
#include "translator/desktop/input_device.h"
#include "translator/desktop/tray.h"
#include "translator/forms/clock.h"
#include "translator/speech_voice.h"

namespace brelvox::translator::testing {

// The translation page as the fake browser shows it. After a navigation the page takes the new
// address `busy_ms` later (Busy reads true until then). Its markup carries the result of the
// address's fragment in the page's markup rule, taken from `translations` (keyed by direction and
// text, e.g. "bg|en|котка"); an address without a known translation shows no result markers.
struct PageModel {
  int busy_ms = 0;
  std::map<std::string, std::string> translations;
  std::optional<std::string> markup_override;  // shown instead of the model's markup
  bool readable = true;                        // false: no document to read or walk
  std::vector<std::string> div_ids = {"", "result", "tts_button"};
  bool scroll_fails = false;
};

// The markup of a page showing `source` and its translation `result`, serialised as a browser
// does: "&", "<" and ">" of the texts come out as references.
std::string PageMarkup(const std::string& source, const std::string& result);

class FakeBrowser final : public Browser {
 public:
  FakeBrowser(const forms::Clock& clock, PageModel& model, BrowserEvents& events, int& alive)
      : clock_(clock), model_(model), events_(events), alive_(alive) {
    ++alive_;
  }
  ~FakeBrowser() override { --alive_; }

  void Navigate(const std::string& address) override;
  bool Busy() override;
  std::optional<std::string> RootMarkup() override;
  std::optional<std::vector<std::string>> ElementIds(std::string_view tag) override;
  bool ScrollIntoView(std::string_view tag, int index) override;

  // The page raises document-complete (the first page has loaded, or a frame of it).
  void CompleteDocument() { events_.DocumentComplete(); }
  void TakeFocus() { events_.BrowserGotFocus(); }

  std::vector<std::string> navigations;
  std::vector<int> scrolled;  // indices scrolled into view
  std::string address;        // the address the page shows

 private:
  const forms::Clock& clock_;
  PageModel& model_;
  BrowserEvents& events_;
  int& alive_;
  std::string pending_;
  forms::Millis taken_at_ = 0;
};

class FakeBrowserFactory final : public BrowserFactory {
 public:
  explicit FakeBrowserFactory(const forms::Clock& clock) : clock_(clock) {}
  std::unique_ptr<Browser> Create(forms::Window& form1, BrowserEvents& events) override;

  PageModel model;
  FakeBrowser* current = nullptr;  // the browser of the window created last
  int created = 0;
  int alive = 0;

 private:
  const forms::Clock& clock_;
};

struct SpeechLog {
  std::vector<std::string> spoken;
  std::vector<unsigned> flags;
  std::vector<int> rates;
};

class FakeVoiceFactory final : public SpeechVoiceFactory {
 public:
  std::unique_ptr<SpeechVoice> Create(std::string_view prog_id) override;

  bool available = true;  // false: no speech platform
  bool failing = false;   // the voices' calls fail
  int created = 0;
  std::string prog_id;
  SpeechLog log;
};

class FakeClipboard final : public desktop::Clipboard {
 public:
  std::string GetText() override { return text; }
  void Clear() override {
    text.clear();
    ++clears;
  }
  std::string text;
  int clears = 0;
};

struct MouseEventRecord {
  std::uint32_t flags;
  std::int32_t dx;
  std::int32_t dy;
  bool operator==(const MouseEventRecord&) const = default;
};

struct KeyEventRecord {
  int key;
  std::uint32_t flags;
  bool operator==(const KeyEventRecord&) const = default;
};

class FakeInputDevice final : public desktop::InputDevice {
 public:
  desktop::CursorPoint CursorPosition() override { return cursor; }
  void MouseEvent(std::uint32_t flags, std::int32_t dx, std::int32_t dy) override {
    mouse.push_back({flags, dx, dy});
  }
  void KeyEvent(int virtual_key, std::uint32_t flags) override {
    keys.push_back({virtual_key, flags});
  }
  void MakeTopmost(forms::WindowHandle window) override { topmost.push_back(window); }
  bool ButtonReadsPressed(int virtual_key) override;
  void RequestSelection(std::function<void(const desktop::Selection&)> done) override {
    done(selection);
  }
  bool KeysReachTerminal() override { return terminal; }

  // The user's hands: a button goes down or up; a press is seen by the next query even when the
  // button is up again by then.
  void Press(int virtual_key);
  void Release(int virtual_key);

  desktop::CursorPoint cursor;
  std::vector<MouseEventRecord> mouse;
  std::vector<KeyEventRecord> keys;
  std::vector<forms::WindowHandle> topmost;
  int button_queries = 0;
  desktop::Selection selection;  // no owner: the copy keys
  bool terminal = false;

 private:
  std::map<int, bool> down_;
  std::map<int, bool> pressed_since_query_;
};

class FakeTray final : public desktop::TrayHost {
 public:
  void AddIcon(const desktop::TrayData& icon) override { icons.push_back(icon); }
  void DeleteIcon(const desktop::TrayData& icon) override;
  void AnimateToTray(forms::WindowHandle window) override { animated.push_back(window); }
  bool Available() override { return available; }

  std::vector<desktop::TrayData> icons;  // icons present now
  int added = 0;
  int deleted = 0;
  std::vector<forms::WindowHandle> animated;
  bool available = true;
};

}  // namespace brelvox::translator::testing
