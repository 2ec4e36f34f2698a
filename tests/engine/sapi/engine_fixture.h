// The engine library as the platform uses it: loaded with dlopen, objects made by its class
// factory, bound to tokens over small voice and grammar files written by the test.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/speech/fragments.h"
#include "platform/speech/platform_site.h"
#include "platform/speech/sapi.h"
#include "platform/speech/voice_token.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_voices.h"

struct SpeakRun {
  HRESULT result;
  std::vector<SiteEvent> events;
  std::vector<ULONG> writes;  // bytes offered to every Write
  std::vector<LONG> skips;
  uint64_t bytes = 0;  // accepted
  std::string audio;   // the accepted bytes
  std::vector<SiteEvent> Of(SPEVENTENUM id) const;
};

class EngineTest : public testing::Test {
 protected:
  EngineTest();
  ~EngineTest() override;

  // A new engine object from `library` (the engine library by default).
  ISpTTSEngine* NewEngine(const char* library = nullptr);
  // A token with these values; "default" gives the three test files.
  VoiceToken* Token(std::map<std::string, std::string> values);
  std::map<std::string, std::string> DefaultValues() const;
  HRESULT Bind(ISpTTSEngine* engine, VoiceToken* token);
  // A bound engine over the test files (voice built from `spec`).
  ISpTTSEngine* BoundEngine(const brelvox::test::ImpulseVoiceSpec& spec = {});
  SpeakRun Speak(ISpTTSEngine* engine, const std::u16string& text, SiteSettings settings = {},
                 DWORD flags = 0);
  SpeakRun Speak(ISpTTSEngine* engine, FragmentList& fragments, SiteSettings settings = {},
                 DWORD flags = 0);

  brelvox::test::ScopedRegistry registry_;
  brelvox::test::TempDir files_;
  std::string voicePath_, grammarPath_, dictionaryPath_;
  std::vector<IUnknown*> owned_;
};

extern const char* const kEngineLibrary;
extern const char* const kFaultingEngineLibrary;
