#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "engine/identity/engine_identity.h"
#include "platform/registry/registry.h"
#include "platform/speech/sp_voice.h"
#include "platform/speech/voice_token.h"
#include "tests/support/installed_test_voice.h"
#include "tests/support/temp_files.h"

using namespace brelvox::test;

namespace {

class SpVoiceTest : public testing::Test {
 protected:
  SpVoiceTest() { setenv("BRELVOX_AUDIO", ("file:" + files_.File("out.wav")).c_str(), 1); }
  ~SpVoiceTest() override { unsetenv("BRELVOX_AUDIO"); }
  void InstallTestVoice() { ASSERT_TRUE(InstallImpulseTestVoice(files_, BRELVOX_LIBRARY)); }
  long WavBytes() {
    std::ifstream in(files_.File("out.wav"), std::ios::binary | std::ios::ate);
    return in ? static_cast<long>(in.tellg()) : -1;
  }
  ScopedRegistry registry_;
  TempDir files_;
};

TEST_F(SpVoiceTest, AsynchronousSpeechQueuesAndCompletes) {
  InstallTestVoice();
  SpVoice voice;
  voice.SetRate(15);
  EXPECT_EQ(voice.Rate(), 10);
  voice.SetRate(0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(voice.Speak("aeiou aeiou aeiou aeiou.", SPF_ASYNC), S_OK);
  EXPECT_EQ(voice.Speak("ae.", SPF_ASYNC), S_OK);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5))
      << "asynchronous speak returns at once";
  EXPECT_TRUE(voice.WaitUntilDone(30000));
  EXPECT_EQ(voice.LastResult(), S_OK) << voice.LastError();
  EXPECT_GT(WavBytes(), 44) << "the last utterance went to the file";
  EXPECT_EQ(voice.Speak("<spell>ae</spell>", SPF_IS_XML), S_OK) << "synchronous, with markup";
}

TEST_F(SpVoiceTest, WithoutAVoiceSpeakingFailsWithAReason) {
  SpVoice voice;
  EXPECT_EQ(voice.Speak("ae.", SPF_ASYNC), S_OK);
  EXPECT_TRUE(voice.WaitUntilDone(30000));
  EXPECT_TRUE(FAILED(voice.LastResult()));
  EXPECT_NE(voice.LastError().find("no voice is installed"), std::string::npos);
}

}  // namespace
