#include "programs/sd_brelvox/output_module.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <regex>
#include <thread>

#include "programs/sd_brelvox/module_protocol.h"

namespace brelvox::speechd {

namespace {

// A speaker that says each text piece as 100 samples of its length and stops when told to.
class FakeSpeaker final : public Speaker {
 public:
  std::vector<InstalledVoice> voices = {{"Main", "bg", "none"}, {"Slow", "bg", "none"}};
  std::vector<SpeakRequest> spoken;
  std::atomic<bool> hold{false};  // wait before speaking until released or stopped
  std::atomic<bool> started{false};

  std::vector<InstalledVoice> Voices() override { return voices; }
  std::string DefaultVoice() override { return voices.empty() ? "" : voices.front().name; }
  int Prepare(const std::string& voice, std::string* error) override {
    for (const InstalledVoice& v : voices) {
      if (v.name == voice) return 16000;
    }
    *error = "no voice " + voice;
    return 0;
  }
  bool Speak(const SpeakRequest& request, SpeechSink* sink, const std::atomic<bool>& abort,
             std::string*) override {
    spoken.push_back(request);
    started = true;
    while (hold && !abort)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::vector<int16_t> block(100, 7);
    if (abort) {
      // Winding down takes the engine a moment, and what it still hands over is not wanted.
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      for (int i = 0; i < 20; ++i)
        sink->Audio(block.data(), 100);
      sink->Mark("late");
    }
    for (const SpeechPiece& p : request.pieces) {
      if (p.kind == SpeechPiece::Kind::kMark) {
        sink->Mark(p.text);
      } else {
        for (size_t i = 0; i < p.text.size() && !abort; ++i)
          sink->Audio(block.data(), 100);
      }
    }
    return true;
  }
};

class OutputModuleTest : public testing::Test {
 protected:
  OutputModuleTest() {
    auto speaker = std::make_unique<FakeSpeaker>();
    speaker_ = speaker.get();
    module_ = std::make_unique<OutputModule>(
        std::move(speaker), BRELVOX_MODULE_CONF,
        [this](const std::string& bytes) {
          std::lock_guard<std::mutex> lock(mutex_);
          out_ += bytes;
          changed_.notify_all();
        },
        [this](const std::string& line) {
          std::lock_guard<std::mutex> lock(mutex_);
          log_ += line + "\n";
        });
  }
  // Sends lines; returns what the module wrote meanwhile, once it is idle.
  std::string Send(std::initializer_list<std::string> lines) {
    for (const std::string& line : lines)
      EXPECT_TRUE(module_->Line(line)) << line;
    module_->WaitIdle();
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(out_, std::string());
  }
  // The output with every audio event shown as "705 N" (N samples).
  static std::string Events(const std::string& out) {
    static const std::regex audio(
        "705-bits=16\n705-num_channels=1\n705-sample_rate=\\d+\n705-num_samples=(\\d+)\n"
        "705-big_endian=0\n705-AUDIO\\x00[^]*?\n705 AUDIO\n");
    return std::regex_replace(out, audio, "705 $1\n");
  }
  void Start() {
    EXPECT_EQ(Send({"INIT"}), "299-BRELVOX: voice Main ready\n299 OK LOADED SUCCESSFULLY\n");
    EXPECT_EQ(Send({"AUDIO", "audio_output_method=server", "."}),
              "207 OK RECEIVING AUDIO SETTINGS\n203 OK AUDIO INITIALIZED\n");
  }

