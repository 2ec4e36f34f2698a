// The translator end to end on a desktop of its own: Xvfb with openbox and trayer, the offline
// translation page started by the translator itself, a small test voice of the engine speaking
// into a WAV file, and a tiny X program with a text field to capture words from. The user's
// hands are xdotool; the translator's trace (BRELVOX_TRANSLATOR_TRACE) tells what it did;
// the page's statistics tell what was clicked on it. Screenshots go to build/artifacts/.
#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#include "desktop_session.h"
#include "test_voice.h"

namespace brelvox::translator::e2e {
namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;
constexpr double kWait = 60;  // seconds; generous for a loaded two-core machine

void Sleep(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The lines of a text box's text as the trace writes it (line breaks as "\r\n").
std::vector<std::string> Lines(const std::string& traced) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t at; (at = traced.find("\\r\\n", from)) != std::string::npos; from = at + 4)
    lines.push_back(traced.substr(from, at - from));
  lines.push_back(traced.substr(from));
  return lines;
}

// "<ms> <event> <details>" -> event and details.
struct TraceLine {
  std::string event;
  std::string details;
};
TraceLine Parse(const std::string& line) {
  std::istringstream in(line);
  std::string ms;
  TraceLine parsed;
  in >> ms >> parsed.event;
  std::getline(in, parsed.details);
  if (!parsed.details.empty() && parsed.details[0] == ' ') parsed.details.erase(0, 1);
  return parsed;
}

// A control line: "Form1.Name visible value left top width height text".
struct ControlState {
  std::string name;
  int visible = 0;
  int value = 0;
  std::string text;
};
std::optional<ControlState> ParseControl(const std::string& line) {
  const TraceLine t = Parse(line);
  if (t.event != "control") return std::nullopt;
  std::istringstream in(t.details);
  ControlState state;
  int left = 0, top = 0, width = 0, height = 0;
  in >> state.name >> state.visible >> state.value >> left >> top >> width >> height;
  std::getline(in, state.text);
  if (!state.text.empty() && state.text[0] == ' ') state.text.erase(0, 1);
  return state;
}

