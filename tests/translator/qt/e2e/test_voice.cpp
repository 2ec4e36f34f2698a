#include "test_voice.h"

#include <cstdlib>
#include <fstream>
#include <set>
#include <utility>
#include <vector>

#include "desktop_session.h"
#include "engine/core/sound/phoneme_set.h"
#include "engine/core/symbols.h"
#include "tests/support/grammar_files.h"
#include "tests/support/test_voices.h"
#include "tools/voicefile/voice_file_writer.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace brelvox::translator::e2e {
namespace {

int32_t Phoneme(char c) {
  return PhonemeBase + static_cast<int32_t>(PhonemeAlphabet.find(c));
}

// Vowels, Cyrillic and Latin, each read as a phoneme at neutral stress inside word markers.
TransducerSpec VowelReader() {
  const std::vector<std::pair<int32_t, char>> vowels = {
      {u'а', 'a'}, {u'е', 'e'}, {u'и', 'i'}, {u'о', 'o'}, {u'у', 'u'}, {u'ъ', 'a'}, {u'я', 'a'},
      {u'ю', 'u'}, {'a', 'a'},  {'e', 'e'},  {'i', 'i'},  {'o', 'o'},  {'u', 'u'}};
  constexpr int32_t kWord = kFirstWordMarker;
  constexpr int32_t kSentence = kSentenceMarkerA;
  constexpr int32_t kStress = StressBase + kNeutralStress;
  std::set<int32_t> alphabet = {-1, ' ', '.', kWord, kSentence, PauseSymbol, kStress};
  for (const auto& [letter, sound] : vowels) {
    alphabet.insert(letter);
    alphabet.insert(Phoneme(sound));
  }
  TransducerBuilder b(std::vector<int32_t>(alphabet.begin(), alphabet.end()));
  for (const auto& [letter, sound] : vowels) {
    b.Transition(0, letter, 1, {kWord, letter, Phoneme(sound), kStress});
    b.Transition(1, letter, 1, {letter, Phoneme(sound), kStress});
  }
  b.Transition(0, ' ', 0, {' '});
  b.Transition(1, ' ', 0, {kWord, ' '});
  b.Transition(0, '.', 0, {'.', kSentence, kSentence, PauseSymbol});
  b.Transition(1, '.', 0, {kWord, '.', kSentence, kSentence, PauseSymbol});
  b.Final(1, {kWord});
  return b.Build(2);
}

bool WriteFile(const std::string& path, const void* data, std::size_t bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(bytes));
  return static_cast<bool>(out);
}

}  // namespace

std::string InstallTestVoice(const std::string& dir, const std::string& brelvox_command,
                             const std::string& engine_library) {
  const std::string voice = dir + "/test.voice";
  const std::string grammar = dir + "/test.grammar";
  const std::string dictionary = dir + "/test.dict";
  const std::vector<uint8_t> voice_bytes = SerializeVoiceFile(MakeImpulseVoice({}));
  StageSpec stage;
  stage.transducer = VowelReader();
  const std::vector<int32_t> grammar_words = GrammarFile({stage});
  const std::vector<int32_t> dictionary_words = TransducerFile(TransducerBuilder({-1}).Build(1));
  if (!WriteFile(voice, voice_bytes.data(), voice_bytes.size()) ||
      !WriteFile(grammar, grammar_words.data(), grammar_words.size() * 4) ||
      !WriteFile(dictionary, dictionary_words.data(), dictionary_words.size() * 4)) {
    return "cannot write the voice files into " + dir;
  }
  setenv("BRELVOX_REGISTRY", (dir + "/registry").c_str(), 1);
  const CommandResult registered = Run(brelvox_command + " register " + engine_library);
  if (registered.status != 0) return "brelvox register failed: " + registered.out;
  const CommandResult installed =
      Run(brelvox_command + " install-voice --name E2E --voice-data " + voice + " --grammar-data " +
          grammar + " --userdict-data " + dictionary + " --default");
  if (installed.status != 0) return "brelvox install-voice failed: " + installed.out;
  return "";
}

}  // namespace brelvox::translator::e2e
