#include "programs/brelvox/lexicon_command.h"

#include <cstdio>

#include "platform/registry/registry.h"
#include "platform/speech/voice_token.h"
#include "tools/lexicon/user_lexicon.h"

namespace brelvox::command {

using namespace brelvox::lexicon;

namespace {

int Fail(const std::string& action, const std::string& message, int status = 1) {
  std::fprintf(stderr, "brelvox lexicon %s: %s\n", action.c_str(), message.c_str());
  return status;
}

int List(const UserLexiconFiles& files) {
  UserLexicon lexicon;
  std::string error;
  if (!ReadUserLexicon(files.entries, &lexicon, &error)) return Fail("list", error);
  if (lexicon.empty()) {
    std::printf("no entries yet (brelvox lexicon add WORD PRONUNCIATION adds one)\n");
    return 0;
  }
  for (const auto& [word, pronunciation] : lexicon)
    std::printf("%s %s\n", word.c_str(), pronunciation.c_str());
  return 0;
}

}  // namespace

int RunLexicon(const LexiconOptions& options) {
  const std::string& action = options.action;
  const UserLexiconFiles files = UserLexiconLocation();
  if (action == "list") return List(files);

  std::string word, error;
  if (!NormalizeLexiconWord(options.word, &word, &error)) return Fail(action, error, 2);
  if (action == "add" && !CheckPronunciation(options.pronunciation, &error)) {
    return Fail(action, error, 2);
  }
  const std::string voice = ChooseVoice(options.voice, &error);
  if (voice.empty()) return Fail(action, error);

  const UserLexiconLock lock(files.lock);
  if (!lock.Held()) {
    return Fail(action,
                "cannot lock " + files.lock + "; check that " + files.folder + " is writable");
  }
  UserLexicon lexicon;
  if (!ReadUserLexicon(files.entries, &lexicon, &error)) return Fail(action, error);
  std::string done;
  if (action == "add") {
    const auto old = lexicon.find(word);
    if (old == lexicon.end()) {
      done = "added " + word + " " + options.pronunciation;
    } else if (old->second == options.pronunciation) {
      done = "kept " + word + " " + options.pronunciation;
    } else {
      done = "replaced " + word + " " + old->second + " by " + options.pronunciation;
    }
    lexicon[word] = options.pronunciation;
  } else {
    if (lexicon.erase(word) == 0) {
      return Fail(action,
                  word + " is not in your lexicon; brelvox lexicon list shows the words that are");
    }
    done = "removed " + word;
  }
  if (!SaveUserLexicon(files, lexicon, &error)) return Fail(action, error);
  if (RegSetString(HKEY_LOCAL_MACHINE, VoiceTokenKey(voice).c_str(), "UserDictData",
                   files.dictionary) != 0) {
    return Fail(action, "the lexicon is saved, but the voice " + voice +
                            " could not be pointed at " + files.dictionary + "; check that " +
                            RegistryFilePath() + " is writable and run the command again");
  }
  std::printf("%s (%zu %s in %s, used by the voice %s)\n", done.c_str(), lexicon.size(),
              lexicon.size() == 1 ? "entry" : "entries", files.dictionary.c_str(), voice.c_str());
  return 0;
}

}  // namespace brelvox::command