class TranslatorOnTheDesktop : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::string(TRANSLATOR_E2E_WORK_DIR) + "/run";
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ + "/xdg");
    std::filesystem::permissions(dir_ + "/xdg", std::filesystem::perms::owner_all);
    std::filesystem::create_directories(kArtifacts);
    const std::string voice = InstallTestVoice(dir_, BRELVOX_COMMAND, BRELVOX_LIBRARY);
    ASSERT_EQ(voice, "");
  }

  void StartDesktop(bool tray_host = true) {
    session_ = std::make_unique<DesktopSession>(dir_, kScreenWidth, kScreenHeight, tray_host);
    ASSERT_TRUE(session_->ready()) << session_->error();
  }

  void TearDown() override {
    text_field_.Stop(5);
    translator_.Stop(10);
    page_service_.Stop(5);
    session_.reset();
  }

  // Starts a translation page of its own; its address.
  std::string StartPageService() {
    std::map<std::string, std::string> env;
    env["BRELVOX_PAGE_DATA"] = TRANSLATOR_E2E_PAGE_DATA;
    page_service_ = Process({TRANSLATION_PAGE_PROGRAM, "--port", "0"}, env, dir_ + "/page.log");
    LineReader out(dir_ + "/page.log");
    const std::optional<std::string> line = out.WaitFor(
        [](const std::string& l) { return l.find("http://127.0.0.1:") != std::string::npos; },
        kWait);
    if (!line) return "";
    std::smatch m;
    static const std::regex address("http://127\\.0\\.0\\.1:[0-9]+");
    return std::regex_search(*line, m, address) ? m.str() : "";
  }

  void StartTranslator(const std::vector<std::string>& args = {},
                       const std::map<std::string, std::string>& more_env = {}) {
    std::map<std::string, std::string> env = session_->Environment();
    env.insert(more_env.begin(), more_env.end());
    env["XDG_RUNTIME_DIR"] = dir_ + "/xdg";
    env["QTWEBENGINE_DISABLE_SANDBOX"] = "1";
    env["QTWEBENGINE_CHROMIUM_FLAGS"] =
        "--disable-gpu --disable-background-networking --disable-component-update";
    env["BRELVOX_TRANSLATOR_TRACE"] = trace_path();
    env["BRELVOX_AUDIO"] = "file:" + wav_path();
    env["BRELVOX_REGISTRY"] = dir_ + "/registry";
    env["BRELVOX_PAGE_DATA"] = TRANSLATOR_E2E_PAGE_DATA;
    std::vector<std::string> argv = {TRANSLATOR_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    translator_ = Process(argv, env, dir_ + "/translator.log");
    ASSERT_TRUE(translator_.started());
  }

  std::string trace_path() const { return dir_ + "/trace.log"; }
  std::string wav_path() const { return dir_ + "/speech.wav"; }

  // Starts a step: the expectations that follow look at what the translator does from now on, in
  // any order.
  void Step() {
    trace_.ReadNew();
    step_start_ = trace_.lines().size();
  }

  // The latest state of a control in the trace so far.
  // Reads the page's host and port from the trace.
  bool ReadPageAddress() {
    const std::string page = Expect(
        "page", [](const std::string&) { return true; }, "name its page");
    std::smatch found;
    static const std::regex address("http://([0-9.]+):([0-9]+)");
    if (!std::regex_search(page, found, address)) return false;
    page_host_ = found[1];
    page_port_ = std::stoi(found[2]);
    return true;
  }

  // Whether the trace has had a line of `event` whose details start with `prefix` since the step
  // began.
  bool SeenInStep(const std::string& event, const std::string& prefix) {
    trace_.ReadNew();
    for (std::size_t i = step_start_; i < trace_.lines().size(); ++i) {
      const TraceLine t = Parse(trace_.lines()[i]);
      if (t.event == event && StartsWith(t.details, prefix)) return true;
    }
    return false;
  }

  // The text of the clipboard (CLIPBOARD) on the test's display.
  std::string ClipboardText() const {
    return e2e::Run("DISPLAY=" + session_->display() +
                    " timeout 5 xclip -o -selection clipboard 2>/dev/null")
        .out;
  }

  ControlState LastControl(const std::string& name) {
    trace_.ReadNew();
    for (auto it = trace_.lines().rbegin(); it != trace_.lines().rend(); ++it) {
      const std::optional<ControlState> c = ParseControl(*it);
      if (c && c->name == name) return *c;
    }
    return {};
  }

  // Waits for a trace line of `event`, since the step began, whose details satisfy `match`.
  std::string Expect(const std::string& event, const std::function<bool(const std::string&)>& match,
                     const std::string& what, double seconds = kWait) {
    trace_.Rewind(step_start_);
    const std::optional<std::string> line = trace_.WaitFor(
        [&](const std::string& l) {
          const TraceLine t = Parse(l);
          return t.event == event && match(t.details);
        },
        seconds);
    EXPECT_TRUE(line.has_value()) << "the translator did not " << what << " (trace " << trace_path()
                                  << ", log " << dir_ << "/translator.log)";
    return line.value_or("");
  }
  std::string ExpectEvent(const std::string& event, const std::string& details,
                          const std::string& what) {
    return Expect(
        event, [&](const std::string& d) { return d == details; }, what);
  }
  // Types `text` into the input box; when a character is lost on the way (xdotool maps characters
  // that are not on the keyboard on the fly, which a busy machine can outrun), clears the box and
  // types again.
  void TypeIntoInputBox(const std::string& text) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      session_->Xdotool("type --delay 60 " + text);
      trace_.Rewind(step_start_);
      const std::optional<std::string> typed = trace_.WaitFor(
          [&](const std::string& l) {
            const std::optional<ControlState> c = ParseControl(l);
            return c && c->name == "Form1.Text1" && c->text == text;
          },
          5.0);
      if (typed) return;
      session_->Xdotool("key ctrl+a BackSpace");
    }
    ADD_FAILURE() << "could not type " << text << " into the input box";
  }

  // Waits for a control to reach a state.
  ControlState ExpectControl(const std::string& name,
                             const std::function<bool(const ControlState&)>& match,
                             const std::string& what) {
    const std::string line = Expect(
        "control",
        [&](const std::string& d) {
          const std::optional<ControlState> c = ParseControl("0 control " + d);
          return c && c->name == name && match(*c);
        },
        what);
    return ParseControl(line).value_or(ControlState{});
  }

  // The main window on screen (483 pixels wide).
  DesktopSession::WindowInfo MainWindow() {
    for (int attempt = 0; attempt < 100; ++attempt) {
      for (const DesktopSession::WindowInfo& w : session_->VisibleWindows("translator")) {
        if (w.width == 483) return w;
      }
      Sleep(0.1);
    }
    ADD_FAILURE() << "the main window is not on screen";
    return {};
  }

  // Clicks a point of the main window, in window pixels.
  void ClickWindow(int x, int y, int button = 1) {
    const DesktopSession::WindowInfo w = MainWindow();
    session_->Xdotool("mousemove " + std::to_string(w.x + x) + " " + std::to_string(w.y + y) +
                      " click " + std::to_string(button));
    Sleep(0.8);  // apart from the next click: two quick clicks are a double click
  }

  void Screenshot(const std::string& name, const DesktopSession::WindowInfo& w, int height) {
    const std::string path = std::string(kArtifacts) + "/" + name;
    EXPECT_TRUE(session_->Screenshot(path, std::max(0, w.x), std::max(0, w.y), w.width, height))
        << path;
  }

  nlohmann::json PageStats() {
    httplib::Client client(page_host_, page_port_);
    client.set_connection_timeout(5);
    client.set_read_timeout(10);
    const httplib::Result r = client.Get("/api/stats");
    if (!r || r->status != 200) return nlohmann::json::object();
    return nlohmann::json::parse(r->body, nullptr, false);
  }
  int ListenClicks() {
    const nlohmann::json stats = PageStats();
    return stats.contains("listen_clicks") ? stats["listen_clicks"].get<int>() : -1;
  }
  // Waits until the page has counted more than `before` clicks on its listen element.
  bool ListenClickedAfter(int before) {
    for (int i = 0; i < 300; ++i) {
      if (ListenClicks() > before) return true;
      Sleep(0.1);
    }
    return false;
  }

  // The data size of the WAV file the voice wrote last.
  long WavDataBytes() {
    std::ifstream in(wav_path(), std::ios::binary);
    std::string header(44, '\0');
    if (!in.read(header.data(), 44) || header.compare(0, 4, "RIFF") != 0) return -1;
    return static_cast<unsigned char>(header[40]) | static_cast<unsigned char>(header[41]) << 8 |
           static_cast<unsigned char>(header[42]) << 16 |
           static_cast<long>(static_cast<unsigned char>(header[43])) << 24;
  }
  bool SpeechWritten() {
    for (int i = 0; i < 300; ++i) {
      if (WavDataBytes() > 0) return true;
      Sleep(0.1);
    }
    return false;
  }

  // Waits until the request cycle started by the latest navigation has clicked the listen element
  // and handed the caret back, so that the next step does not cross it.
  void LetThePronunciationEnd() {
    Expect(
        "scroll-into-view", [](const std::string&) { return true; },
        "scroll the listen element into view");
    Expect(
        "focus", [](const std::string& d) { return d == "Form1.Text1"; },
        "give the input box the focus back");
    Sleep(1.0);
  }

  static constexpr const char* kArtifacts = TRANSLATOR_E2E_ARTIFACTS;
  std::string dir_;
  std::unique_ptr<DesktopSession> session_;
  Process translator_;
  Process text_field_;
  Process page_service_;
  LineReader trace_{""};
  std::size_t step_start_ = 0;
  std::string page_host_;
  int page_port_ = 0;
};

