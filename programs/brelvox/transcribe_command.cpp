#include "programs/brelvox/transcribe_command.h"

#include <cstdio>

#include "engine/core/dyn_array.h"
#include "engine/core/sound/phoneme_set.h"
#include "engine/core/symbols.h"
#include "engine/files/data_file.h"
#include "engine/sapi/front_end.h"
#include "platform/com/unicode.h"
#include "platform/registry/registry.h"
#include "platform/speech/fragments.h"
#include "platform/speech/voice_token.h"

namespace brelvox::command {

namespace {

int Fail(const std::string& message, int status = 1) {
  std::fprintf(stderr, "brelvox transcribe: %s\n", message.c_str());
  return status;
}

}  // namespace

std::string TranscriptionOf(const int32_t* symbols, int32_t count, bool stress) {
  std::string out, word;
  const auto flush = [&] {
    if (word.empty()) return;
    if (!out.empty()) out += ' ';
    out += word;
    word.clear();
  };
  for (int32_t i = 0; i < count; ++i) {
    const int32_t s = symbols[i];
    if (IsWordMarker(s)) {
      flush();
    } else if (IsPhonemeSymbol(s)) {
      word += PhonemeAlphabet[static_cast<size_t>(s - PhonemeBase)];
    } else if (stress && IsStressSymbol(s) && !word.empty()) {
      const int32_t level = s - StressBase;
      word += level == 10 ? 'X' : static_cast<char>('0' + level);
    }
  }
  flush();
  return out;
}

int RunTranscribe(const TranscribeOptions& options) {
  std::string text;
  for (const std::string& part : options.text)
    text += (text.empty() ? "" : " ") + part;
  if (text.empty()) return Fail("nothing to transcribe: give the TEXT", 2);
  std::string error;
  const std::string name = ChooseVoice(options.voice, &error);
  if (name.empty()) return Fail(error);
  VoiceToken* token = VoiceToken::FromRegistry(name);
  if (token == nullptr) return Fail("the voice " + name + " cannot be read from the registry");
  const std::string grammarPath = token->Value(kGrammarDataValue);
  const std::string dictionaryPath = token->Value(kUserDictDataValue);
  token->Release();

  if (grammarPath.empty()) {
    return Fail("the voice " + name +
                " names no grammar file (GrammarData); install it again with brelvox "
                "install-voice");
  }
  if (dictionaryPath.empty()) {
    return Fail("the voice " + name +
                " names no user dictionary (UserDictData), so the engine cannot use it; install "
                "it again with brelvox install-voice");
  }
  MappedGrammar grammar;
  if (!grammar.Load(grammarPath, &error)) {
    return Fail(error + " (the voice " + name + "; or install the voice again)");
  }
  MappedUserDictionary dictionary;
  if (!dictionary.Load(dictionaryPath, &error)) {
    if (!dictionary.Readable()) {
      return Fail(error + " (the voice " + name + "; or install the voice again)");
    }
    // The engine speaks without a user dictionary it cannot load; so do we, but say so.
    std::fprintf(stderr,
                 "brelvox transcribe: the user dictionary %s does not load; transcribing without "
                 "it, as the engine does\n",
                 dictionaryPath.c_str());
  }

  // The text as the platform hands plain text to the engine, with the engine's own option bits.
  FragmentList fragments(Utf8ToUtf16(text));
  AddPlainText(&fragments);
  HKEY settingsKey = nullptr;
  const DWORD optionBits = ReadEngineOptions(&settingsKey, 0);
  if (settingsKey != nullptr) RegCloseKey(settingsKey);
  const SymbolStream stream =
      FrontEndStream(*grammar.get(), dictionary.get(), fragments.First(), optionBits);
  if (stream.symbols == nullptr) return Fail("out of memory");
  std::printf("%s\n",
              TranscriptionOf(stream.symbols->data, stream.symbols->count, options.stress).c_str());
  DynArrayRelease(stream.symbols);
  DynArrayRelease(stream.marks);
  return 0;
}

}  // namespace brelvox::command
