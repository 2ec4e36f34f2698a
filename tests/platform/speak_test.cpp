// SpeakText, the one way the platform speaks: the voice by name or ad hoc, the caller's audio and
// event sinks, an abort raised while the engine speaks, and the failures a caller tells apart.
#include "platform/speech/speak.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "engine/identity/engine_identity.h"
#include "platform/registry/registry.h"
#include "platform/speech/engine_host.h"
#include "platform/speech/voice_token.h"
#include "tests/support/grammar_files.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_voices.h"
#include "tests/support/text_grammar.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace {

// S_SPEAK_ABORTED: the engine stopped because the platform asked it to.
constexpr HRESULT kSpeakAborted = 0x00045065;

class SpeakTextTest : public testing::Test {
 protected:
  SpeakTextTest() {
    const std::string key = std::string("CLSID\\") + kEngineClassId + "\\InprocServer32";
    EXPECT_EQ(RegSetString(HKEY_CLASSES_ROOT, key.c_str(), "", BRELVOX_LIBRARY), 0);
    files_[kClassIdValue] = kEngineClassId;
    files_[kVoiceDataValue] = dir_.Write("t.voice", SerializeVoiceFile(MakeImpulseVoice({})));
    files_[kGrammarDataValue] = dir_.Write("t.grammar", TestGrammar().file);
    files_[kUserDictDataValue] =
        dir_.Write("t.dict", TransducerFile(TransducerBuilder({-1}).Build(1)));
    setenv("BRELVOX_AUDIO", "null", 1);
  }
  ~SpeakTextTest() override { unsetenv("BRELVOX_AUDIO"); }
  void Install(const std::string& name) {
    VoiceDescription voice;
    voice.name = name;
    voice.clsid = kEngineClassId;
    voice.voiceData = files_[kVoiceDataValue];
    voice.grammarData = files_[kGrammarDataValue];
    voice.userDictData = files_[kUserDictDataValue];
    ASSERT_EQ(InstallVoiceToken(voice, false), 0);
  }
  ScopedRegistry registry_;
  TempDir dir_;
  std::map<std::string, std::string> files_;
};

TEST_F(SpeakTextTest, HandsEveryBlockAndEventToTheCallerInOrder) {
  Install("Second");
  SpeakRequest request;
  request.text = "ae io. ae.";
  request.voice = "SECOND";  // any case
  uint64_t written = 0, lastOffset = 0;
  std::map<int, uint64_t> lastOfKind;
  int events = 0;
  bool ordered = true;
  request.observer.onWrite = [&](const void*, ULONG, ULONG accepted) { written += accepted; };
  request.observer.onEvent = [&](const SiteEvent& e) {
    ++events;
    uint64_t& last = lastOfKind[static_cast<int>(e.event.eEventId)];
    ordered = ordered && e.event.ullAudioStreamOffset >= last;
    last = e.event.ullAudioStreamOffset;
    lastOffset = std::max(lastOffset, last);
  };
  const SpeakResult r = SpeakText(request);
  ASSERT_EQ(r.failure, SpeakFailure::kNone) << r.error;
  EXPECT_EQ(r.result, S_OK);
  EXPECT_EQ(r.format.nSamplesPerSec, 16000u);
  EXPECT_GT(written, 0u);
  EXPECT_EQ(written, r.bytes);
  EXPECT_GT(events, 4) << "words and sentences at least";
  EXPECT_TRUE(ordered) << "the events of each kind in the order of their audio";
  EXPECT_LE(lastOffset, written);
}

TEST_F(SpeakTextTest, AnAbortFromTheCallerStopsWithinOneBlock) {
  std::atomic<bool> abort{false};
  SpeakRequest request;
  request.text = "aeiou aeiou aeiou aeiou. aeiou aeiou aeiou aeiou.";
  request.adHoc = files_;
  request.abort = &abort;
  int blocks = 0, afterAbort = 0;
  request.observer.onWrite = [&](const void*, ULONG, ULONG) {
    if (abort) ++afterAbort;
    if (++blocks == 2) abort = true;
  };
  const SpeakResult r = SpeakText(request);
  EXPECT_EQ(r.result, kSpeakAborted) << r.error;
  EXPECT_LE(afterAbort, 1);
}

// An output module's way: its own open engine, spoken with again and again, and its bookmarks
// exactly after the audio in front of them (the audio split at their places), the rest at once.
TEST_F(SpeakTextTest, HeldBookmarksFollowTheirAudioWithTheCallersEngine) {
  VoiceToken* token = VoiceToken::Create("ad-hoc", files_);
  EngineHandle engine;
  std::string error;
  ASSERT_TRUE(SUCCEEDED(OpenEngine(token, &engine, &error))) << error;
  token->Release();
  for (int round = 0; round < 2; ++round) {
    SpeakRequest request;
    request.text =
        "ae <bookmark mark=\"one\"/>io. <bookmark mark=\"two\"/>ae.<bookmark mark=\"end\"/>";
    request.markup = true;
    request.engine = &engine;
    request.site.heldEvents = 1ull << SPEI_TTS_BOOKMARK;
    uint64_t written = 0;
    std::vector<std::string> marks;
    bool exact = true;
    request.observer.onWrite = [&](const void*, ULONG, ULONG accepted) { written += accepted; };
    request.observer.onEvent = [&](const SiteEvent& e) {
      if (e.event.eEventId != SPEI_TTS_BOOKMARK) return;
      marks.push_back(std::string(e.text.begin(), e.text.end()));
      exact = exact && e.event.ullAudioStreamOffset == written;
    };
    const SpeakResult r = SpeakText(request);
    ASSERT_EQ(r.result, S_OK) << r.error;
    EXPECT_EQ(marks, (std::vector<std::string>{"one", "two", "end"})) << "round " << round;
    EXPECT_TRUE(exact) << "a bookmark went out before or after its place, round " << round;
    EXPECT_GT(written, 0u);
    EXPECT_NE(engine.engine, nullptr) << "the caller's engine stays open";
  }
  CloseEngine(&engine);
}

TEST_F(SpeakTextTest, FailuresSayWhatWentWrong) {
  struct Case {
    const char* name;
    SpeakRequest request;
    SpeakFailure failure;
    const char* says;
  };
  SpeakRequest noVoice;
  noVoice.text = "ae.";
  SpeakRequest unknown = noVoice;
  unknown.voice = "Nobody";
  SpeakRequest markup;
  markup.text = "<spell ae";
  markup.markup = true;
  markup.adHoc = files_;
  SpeakRequest badFiles = noVoice;
  badFiles.adHoc = files_;
  (*badFiles.adHoc)[kGrammarDataValue] = dir_.File("missing.grammar");
  const Case cases[] = {
      {"no voice installed", noVoice, SpeakFailure::kVoice, "no voice is installed"},
      {"no such voice", unknown, SpeakFailure::kVoice, "there is no voice Nobody"},
      {"broken markup", markup, SpeakFailure::kMarkup, "the markup is broken"},
      {"missing data file", badFiles, SpeakFailure::kVoice, "data files could not be loaded"},
  };
  for (const Case& c : cases) {
    const SpeakResult r = SpeakText(c.request);
    EXPECT_EQ(r.failure, c.failure) << c.name;
    EXPECT_TRUE(FAILED(r.result)) << c.name;
    EXPECT_NE(r.error.find(c.says), std::string::npos) << c.name << ": " << r.error;
  }
  markup.plainWhenMarkupBreaks = true;
  EXPECT_EQ(SpeakText(markup).result, S_OK) << "broken markup read as plain text";
}

}  // namespace