TEST_F(TranslatorOnTheDesktop, TranslatesSpeaksCapturesHidesRestartsAndExits) {
  StartDesktop();
  StartTranslator();
  trace_ = LineReader(trace_path());

  // Start-up: the page service, the loading banner over the window, then the working layout.
  ASSERT_TRUE(ReadPageAddress());
  ExpectControl(
      "Form1.image1", [](const ControlState& c) { return c.visible == 1; },
      "show the loading banner");
  const std::string icon = Expect(
      "tray-add", [](const std::string&) { return true; }, "put its icon into the tray");
  EXPECT_NE(icon.find("Кликни с мишката, за да се отвори транслатора!"), std::string::npos) << icon;
  ExpectEvent("show", "Form1", "show its window");
  Screenshot("translator-first-page.png", MainWindow(), 214);
  Expect(
      "document-complete", [](const std::string&) { return true; }, "load its first page");
  ExpectControl(
      "Form1.Text4", [](const ControlState& c) { return c.text == "Старт"; },
      "send the warm-up request");
  ExpectControl(
      "Form1.Text1", [](const ControlState& c) { return c.visible == 1; }, "show the input box");

  // The warm-up: "Старт" spoken through the voice object, its English side clicked on the page.
  ExpectEvent("speak", "1 Старт", "speak the warm-up word");
  EXPECT_TRUE(SpeechWritten()) << "the voice wrote no audio into " << wav_path();
  EXPECT_TRUE(ListenClickedAfter(0)) << "the page counted no listen click for the warm-up";
  LetThePronunciationEnd();
  const DesktopSession::WindowInfo collapsed = MainWindow();
  EXPECT_EQ(collapsed.height, 214);  // 3205 twips
  Screenshot("translator-collapsed.png", collapsed, collapsed.height);

  Step();
  // Typing "котка" and Enter: the translation in Text3, the Bulgarian voice, the listen click.
  int clicks = ListenClicks();
  ClickWindow(240, 110);  // the input box
  TypeIntoInputBox("котка");
  session_->Xdotool("key Return");
  ExpectEvent(
      "navigate",
      "http://" + page_host_ + ":" + std::to_string(page_port_) + "/?hl=bg&tab=wT#bg|en|котка",
      "send котка from Bulgarian to English");
  const ControlState cat = ExpectControl(
      "Form1.Text3", [](const ControlState& c) { return c.visible == 1 && !c.text.empty(); },
      "show the translation of котка");
  // "cat" on the first line, any further translations on lines of their own, nothing of the
  // page's separator or its references left.
  const std::vector<std::string> cat_lines = Lines(cat.text);
  EXPECT_EQ(cat_lines.front(), "cat") << cat.text;
  for (const std::string& line : cat_lines) {
    EXPECT_FALSE(line.empty()) << cat.text;
    for (const char* left : {"<>", "&lt;", "&gt;", "&amp;", "  "})
      EXPECT_EQ(line.find(left), std::string::npos) << left << " in " << cat.text;
  }
  ExpectEvent("speak", "1 котка", "speak котка");
  EXPECT_TRUE(ListenClickedAfter(clicks)) << "the page counted no listen click for котка";
  LetThePronunciationEnd();
  Screenshot("translator-result.png", MainWindow(), 214);

  // An English word goes out as en|bg| and its Bulgarian result is spoken.
  Step();
  ClickWindow(240, 110);
  session_->Xdotool("key ctrl+a");
  TypeIntoInputBox("water");
  session_->Xdotool("key Return");
  const std::string page_address = "http://" + page_host_ + ":" + std::to_string(page_port_);
  ExpectEvent("navigate", page_address + "/?hl=bg&tab=wT#en|bg|water",
              "send water from English to Bulgarian");
  const std::string spoken = Expect(
      "speak",
      [](const std::string& d) { return d.size() > 2 && static_cast<unsigned char>(d[2]) >= 0xd0; },
      "speak the Bulgarian translation of water");
  const ControlState water = LastControl("Form1.Text3");
  EXPECT_EQ(water.visible, 1);
  // Enter sends the request and breaks no line: the pronunciation address and the input box hold
  // the word alone.
  ExpectEvent("navigate", page_address + "/?hl=bg&tab=wT#en|en|water",
              "load the English pronunciation page for water");
  EXPECT_EQ(LastControl("Form1.Text1").text, "water");
  // The voice reads the result box's lines with a pause (a comma) between them.
  std::string water_spoken;
  for (const std::string& line : Lines(water.text))
    water_spoken += (water_spoken.empty() ? "" : ", ") + line;
  EXPECT_EQ(Parse(spoken).details, "1 " + water_spoken) << "the voice speaks the result box's text";
  // The English-Bulgarian result of water holds its main sense, вода.
  EXPECT_NE(spoken.find("вода"), std::string::npos) << spoken;
  LetThePronunciationEnd();

  // A second word typed next is requested and answered in its turn.
  Step();
  ClickWindow(240, 110);
  session_->Xdotool("key ctrl+a");
  TypeIntoInputBox("dog");
  session_->Xdotool("key Return");
  ExpectEvent("navigate", page_address + "/?hl=bg&tab=wT#en|bg|dog", "send the second word, dog");
  const ControlState dog_result = ExpectControl(
      "Form1.Text3", [](const ControlState& c) { return !c.text.empty(); },
      "show the translation of dog");
  EXPECT_NE(dog_result.text, water.text);
  EXPECT_EQ(LastControl("Form1.Text1").text, "dog");
  Sleep(0.5);
  Screenshot("translator-multi-line-result.png", MainWindow(), 214);  // dog has several
  LetThePronunciationEnd();

  // A word the dictionary lacks: a note, not the previous answer, and nothing spoken.
  Step();
  ClickWindow(240, 110);
  session_->Xdotool("key ctrl+a");
  TypeIntoInputBox("xyzzyq");
  session_->Xdotool("key Return");
  ExpectControl(
      "Form1.Text3", [](const ControlState& c) { return c.text == "няма превод"; },
      "say that it has no translation of xyzzyq");
  ExpectEvent("navigate", page_address + "/?hl=bg&tab=wT#en|en|xyzzyq",
              "load the English pronunciation page for xyzzyq");
  EXPECT_FALSE(SeenInStep("speak", "")) << "the voice spoke for a word without a translation";
  Screenshot("translator-no-translation.png", MainWindow(), 214);
  LetThePronunciationEnd();

  // The settings button unfolds the pane; capture mode goes on.
  Step();
  ClickWindow(366, 59);  // НАСТРОЙКИ
  Expect(
      "window", [](const std::string& d) { return d.find(" 7245 6405 1") != std::string::npos; },
      "unfold the settings pane");
  const DesktopSession::WindowInfo expanded = MainWindow();
  EXPECT_EQ(expanded.height, 427);  // 6405 twips
  Screenshot("translator-settings.png", expanded, expanded.height);
  Step();
  ClickWindow(190, 279);  // the capture option's row
  ExpectControl(
      "Form1.Check1", [](const ControlState& c) { return c.value == 1; }, "switch capture mode on");
  ExpectControl(
      "Form1.Picture24", [](const ControlState& c) { return c.visible == 1; },
      "show the capture option as ticked");

  // A double click on a word in another program takes the word it selects; the translator
  // translates it. The user's clipboard (which the other program fills, and the watcher
  // translates) stays as it was throughout.
  Step();
  text_field_ = Process({TEXT_FIELD_PROGRAM, "--clipboard", "keep me"}, session_->Environment(),
                        dir_ + "/text-field.log");
  LineReader field(dir_ + "/text-field.log");
  ASSERT_TRUE(field.WaitFor([](const std::string& l) { return l == "ready"; }, kWait))
      << "the text field program did not come up";
  Expect(
      "navigate",
      [](const std::string& d) { return d.find("#en|bg|keep me") != std::string::npos; },
      "translate the copied text");
  LetThePronunciationEnd();
  std::map<std::string, std::array<int, 3>> words;
  for (const std::string& line : field.lines()) {
    std::istringstream in(line);
    std::string tag, word;
    std::array<int, 3> at{};
    if (in >> tag >> word >> at[0] >> at[1] >> at[2] && tag == "word") words[word] = at;
  }
  ASSERT_EQ(words.size(), 2u);
  Step();
  const auto& dog = words["dog"];
  session_->Xdotool("mousemove " + std::to_string((dog[0] + dog[1]) / 2) + " " +
                    std::to_string(dog[2]) + " click --repeat 2 --delay 70 1");
  Expect(
      "navigate", [](const std::string& d) { return d.find("#en|bg|dog") != std::string::npos; },
      "translate the double-clicked word dog");
  ExpectControl(
      "Form1.Text1", [](const ControlState& c) { return c.text == "dog"; },
      "take dog from the clipboard");
  ExpectControl(
      "Form1.Text3", [](const ControlState& c) { return !c.text.empty(); },
      "show the translation of dog");
  LetThePronunciationEnd();

  // A right click after selecting a word does the same.
  Step();
  const auto& house = words["house"];
  const std::string y = std::to_string(house[2]);
  session_->Xdotool("mousemove " + std::to_string(house[0] + 1) + " " + y + " mousedown 1");
  session_->Xdotool("mousemove " + std::to_string(house[1] - 1) + " " + y);
  Sleep(0.2);
  session_->Xdotool("mousemove " + std::to_string(house[1]) + " " + y + " mouseup 1");
  Sleep(0.4);
  session_->Xdotool("click 3");
  Expect(
      "navigate", [](const std::string& d) { return d.find("#en|bg|house") != std::string::npos; },
      "translate the selected word house after the right click");
  ExpectControl(
      "Form1.Text3", [](const ControlState& c) { return !c.text.empty(); },
      "show the translation of house");
  LetThePronunciationEnd();
  EXPECT_FALSE(SeenInStep("key", "27 ")) << "Escape was sent after the right click";
  EXPECT_EQ(ClipboardText(), "keep me");

  // A double click on a word in a terminal that runs a command: the word is translated, no key
  // reaches the terminal and the command goes on running.
  Step();
  Process terminal({"xterm", "-fn", "fixed", "-geometry", "40x4+20+880", "-e", "sh", "-c",
                    "echo water; exec sleep 3017"},
                   session_->Environment(), dir_ + "/xterm.log");
  DesktopSession::WindowInfo term{};
  for (int attempt = 0; attempt < 300 && term.id == 0; ++attempt) {
    for (const DesktopSession::WindowInfo& w : session_->VisibleWindows("xterm"))
      term = w;
    if (term.id == 0) Sleep(0.1);
  }
  ASSERT_NE(term.id, 0u) << "xterm did not come up";
  Sleep(1.0);
  // "water" on the first row of the 6 x 13 pixel font, 2 pixels inside the terminal's border
  // (relative to the terminal's own window: the frame around it does not count).
  session_->Xdotool("mousemove --window " + std::to_string(term.id) + " " +
                    std::to_string(2 + 6 * 2 + 3) + " " + std::to_string(2 + 6) +
                    " click --repeat 2 --delay 70 1");
  Expect(
      "selection", [](const std::string& d) { return d == "1 1 water"; },
      "take the selected word from the selection");
  ExpectControl(
      "Form1.Text1", [](const ControlState& c) { return c.text == "water"; },
      "take water from the terminal");
  Expect(
      "navigate", [](const std::string& d) { return d.find("#en|bg|water") != std::string::npos; },
      "translate the word taken from the terminal");
  ExpectControl(
      "Form1.Text3", [](const ControlState& c) { return !c.text.empty(); },
      "show the translation of the terminal's word");
  EXPECT_TRUE(session_->Screenshot(std::string(kArtifacts) + "/translator-capture-xterm.png", 0, 0,
                                   kScreenWidth, kScreenHeight));
  LetThePronunciationEnd();
  EXPECT_FALSE(SeenInStep("key", "")) << "keys were sent while capturing from the terminal";
  EXPECT_TRUE(terminal.Running()) << "the terminal's command was interrupted";
  EXPECT_EQ(e2e::Run("pgrep -f 'sleep 3017' >/dev/null").status, 0) << "the sleep was interrupted";
  EXPECT_EQ(ClipboardText(), "keep me");
  terminal.Stop(5);
  text_field_.Stop(5);

  // A clipboard owner that answers slowly does not hold the window up: while its answer still
  // trickles in (until the window has reacted), the settings button works.
  Step();
  const std::string stop_owner = dir_ + "/slow-clipboard.stop";
  Process slow_owner({SLOW_CLIPBOARD_PROGRAM, stop_owner}, session_->Environment(),
                     dir_ + "/slow-clipboard.log");
  LineReader owner_log(dir_ + "/slow-clipboard.log");
  ASSERT_TRUE(owner_log.WaitFor([](const std::string& l) { return l == "request"; }, kWait))
      << "the clipboard watcher did not ask the new owner";
  ClickWindow(366, 59);  // НАСТРОЙКИ (the result folded the pane)
  Expect(
      "window", [](const std::string& d) { return d.find(" 7245 6405 1") != std::string::npos; },
      "unfold the settings pane while the clipboard's owner is slow");
  std::ofstream(stop_owner) << "stop\n";
  slow_owner.Stop(5);

  // The compact voice mode: only a strip at the left screen edge stays on screen; the restore
  // button brings the window back.
  Step();
  ClickWindow(190, 370);  // the compact voice mode's row
  Expect(
      "window", [](const std::string& d) { return StartsWith(d, "Form1 -6920 "); },
      "push the window off the left screen edge");
  ExpectControl(
      "Form1.Picture7", [](const ControlState& c) { return c.visible == 1; },
      "show the restore button");
  Sleep(1.0);
  {
    const DesktopSession::WindowInfo compact = MainWindow();
    EXPECT_EQ(compact.height, 91);  // Picture8's bottom: 1365 twips
    EXPECT_LT(compact.x, 0);
    EXPECT_GT(compact.x + compact.width, 0);
    EXPECT_TRUE(session_->Screenshot(std::string(kArtifacts) + "/translator-compact.png", 0,
                                     std::max(0, compact.y - 20), 120, compact.height + 40));
    Step();
    // The restore button: Picture7 at 6820, 80 twips in the window.
    session_->Xdotool("mousemove " + std::to_string(compact.x + 468) + " " +
                      std::to_string(compact.y + 21) + " click 1");
  }
  ExpectControl(
      "Form1.Check4", [](const ControlState& c) { return c.value == 0; },
      "leave the compact voice mode");
  Expect(
      "window", [](const std::string& d) { return d.find(" 7245 6405 1") != std::string::npos; },
      "bring the window back expanded");
  Sleep(0.8);

  // The tray icon: the hide spot hides the window; a left or right press on the icon shows it.
  for (int button : {1, 3}) {
    Step();
    ClickWindow(384, 20);  // the hide spot
    ExpectEvent("hide", "Form1", "hide its window");
    DesktopSession::WindowInfo tray{};
    for (const DesktopSession::WindowInfo& w : session_->VisibleWindows("translator")) {
      if (w.width <= 32 && w.height <= 32) tray = w;
    }
    ASSERT_NE(tray.id, 0u) << "no tray icon on screen";
    Step();
    session_->Xdotool("mousemove " + std::to_string(tray.x + tray.width / 2) + " " +
                      std::to_string(tray.y + tray.height / 2) + " click " +
                      std::to_string(button));
    ExpectEvent("tray-press", button == 1 ? "513" : "516", "take the press on its icon");
    ExpectEvent("show", "Form1", "show its window from the tray");
    Sleep(0.8);
  }

  // Restart keeps the options: English pronunciation off and capture on come back so.
  Step();
  ClickWindow(190, 310);  // the English pronunciation option's row
  ExpectControl(
      "Form1.Check2", [](const ControlState& c) { return c.value == 0; },
      "switch English pronunciation off");
  Step();
  ClickWindow(236, 407);  // Рестартиране на програмата
  ExpectEvent("load", "Form2", "show the restart notice");
  Sleep(0.3);
  {
    std::vector<DesktopSession::WindowInfo> windows = session_->VisibleWindows("translator");
    for (const DesktopSession::WindowInfo& w : windows) {
      if (w.width == 573) {
        EXPECT_TRUE(session_->Screenshot(std::string(kArtifacts) + "/translator-restart.png", w.x,
                                         w.y, w.width, w.height));
      }
    }
  }
  ExpectEvent("unload", "Form1", "unload the old main window");
  Expect(
      "tray-delete", [](const std::string&) { return true; }, "remove the old icon");
  ExpectEvent("load", "Form1", "load a new main window");
  Expect(
      "tray-add", [](const std::string&) { return true; }, "add the new icon");
  ExpectControl(
      "Form1.Check1", [](const ControlState& c) { return c.value == 1; },
      "bring capture mode back on");
  ExpectControl(
      "Form1.Check2", [](const ControlState& c) { return c.value == 0; },
      "bring English pronunciation back off");
  ExpectEvent("unload", "Form2", "close the restart notice");
  Sleep(1.0);
  int icons = 0;
  for (const DesktopSession::WindowInfo& w : session_->VisibleWindows("translator")) {
    if (w.width <= 32 && w.height <= 32) ++icons;
  }
  EXPECT_EQ(icons, 1) << "one tray icon after the restart";
  Expect(
      "document-complete", [](const std::string&) { return true; }, "load the page again");
  Sleep(2.0);

  // Exit removes the icon and ends the process.
  Step();
  ClickWindow(444, 20);  // the exit spot
  Expect(
      "tray-delete", [](const std::string&) { return true; }, "remove its icon on exit");
  ExpectEvent("end", "", "end the program");
  const std::optional<int> status = translator_.Wait(kWait);
  ASSERT_TRUE(status.has_value()) << "the translator did not end";
  EXPECT_EQ(*status, 0);
  int left_over = 0;
  for (const DesktopSession::WindowInfo& w : session_->VisibleWindows("translator")) {
    (void)w;
    ++left_over;
  }
  EXPECT_EQ(left_over, 0) << "windows of the translator after its exit";
}

