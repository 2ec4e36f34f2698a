#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "engine/core/symbols.h"
#include "engine/sapi/site_adapter.h"
#include "platform/com/com.h"
#include "platform/registry/registry.h"
#include "tests/engine/sapi/engine_fixture.h"
#include "tests/support/grammar_files.h"
#include "tests/support/text_grammar.h"

using namespace brelvox::test;

namespace {

TEST_F(EngineTest, SpeakBeforeBindingFailsWithoutTouchingTheSite) {
  ISpTTSEngine* engine = NewEngine();
  const SpeakRun run = Speak(engine, u"ae.");
  EXPECT_EQ(run.result, E_FAIL);
  EXPECT_TRUE(run.events.empty());
  EXPECT_TRUE(run.writes.empty());
  ISpObjectWithToken* withToken = nullptr;
  engine->QueryInterface(IID_ISpObjectWithToken, reinterpret_cast<void**>(&withToken));
  ISpObjectToken* token = reinterpret_cast<ISpObjectToken*>(0x1);
  EXPECT_EQ(withToken->GetObjectToken(&token), S_FALSE);
  EXPECT_EQ(token, nullptr);
  EXPECT_EQ(withToken->GetObjectToken(reinterpret_cast<ISpObjectToken**>(0x10)), E_POINTER);
  withToken->Release();
}

TEST_F(EngineTest, TokenBindingResults) {
  const std::string garbage = files_.Write("garbage", std::vector<int32_t>{7, 7, 7});
  const std::string empty = files_.Write("empty", nullptr, 0);
  const struct {
    const char* what;
    std::string value, path;
    HRESULT bind;
    HRESULT speak;
  } cases[] = {
      {"no VoiceData", "VoiceData", "", E_FAIL, E_FAIL},
      {"no GrammarData", "GrammarData", "", E_FAIL, E_FAIL},
      {"no UserDictData", "UserDictData", "", E_FAIL, E_FAIL},
      {"voice file missing", "VoiceData", "/nonexistent/voice", E_FAIL, E_FAIL},
      {"grammar file empty", "GrammarData", empty, E_FAIL, E_FAIL},
      {"grammar refused", "GrammarData", garbage, E_FAIL, E_FAIL},
      {"dictionary missing", "UserDictData", files_.File("missing.userdict"), HRESULT_FROM_WIN32(2),
       S_OK},
      {"dictionary refused", "UserDictData", garbage, S_OK, S_OK},
      {"voice refused", "VoiceData", garbage, S_OK, E_FAIL},
  };
  for (const auto& c : cases) {
    std::map<std::string, std::string> values = DefaultValues();
    if (c.path.empty()) {
      values.erase(c.value);
    } else {
      values[c.value] = c.path;
    }
    ISpTTSEngine* engine = NewEngine();
    EXPECT_EQ(Bind(engine, Token(values)), c.bind) << c.what;
    EXPECT_EQ(Speak(engine, u"ae.").result, c.speak) << c.what;
  }
}

TEST_F(EngineTest, AnObjectIsBoundOnce) {
  ISpTTSEngine* engine = NewEngine();
  VoiceToken* first = Token(DefaultValues());
  EXPECT_EQ(Bind(engine, first), S_OK);
  EXPECT_EQ(Bind(engine, Token(DefaultValues())), E_FAIL);
  ISpObjectWithToken* withToken = nullptr;
  engine->QueryInterface(IID_ISpObjectWithToken, reinterpret_cast<void**>(&withToken));
  ISpObjectToken* token = nullptr;
  EXPECT_EQ(withToken->GetObjectToken(&token), S_OK);
  EXPECT_EQ(token, static_cast<ISpObjectToken*>(first));
  token->Release();
  withToken->Release();
}

TEST_F(EngineTest, OutputFormatFollowsTheVoice) {
  for (int32_t rate : {8000, 16000, 22050, 24000, 44100, 48000}) {
    ImpulseVoiceSpec spec;
    spec.sampleRate = rate;
    ISpTTSEngine* engine = BoundEngine(spec);
    const WAVEFORMATEX wanted{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    GUID id = GUID_NULL;
    WAVEFORMATEX* first = nullptr;
    WAVEFORMATEX* second = nullptr;
    ASSERT_EQ(engine->GetOutputFormat(&SPDFID_WaveFormatEx, &wanted, &id, &first), S_OK) << rate;
    ASSERT_EQ(engine->GetOutputFormat(nullptr, nullptr, &id, &second), S_OK) << rate;
    EXPECT_NE(first, second) << "each answer is a record of its own";
    EXPECT_EQ(id, SPDFID_WaveFormatEx);
    EXPECT_EQ(first->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(first->nChannels, 1);
    EXPECT_EQ(first->nSamplesPerSec, static_cast<DWORD>(rate));
    EXPECT_EQ(first->nAvgBytesPerSec, static_cast<DWORD>(2 * rate));
    EXPECT_EQ(first->nBlockAlign, 2);
    EXPECT_EQ(first->wBitsPerSample, 16);
    EXPECT_EQ(first->cbSize, 0);
    CoTaskMemFree(first);
    CoTaskMemFree(second);
  }
  ISpTTSEngine* engine = BoundEngine();
  GUID id = GUID_NULL;
  WAVEFORMATEX* format = nullptr;
  EXPECT_EQ(engine->GetOutputFormat(nullptr, nullptr, nullptr, &format), E_INVALIDARG);
  EXPECT_EQ(engine->GetOutputFormat(nullptr, nullptr, &id, nullptr), E_INVALIDARG);
  EXPECT_EQ(format, nullptr);
  ImpulseVoiceSpec odd;
  odd.sampleRate = 11025;
  EXPECT_TRUE(FAILED(BoundEngine(odd)->GetOutputFormat(nullptr, nullptr, &id, &format)));
  EXPECT_EQ(format, nullptr) << "nothing written for a rate without a stream format";
  EXPECT_TRUE(FAILED(NewEngine()->GetOutputFormat(nullptr, nullptr, &id, &format)));
}

TEST_F(EngineTest, StreamNumbersCountAcceptedCalls) {
  ISpTTSEngine* engine = BoundEngine();
  EXPECT_EQ(Speak(engine, u"a.").events.front().event.ulStreamNum, 1u);
  WAVEFORMATEX format{};
  PlatformSite site({}, nullptr, {});
  EXPECT_EQ(engine->Speak(0, SPDFID_WaveFormatEx, &format, nullptr, &site), E_INVALIDARG);
  const void* badSite[1] = {nullptr};  // an object whose function table cannot be read
  FragmentList list(u"a");
  AddPlainText(&list);
  EXPECT_EQ(engine->Speak(0, SPDFID_WaveFormatEx, &format, list.First(),
                          reinterpret_cast<ISpTTSEngineSite*>(badSite)),
            E_INVALIDARG);
  const SpeakRun second = Speak(engine, u"e.");
  for (const SiteEvent& e : second.events)
    EXPECT_EQ(e.event.ulStreamNum, 2u);

  FragmentList nothing(u"<x>");
  SPVSTATE state = DefaultFragmentState();
  state.eAction = SPVA_Section;
  nothing.AddSourceFragment(state, 0, 3);
  state.eAction = SPVA_ParseUnknownTag;
  nothing.AddSourceFragment(state, 0, 3);
  const SpeakRun empty = Speak(engine, nothing);
  EXPECT_EQ(empty.result, S_OK);
  EXPECT_TRUE(empty.events.empty());
  EXPECT_TRUE(empty.writes.empty());
}

TEST_F(EngineTest, AbortIsASuccessCode) {
  ISpTTSEngine* engine = BoundEngine();
  const std::u16string text = u"aeiou aeiou. aeiou aeiou. aeiou.";
  SiteSettings atStart;
  atStart.actions = {{0, SPVES_ABORT, 0}};
  const SpeakRun before = Speak(engine, text, atStart);
  EXPECT_EQ(before.result, S_SPEAK_ABORTED);
  EXPECT_TRUE(before.writes.empty());

  SiteSettings midway;
  midway.actions = {{10240, SPVES_ABORT, 0}};
  const SpeakRun during = Speak(engine, text, midway);
  EXPECT_EQ(during.result, S_SPEAK_ABORTED);
  EXPECT_EQ(during.writes, std::vector<ULONG>{10240})
      << "the chunks after the abort are not written";
}

TEST_F(EngineTest, AudioGoesOutInChunksOfAtMost10240Bytes) {
  ISpTTSEngine* engine = BoundEngine();
  const SpeakRun run = Speak(engine, u"aeiou aeiou aeiou.");
  ASSERT_GE(run.writes.size(), 3u);
  EXPECT_EQ(run.writes[0], 10240u);  // a block of 8000 samples: 10240 + 5760 bytes
  EXPECT_EQ(run.writes[1], 5760u);
  EXPECT_EQ(run.result, S_OK);

  SiteSettings stingy;
  stingy.maxWrite = 1000;
  const SpeakRun small = Speak(engine, u"aeiou aeiou aeiou.", stingy);
  EXPECT_EQ(small.bytes, run.bytes);
  EXPECT_EQ(small.audio, run.audio);

  SiteSettings none;
  none.maxWrite = 0;
  const SpeakRun stuck = Speak(engine, u"aeiou aeiou aeiou.", none);
  EXPECT_EQ(stuck.result, E_UNEXPECTED) << "a write that takes nothing ends the call";
  EXPECT_EQ(stuck.writes.size(), 1u);
}

TEST_F(EngineTest, RateAndVolumeAreClamped) {
  ISpTTSEngine* engine = BoundEngine();
  const std::u16string text = u"aeiou. aeiou.";
  const auto run = [&](LONG rate, WORD volume) {
    SiteSettings s;
    s.rate = rate;
    s.volume = volume;
    return Speak(engine, text, s).audio;
  };
  EXPECT_EQ(run(15, 100), run(10, 100));
  EXPECT_EQ(run(-12, 100), run(-10, 100));
  EXPECT_NE(run(10, 100), run(0, 100));
  EXPECT_EQ(run(0, 500), run(0, 100));
  EXPECT_NE(run(0, 50), run(0, 100));
}

TEST_F(EngineTest, PhonemeAndVisemeEvents) {
  ImpulseVoiceSpec spec;
  spec.periods = 16;  // every unit lasts 1600 samples: a tenth of a second
  spec.boundary = 800;
  ISpTTSEngine* engine = BoundEngine(spec);
  const SpeakRun run = Speak(engine, u"aaa.");
  const std::vector<SiteEvent> phonemes = run.Of(SPEI_PHONEME);
  const std::vector<SiteEvent> visemes = run.Of(SPEI_VISEME);
  ASSERT_GE(phonemes.size(), 3u);
  ASSERT_EQ(visemes.size(), phonemes.size());
  EXPECT_EQ(phonemes[0].event.lParam & 0xFFFF, 37) << "the pause, voice index 36";
  EXPECT_EQ(visemes[0].event.lParam & 0xFFFF, 0);
  EXPECT_EQ(phonemes[0].event.wParam & 0xFFFF, 23u) << "next: 'a', voice index 22";
  EXPECT_EQ(visemes[0].event.wParam & 0xFFFF, 1u);
  EXPECT_EQ(phonemes[2].event.wParam >> 16, 100u) << "1600 samples at 16 kHz";
  EXPECT_EQ(visemes[2].event.wParam >> 16, 100u);
  for (size_t i = 0; i < phonemes.size(); ++i) {
    EXPECT_EQ(phonemes[i].event.ullAudioStreamOffset, visemes[i].event.ullAudioStreamOffset);
  }
  // Offsets are bytes: twice the core's sample positions (the lead-in is 320 samples).
  EXPECT_EQ(phonemes[0].event.ullAudioStreamOffset, 640u);
}

TEST_F(EngineTest, BookmarksCarryTheirTextAndLeadingNumber) {
  ISpTTSEngine* engine = BoundEngine();
  FragmentList list(u"a e");
  SPVSTATE state = DefaultFragmentState();
  list.AddSourceFragment(state, 0, 1);
  state.eAction = SPVA_Bookmark;
  list.AddOwnFragment(state, u"42abc", 1);
  list.AddOwnFragment(state, u"abc", 1);
  state.eAction = SPVA_Speak;
  list.AddSourceFragment(state, 2, 1);
  const SpeakRun run = Speak(engine, list);
  const std::vector<SiteEvent> bookmarks = run.Of(SPEI_TTS_BOOKMARK);
  ASSERT_EQ(bookmarks.size(), 2u);
  EXPECT_EQ(bookmarks[0].event.elParamType, SPET_LPARAM_IS_STRING);
  EXPECT_EQ(bookmarks[0].event.wParam, 42u);
  EXPECT_EQ(bookmarks[0].text, u"42abc");
  EXPECT_EQ(bookmarks[1].event.wParam, 0u);
  EXPECT_EQ(bookmarks[1].text, u"abc");
}

TEST_F(EngineTest, SettingsAndThePunctuationFlagSelectStages) {
  // Stage 1 (option bit 2) turns 'a' into 'e'; stage 2 (bits 1 or 2) reads the vowels.
  TransducerBuilder aToE({-1, 'a', 'e'});
  aToE.Transition(0, 'a', 0, {'e'});
  StageSpec rewrite;
  rewrite.transducer = aToE.Build(1);
  rewrite.enableMask = 2;
  StageSpec reader;
  reader.transducer = VowelReader();
  reader.enableMask = 3;
  std::map<std::string, std::string> values = DefaultValues();
  values["GrammarData"] = files_.Write("stages.grammar", GrammarFile({rewrite, reader}));
  ISpTTSEngine* engine = NewEngine();
  ASSERT_EQ(Bind(engine, Token(values)), S_OK);
  const auto firstVowel = [&](DWORD flags) {
    for (const SiteEvent& e : Speak(engine, u"a", {}, flags).Of(SPEI_PHONEME)) {
      const int32_t next = static_cast<int32_t>(e.event.wParam & 0xFFFF) - 1;
      if (next != 36) return next;
    }
    return -1;
  };
  constexpr int32_t a = 22, e = 27;
  // The registry is the test's own on Linux; on Windows it is the system's, so the value goes too.
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORVELT\\TTSEngine");
  EXPECT_EQ(firstVowel(0), a) << "no settings value: option bits 1";
  EXPECT_EQ(firstVowel(SPF_NLP_SPEAK_PUNC), e);
  ASSERT_EQ(RegSetDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORVELT\\TTSEngine", "settings", 0), 0);
  EXPECT_EQ(firstVowel(0), -1) << "option bits 0 select no stage";
  EXPECT_EQ(firstVowel(SPF_NLP_SPEAK_PUNC), e);
  ASSERT_EQ(RegSetDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORVELT\\TTSEngine", "settings", 2), 0);
  EXPECT_EQ(firstVowel(0), e) << "read afresh for every utterance";
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORVELT\\TTSEngine");
}

TEST_F(EngineTest, ACrashInsideTheCoreAnswersEFail) {
  TransducerBuilder fault({-1, 'x', 0x7EADBEEF});
  fault.Transition(0, 'x', 0, {0x7EADBEEF});
  // Both stages run on every option bit, and the punctuation flag sets one whatever "settings"
  // value the registry holds (on Windows it is the system's, shared with other programs).
  StageSpec faulting;
  faulting.transducer = fault.Build(1);
  faulting.enableMask = -1;
  StageSpec reader;
  reader.transducer = VowelReader();
  reader.enableMask = -1;
  std::map<std::string, std::string> values = DefaultValues();
  values["GrammarData"] = files_.Write("fault.grammar", GrammarFile({faulting, reader}));
  ISpTTSEngine* engine = NewEngine(kFaultingEngineLibrary);
  ASSERT_EQ(Bind(engine, Token(values)), S_OK);
  const auto speak = [&](const std::u16string& text) {
    return Speak(engine, text, {}, SPF_NLP_SPEAK_PUNC).result;
  };
  EXPECT_EQ(speak(u"a"), S_OK);
  {
#if defined(__SANITIZE_ADDRESS__)
    // What the core had allocated when it faulted is not returned: a fault is a fault.
    __lsan::ScopedDisabler leaksOfTheFault;
#endif
    EXPECT_EQ(speak(u"x"), E_FAIL);
  }
  EXPECT_EQ(speak(u"a"), S_OK) << "the process and the object go on";
}

}  // namespace
