#include "programs/sd_brelvox/platform_speaker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "tests/support/installed_test_voice.h"

using namespace brelvox::test;

namespace brelvox::speechd {

namespace {

class Recorder final : public SpeechSink {
 public:
  std::vector<int16_t> audio;
  std::vector<std::pair<std::string, size_t>> marks;  // name, samples before it
  std::function<void()> onAudio;
  void Audio(const int16_t* samples, size_t count) override {
    audio.insert(audio.end(), samples, samples + count);
    if (onAudio) onAudio();
  }
  void Mark(const std::string& name) override { marks.emplace_back(name, audio.size()); }
  int Peak() const {
    int peak = 0;
    for (int16_t s : audio)
      peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
  }
};

class PlatformSpeakerTest : public testing::Test {
 protected:
  PlatformSpeakerTest() {
    EXPECT_TRUE(InstallImpulseTestVoice(files_, BRELVOX_LIBRARY));
    EXPECT_TRUE(InstallImpulseTestVoice(files_, BRELVOX_LIBRARY, "Foreign", false));
    EXPECT_EQ(RegSetString(HKEY_LOCAL_MACHINE, (std::string(kVoiceTokensKey) + "\\Foreign").c_str(),
                           "CLSID", "{00000000-0000-0000-0000-000000000001}"),
              0)
        << "a voice of another engine";
  }
  static SpeechPiece Text(const char* text, int volume = 100) {
    SpeechPiece p{SpeechPiece::Kind::kText, text};
    p.volume = volume;
    return p;
  }
  static SpeechPiece Mark(const char* name) { return {SpeechPiece::Kind::kMark, name}; }

  ScopedRegistry registry_;
  TempDir files_;
  std::unique_ptr<Speaker> speaker_ = MakePlatformSpeaker();
  std::atomic<bool> abort_{false};
  std::string error_;
};

TEST_F(PlatformSpeakerTest, ListsOnlyTheEnginesVoices) {
  const std::vector<InstalledVoice> voices = speaker_->Voices();
  ASSERT_EQ(voices.size(), 1u);
  EXPECT_EQ(voices[0].name, "Test");
  EXPECT_EQ(voices[0].language, "bg");
  EXPECT_EQ(speaker_->Prepare("Test", &error_), 16000) << error_;
  EXPECT_EQ(speaker_->Prepare("Missing", &error_), 0);
  EXPECT_NE(error_.find("there is no voice Missing"), std::string::npos);
}

TEST_F(PlatformSpeakerTest, MarksComeAfterTheAudioBeforeThem) {
  SpeakRequest request{"Test", {Text("aeiou"), Mark("m1"), Text("aeiou aeiou"), Mark("m2")}, {}};
  Recorder marked;
  ASSERT_TRUE(speaker_->Speak(request, &marked, abort_, &error_)) << error_;
  ASSERT_EQ(marked.marks.size(), 2u);
  EXPECT_EQ(marked.marks[0].first, "m1");
  EXPECT_EQ(marked.marks[1].first, "m2");
  EXPECT_GT(marked.marks[0].second, 0u);
  EXPECT_GT(marked.marks[1].second, marked.marks[0].second);

  // The audio before m1 is about that of "aeiou" alone (what follows shapes its last sound), and
  // the marks leave the audio as it is without them.
  Recorder first, unmarked;
  request.pieces = {Text("aeiou")};
  ASSERT_TRUE(speaker_->Speak(request, &first, abort_, &error_));
  EXPECT_NEAR(static_cast<double>(marked.marks[0].second), first.audio.size(),
              first.audio.size() * 0.05);
  request.pieces = {Text("aeiou"), Text("aeiou aeiou")};
  ASSERT_TRUE(speaker_->Speak(request, &unmarked, abort_, &error_));
  EXPECT_EQ(marked.audio, unmarked.audio);
  EXPECT_EQ(marked.marks[1].second, marked.audio.size());
}

TEST_F(PlatformSpeakerTest, VolumeOfPiecesAndOfTheMessage) {
  const auto peak = [&](std::vector<SpeechPiece> pieces, double gain, int volume) {
    SpeakRequest request{"Test", std::move(pieces), {}};
    request.settings.gain = gain;
    request.settings.volume = volume;
    Recorder r;
    EXPECT_TRUE(speaker_->Speak(request, &r, abort_, &error_)) << error_;
    return r.Peak();
  };
  const int full = peak({Text("aeiou")}, 1.0, 100);
  ASSERT_GT(full, 1000);
  EXPECT_NEAR(peak({Text("aeiou", 50)}, 1.0, 100), full / 2, 1);
  EXPECT_NEAR(peak({Text("aeiou")}, 1.0, 50), full / 2, 1);
  EXPECT_NEAR(peak({Text("aeiou")}, 2.0, 100), std::min(2 * full, 32767), 1);
}

TEST_F(PlatformSpeakerTest, AnAbortFromAnotherThreadStopsTheAudio) {
  std::string text;
  for (int i = 0; i < 200; ++i)
    text += "aeiou aeiou. ";
  SpeakRequest request{"Test", {Text(text.c_str())}, {}};
  Recorder whole;
  ASSERT_TRUE(speaker_->Speak(request, &whole, abort_, &error_));
  Recorder cut;
  size_t atAbort = 0;
  std::thread stopper;
  cut.onAudio = [&] {
    if (!stopper.joinable()) {
      stopper = std::thread([&] {
        atAbort = cut.audio.size();
        abort_ = true;
      });
      stopper.join();
    }
  };
  ASSERT_TRUE(speaker_->Speak(request, &cut, abort_, &error_));
  EXPECT_EQ(cut.audio.size(), atAbort) << "nothing after the abort";
  EXPECT_LT(cut.audio.size(), whole.audio.size() / 10);
}

}  // namespace

}  // namespace brelvox::speechd
