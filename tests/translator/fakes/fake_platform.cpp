#include "fakes/fake_platform.h"

#include <algorithm>

namespace brelvox::translator::testing {

namespace {

// Text as a browser serialises it in markup.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string PageMarkup(const std::string& source, const std::string& result) {
  return "<HEAD><TITLE>Translate</TITLE></HEAD><BODY><div class=\"box\">"
         "<DIV class=\"src\"><SPAN><SPAN>" +
         Escaped(source) +
         "</SPAN></SPAN></DIV>"
         "<DIV class=\"res\"><SPAN><SPAN>" +
         Escaped(result) +
         "</SPAN></SPAN></DIV>"
         "<div id=\"tts_button\"></div></div></BODY>";
}

void FakeBrowser::Navigate(const std::string& target) {
  navigations.push_back(target);
  pending_ = target;
  taken_at_ = clock_.Now() + model_.busy_ms;
  if (model_.busy_ms == 0) address = target;
}

bool FakeBrowser::Busy() {
  if (!pending_.empty() && clock_.Now() >= taken_at_) {
    address = pending_;
    pending_.clear();
  }
  return !pending_.empty();
}

std::optional<std::string> FakeBrowser::RootMarkup() {
  Busy();
  if (!model_.readable) return std::nullopt;
  if (model_.markup_override) return model_.markup_override;
  const std::size_t hash = address.find('#');
  if (hash == std::string::npos) return "<HEAD></HEAD><BODY>home</BODY>";
  const std::string fragment = address.substr(hash + 1);
  auto it = model_.translations.find(fragment);
  if (it == model_.translations.end()) return "<HEAD></HEAD><BODY>no result</BODY>";
  return PageMarkup(fragment.substr(6), it->second);
}

std::optional<std::vector<std::string>> FakeBrowser::ElementIds(std::string_view tag) {
  if (!model_.readable || tag != "div") return std::nullopt;
  return model_.div_ids;
}

bool FakeBrowser::ScrollIntoView(std::string_view tag, int index) {
  if (!model_.readable || model_.scroll_fails || tag != "div") return false;
  scrolled.push_back(index);
  return true;
}

std::unique_ptr<Browser> FakeBrowserFactory::Create(forms::Window&, BrowserEvents& events) {
  auto browser = std::make_unique<FakeBrowser>(clock_, model, events, alive);
  current = browser.get();
  ++created;
  return browser;
}

namespace {

class FakeVoice final : public SpeechVoice {
 public:
  FakeVoice(SpeechLog& log, const bool& failing) : log_(log), failing_(failing) {}
  bool SetRate(int rate) override {
    if (failing_) return false;
    log_.rates.push_back(rate);
    return true;
  }
  bool Speak(const std::string& text, unsigned flags) override {
    if (failing_) return false;
    log_.spoken.push_back(text);
    log_.flags.push_back(flags);
    return true;
  }

 private:
  SpeechLog& log_;
  const bool& failing_;
};

}  // namespace

std::unique_ptr<SpeechVoice> FakeVoiceFactory::Create(std::string_view id) {
  prog_id = std::string(id);
  if (!available) return nullptr;
  ++created;
  return std::make_unique<FakeVoice>(log, failing);
}

bool FakeInputDevice::ButtonReadsPressed(int virtual_key) {
  ++button_queries;
  const bool reads = down_[virtual_key] || pressed_since_query_[virtual_key];
  pressed_since_query_[virtual_key] = false;
  return reads;
}

void FakeInputDevice::Press(int virtual_key) {
  down_[virtual_key] = true;
  pressed_since_query_[virtual_key] = true;
}

void FakeInputDevice::Release(int virtual_key) {
  down_[virtual_key] = false;
}

void FakeTray::DeleteIcon(const desktop::TrayData& icon) {
  ++deleted;
  auto it = std::find(icons.begin(), icons.end(), icon);
  if (it != icons.end()) icons.erase(it);
}

}  // namespace brelvox::translator::testing
