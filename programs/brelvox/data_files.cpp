#include "programs/brelvox/data_files.h"

#include "engine/core/sound/voice_inventory.h"
#include "engine/files/data_file.h"
#include "platform/com/unicode.h"
#include "platform/speech/token_values.h"

namespace brelvox::command {

namespace {

std::string Unreadable(const char* what, const std::string& path) {
  return std::string("the ") + what + " " + (path.empty() ? "(none named)" : path) +
         " cannot be read; check that it exists or install the voice again.";
}

std::string Damaged(const char* what, const std::string& path, const char* wayOut) {
  return std::string("the ") + what + " " + path + " is damaged (it does not load); " + wayOut +
         ".";
}

}  // namespace

std::string DamagedUserDictionary(const std::string& path) {
  MappedUserDictionary dictionary;
  std::string error;
  if (dictionary.Load(path, &error)) return {};
  if (!dictionary.Readable()) return Unreadable("user dictionary", path);
  return Damaged("user dictionary", path,
                 "speech goes on without it; rebuild it (brelvox lexicon add) or install the "
                 "voice again");
}

std::vector<std::string> DamagedDataFiles(const VoiceToken& token, bool spoke) {
  std::vector<std::string> problems;
  if (!spoke) {
    const std::string voicePath = token.Value(kVoiceDataValue);
    const std::u16string voiceName = Utf8ToUtf16(voicePath);
    MappedFile voice{};
    if (voicePath.empty() || FAILED(mapDataFile(reinterpret_cast<LPCWSTR>(voiceName.c_str()),
                                                &voice.mapping, &voice.view, &voice.size))) {
      problems.push_back(Unreadable("voice file", voicePath));
    } else {
      VoiceInventory inventory{};
      if (LoadVoice(&inventory, voice.view, voice.size) == 0) {
        problems.push_back(Damaged("voice file", voicePath, "install the voice again"));
      }
      ReleaseVoiceBuffers(&inventory);
      CloseMappedFile(&voice);
    }
    const std::string grammarPath = token.Value(kGrammarDataValue);
    MappedGrammar grammar;
    std::string error;
    if (!grammar.Load(grammarPath, &error)) {
      problems.push_back(grammar.Readable()
                             ? Damaged("grammar file", grammarPath, "install the voice again")
                             : Unreadable("grammar file", grammarPath));
    }
  }
  if (std::string dictionary = DamagedUserDictionary(token.Value(kUserDictDataValue));
      !dictionary.empty()) {
    problems.push_back(std::move(dictionary));
  }
  return problems;
}

}  // namespace brelvox::command
