#include "tests/engine/sapi/engine_fixture.h"

#include "engine/sapi/bg_voice_engine.h"
#include "platform/activation/activation.h"
#include "tests/support/grammar_files.h"
#include "tests/support/text_grammar.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

const char* const kEngineLibrary = BRELVOX_LIBRARY;
const char* const kFaultingEngineLibrary = BRELVOX_FAULTING_LIBRARY;

std::vector<SiteEvent> SpeakRun::Of(SPEVENTENUM id) const {
  std::vector<SiteEvent> out;
  for (const SiteEvent& e : events) {
    if (e.event.eEventId == id) out.push_back(e);
  }
  return out;
}

EngineTest::EngineTest() {
  voicePath_ = files_.Write("test.voice", SerializeVoiceFile(MakeImpulseVoice({})));
  const TestGrammar grammar;
  grammarPath_ = files_.Write("test.grammar", grammar.file);
  dictionaryPath_ = files_.Write("test.userdict", TransducerFile(TransducerBuilder({-1}).Build(1)));
}

EngineTest::~EngineTest() {
  for (auto it = owned_.rbegin(); it != owned_.rend(); ++it)
    (*it)->Release();
}

ISpTTSEngine* EngineTest::NewEngine(const char* library) {
  ISpTTSEngine* engine = nullptr;
  const HRESULT hr =
      CreateInstanceFromLibrary(library != nullptr ? library : kEngineLibrary, CLSID_BGVoiceEngine,
                                IID_ISpTTSEngine, reinterpret_cast<void**>(&engine));
  EXPECT_EQ(hr, S_OK);
  if (engine != nullptr) owned_.push_back(engine);
  return engine;
}

std::map<std::string, std::string> EngineTest::DefaultValues() const {
  return {
      {"VoiceData", voicePath_}, {"GrammarData", grammarPath_}, {"UserDictData", dictionaryPath_}};
}

VoiceToken* EngineTest::Token(std::map<std::string, std::string> values) {
  VoiceToken* token = VoiceToken::Create("test", std::move(values));
  owned_.push_back(token);
  return token;
}

HRESULT EngineTest::Bind(ISpTTSEngine* engine, VoiceToken* token) {
  ISpObjectWithToken* withToken = nullptr;
  HRESULT hr = engine->QueryInterface(IID_ISpObjectWithToken, reinterpret_cast<void**>(&withToken));
  if (FAILED(hr)) return hr;
  hr = withToken->SetObjectToken(token);
  withToken->Release();
  return hr;
}

ISpTTSEngine* EngineTest::BoundEngine(const ImpulseVoiceSpec& spec) {
  std::map<std::string, std::string> values = DefaultValues();
  values["VoiceData"] = files_.Write(
      "voice-" + std::to_string(spec.sampleRate) + "-" + std::to_string(spec.periods) + ".voice",
      SerializeVoiceFile(MakeImpulseVoice(spec)));
  ISpTTSEngine* engine = NewEngine();
  EXPECT_EQ(Bind(engine, Token(values)), S_OK);
  return engine;
}

SpeakRun EngineTest::Speak(ISpTTSEngine* engine, const std::u16string& text, SiteSettings settings,
                           DWORD flags) {
  FragmentList fragments(text);
  AddPlainText(&fragments);
  return Speak(engine, fragments, std::move(settings), flags);
}

SpeakRun EngineTest::Speak(ISpTTSEngine* engine, FragmentList& fragments, SiteSettings settings,
                           DWORD flags) {
  SpeakRun run{};
  SiteObserver observer;
  observer.onEvent = [&run](const SiteEvent& e) { run.events.push_back(e); };
  observer.onWrite = [&run](const void* data, ULONG offered, ULONG accepted) {
    run.writes.push_back(offered);
    run.audio.append(static_cast<const char*>(data), accepted);
  };
  observer.onCompleteSkip = [&run](LONG n) { run.skips.push_back(n); };
  PlatformSite site(std::move(settings), nullptr, observer);
  WAVEFORMATEX format{};
  run.result = engine->Speak(flags, SPDFID_WaveFormatEx, &format, fragments.First(), &site);
  run.bytes = site.BytesAccepted();
  return run;
}