  FakeSpeaker* speaker_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string out_, log_;
  std::unique_ptr<OutputModule> module_;
};

TEST_F(OutputModuleTest, SpeaksInBlocksWithMarksInPlace) {
  Start();
  EXPECT_EQ(Send({"SET", "rate=100", "pitch=NULL", "synthesis_voice=NULL", "language=bg", "."}),
            "203 OK RECEIVING SETTINGS\n203 OK SETTINGS RECEIVED\n");
  // 12 characters of text make 1200 samples: one full block of 1024 before the mark.
  const std::string out =
      Send({"SPEAK", "<speak>abcdefghijkl<mark name=\"m1\"/>ab", "..x</speak>", "."});
  EXPECT_EQ(Events(out),
            "202 OK RECEIVING MESSAGE\n200 OK SPEAKING\n701 BEGIN\n705 1024\n705 176\n"
            "700-m1\n700 INDEX MARK\n705 500\n702 END\n");
  ASSERT_EQ(speaker_->spoken.size(), 1u);
  EXPECT_EQ(speaker_->spoken[0].voice, "Main");
  EXPECT_EQ(speaker_->spoken[0].settings.rate, 10);
  EXPECT_EQ(speaker_->spoken[0].pieces.back().text, "ab\n.x") << "dot-stuffing undone";
}

TEST_F(OutputModuleTest, StopEndsTheMessageAtOnceWithNoMoreAudio) {
  Start();
  speaker_->hold = true;
  module_->Line("SPEAK");
  module_->Line("<speak>abc</speak>");
  module_->Line(".");
  while (!speaker_->started)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  module_->Line("STOP");
  {
    std::lock_guard<std::mutex> lock(mutex_);
    EXPECT_TRUE(out_.ends_with("703 STOP\n")) << "sent before the engine has wound down";
  }
  const std::string out = Events(Send({}));
  EXPECT_EQ(out, "202 OK RECEIVING MESSAGE\n200 OK SPEAKING\n701 BEGIN\n703 STOP\n");
  speaker_->hold = false;
  EXPECT_EQ(Send({"STOP"}), "") << "STOP while idle says nothing";
}

TEST_F(OutputModuleTest, PauseStopsAtTheNextSentenceMark) {
  Start();
  speaker_->hold = true;
  module_->Line("PAUSE");  // nothing to pause yet
  module_->Line("SPEAK");
  module_->Line("<speak>ab<mark name=\"m1\"/>c<mark name=\"__spd_1\"/>d</speak>");
  module_->Line(".");
  while (!speaker_->started)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  module_->Line("PAUSE");
  speaker_->hold = false;
  EXPECT_EQ(Events(Send({})),
            "202 OK RECEIVING MESSAGE\n200 OK SPEAKING\n701 BEGIN\n705 200\n700-m1\n700 INDEX "
            "MARK\n705 100\n700-__spd_1\n700 INDEX MARK\n704 PAUSE\n");
}

TEST_F(OutputModuleTest, MessagesThatCannotBeSpokenEndAsStoppedWithAReason) {
  Start();
  const struct {
    std::vector<std::string> lines;
    const char* logged;
  } cases[] = {
      {{"SET", "synthesis_voice=nosuch", ".", "SPEAK", "<speak>a</speak>", "."},
       "there is no BRELVOX voice nosuch"},
      {{"SET", "synthesis_voice=NULL", ".", "SPEAK", "<speak>a <mark</speak>", "."},
       "not well-formed SSML"},
      {{"SPEAK", std::string(600000, 'a'), "."}, "longer than 500000 bytes"},
  };
  for (const auto& c : cases) {
    std::string out;
    for (const std::string& line : c.lines)
      out += Send({line});
    EXPECT_TRUE(out.ends_with("202 OK RECEIVING MESSAGE\n200 OK SPEAKING\n701 BEGIN\n703 STOP\n"))
        << out;
    EXPECT_NE(log_.find(c.logged), std::string::npos) << log_;
  }
  EXPECT_EQ(Events(Send({"SPEAK", "<speak>a</speak>", "."})),
            "202 OK RECEIVING MESSAGE\n200 OK SPEAKING\n701 BEGIN\n705 100\n702 END\n");
}

TEST_F(OutputModuleTest, VoicesSettingsCharactersKeysAndQuit) {
  Start();
  EXPECT_EQ(Send({"LIST VOICES"}),
            "200-Main\tbg\tnone\n200-Slow\tbg\tnone\n200 OK VOICE LIST SENT\n");
  EXPECT_EQ(Send({"SET", "rate=500", "."}),
            "203 OK RECEIVING SETTINGS\n303 ERROR INVALID PARAMETER OR VALUE\n");
  Send({"SET", "synthesis_voice=slow", "spelling_mode=on", ".", "SPEAK", "ab", "."});
  Send({"CHAR", "&lt;", "."});
  Send({"KEY", "shift_a", "."});
  ASSERT_EQ(speaker_->spoken.size(), 3u);
  EXPECT_EQ(speaker_->spoken[0].voice, "Slow");
  EXPECT_EQ(speaker_->spoken[0].pieces.at(0).kind, SpeechPiece::Kind::kSpelled);
  EXPECT_EQ(speaker_->spoken[1].pieces.at(0).text, "по-малко");
  EXPECT_EQ(speaker_->spoken[2].pieces.at(0).text, "шифт");
  EXPECT_EQ(Send({"LOGLEVEL", "log_level=5", "."}),
            "207 OK RECEIVING LOGLEVEL SETTINGS\n203 OK LOGLEVEL SET\n");
  EXPECT_EQ(Send({"FLY"}), "300 ERR UNKNOWN COMMAND\n");
  EXPECT_FALSE(module_->Line("QUIT"));
  EXPECT_EQ(Send({}), "210 OK QUIT\n");
}

TEST_F(OutputModuleTest, InitFailsWithoutAVoice) {
  speaker_->voices.clear();
  EXPECT_EQ(Send({"INIT"}),
            "399-no BRELVOX voice is installed; run scripts/setup or brelvox install-voice\n"
            "399 ERR CANT INIT MODULE\n");
}

}  // namespace

}  // namespace brelvox::speechd