// A desktop without a notification area, and a page service that goes away.
TEST_F(TranslatorOnTheDesktop, KeepsItsWindowWithoutATrayAndNeverRepeatsAnEarlierAnswer) {
  StartDesktop(/*tray_host=*/false);
  const std::string page = StartPageService();
  ASSERT_NE(page, "") << "the translation page did not start (see " << dir_ << "/page.log)";
  StartTranslator({"--page", page});
  trace_ = LineReader(trace_path());
  Expect(
      "document-complete", [](const std::string&) { return true; }, "load its first page");
  ExpectControl(
      "Form1.Text1", [](const ControlState& c) { return c.visible == 1; }, "show the input box");
  LetThePronunciationEnd();

  // The hide spot, twice: the window stays, and the hint says why once.
  Step();
  ClickWindow(384, 20);
  ExpectControl(
      "Form3.Label1",
      [](const ControlState& c) { return c.text.find("Няма област за известия") == 0; },
      "say why its window stays");
  ClickWindow(384, 20);
  Sleep(1.0);
  EXPECT_FALSE(SeenInStep("hide", "Form1")) << "the window was hidden with no way back";
  int hints = 0;
  trace_.ReadNew();
  for (std::size_t i = step_start_; i < trace_.lines().size(); ++i)
    hints +=
        Parse(trace_.lines()[i]).event == "load" && Parse(trace_.lines()[i]).details == "Form3";
  EXPECT_EQ(hints, 1);
  EXPECT_EQ(MainWindow().width, 483) << "the window left the screen";

  // A translation, then the page service stops: the next request shows the connection message,
  // never the previous answer, and the voice speaks only the new (Bulgarian) request.
  Step();
  ClickWindow(240, 110);
  TypeIntoInputBox("котка");
  session_->Xdotool("key Return");
  const ControlState cat = ExpectControl(
      "Form1.Text3", [](const ControlState& c) { return StartsWith(c.text, "cat"); },
      "show the translation of котка");
  LetThePronunciationEnd();
  page_service_.Stop(5);
  Step();
  ClickWindow(240, 110);
  session_->Xdotool("key ctrl+a");
  TypeIntoInputBox("куче");
  session_->Xdotool("key Return");
  ExpectControl(
      "Form1.Text3",
      [](const ControlState& c) { return c.text == "Възможна загуба на връзката със сървърът!"; },
      "say that the page cannot be reached");
  ExpectEvent("speak", "1 куче", "speak the request");
  Sleep(3.0);
  EXPECT_FALSE(SeenInStep("speak", "1 cat")) << "the previous answer was spoken again";
  EXPECT_NE(LastControl("Form1.Text3").text, cat.text);
  Screenshot("translator-page-down.png", MainWindow(), 214);
}

