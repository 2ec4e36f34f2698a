// The impulse test voice installed in the platform's registry, with the engine library registered
// for its class, for tests that speak through the platform. Header only: the support library
// itself does not link the platform.
#pragma once

#include <string>

#include "platform/com/com.h"
#include "platform/registry/registry.h"
#include "platform/speech/voice_token.h"
#include "tests/support/grammar_files.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_voices.h"
#include "tests/support/text_grammar.h"

namespace brelvox::test {

// The engine's class id as its tokens name it.
inline std::string EngineClassId() {
  char id[39];
  GuidToString({0x2BFFD27F, 0x1F12, 0x4F12, {0xB2, 0x1C, 0x70, 0xF3, 0xC1, 0x9C, 0x41, 0x6C}}, id);
  return id;
}

// Writes the voice's files into `files` and installs the token NAME (the default voice when
// `makeDefault`); false when the registry could not be written.
inline bool InstallImpulseTestVoice(const TempDir& files, const char* library,
                                    const std::string& name = "Test", bool makeDefault = true) {
  const std::string id = EngineClassId();
  if (RegSetString(HKEY_CLASSES_ROOT, ("CLSID\\" + id + "\\InprocServer32").c_str(), "", library) !=
      0) {
    return false;
  }
  VoiceDescription voice;
  voice.name = name;
  voice.clsid = id;
  voice.voiceData = files.Write("t.voice", voicefile::SerializeVoiceFile(MakeImpulseVoice({})));
  voice.grammarData = files.Write("t.grammar", TestGrammar().file);
  voice.userDictData = files.Write("t.dict", TransducerFile(TransducerBuilder({-1}).Build(1)));
  return InstallVoiceToken(voice, makeDefault) == 0;
}

}  // namespace brelvox::test