// A desktop scaled twice for Qt: the window lands centred and the listen click hits the page's
// listen element, though layouts are in the program's pixels and the X screen counts twice as many.
TEST_F(TranslatorOnTheDesktop, OnADesktopScaledTwiceCentresItsWindowAndHitsTheListenElement) {
  StartDesktop();
  StartTranslator({}, {{"QT_SCALE_FACTOR", "2"}});
  trace_ = LineReader(trace_path());
  ASSERT_TRUE(ReadPageAddress());
  Expect(
      "document-complete", [](const std::string&) { return true; }, "load its first page");
  EXPECT_TRUE(ListenClickedAfter(0)) << "the page counted no listen click for the warm-up";
  LetThePronunciationEnd();
  DesktopSession::WindowInfo window{};
  for (const DesktopSession::WindowInfo& w : session_->VisibleWindows("translator")) {
    if (w.width == 2 * 483) window = w;
  }
  ASSERT_NE(window.id, 0u) << "no main window twice the size on screen";
  EXPECT_NEAR(window.x, (kScreenWidth - window.width) / 2, 1);
  EXPECT_NEAR(window.y, (kScreenHeight - window.height) / 2, 1);
  EXPECT_TRUE(session_->Screenshot(std::string(kArtifacts) + "/translator-scaled.png", window.x,
                                   window.y, window.width, window.height));
}

TEST(TranslatorWithoutADisplay, SaysSoInOneSentenceAndFails) {
  const CommandResult r =
      e2e::Run("(env -u DISPLAY -u WAYLAND_DISPLAY " + std::string(TRANSLATOR_PROGRAM) + " 2>&1)");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("DISPLAY is not set"), std::string::npos) << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
}

}  // namespace
}  // namespace brelvox::translator::e2e
