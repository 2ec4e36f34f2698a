// Writes the seed inputs of the fuzz targets: small well-formed grammar, dictionary and voice
// files.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/grammar_files.h"
#include "tests/support/test_voices.h"
#include "tests/support/text_grammar.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace {

void Write(const std::string& path, const void* data, size_t bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    std::perror(path.c_str());
    return;
  }
  std::fwrite(data, 1, bytes, f);
  std::fclose(f);
}

void WriteWords(const std::string& path, const std::vector<int32_t>& words) {
  Write(path, words.data(), words.size() * 4);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : ".";
  const TestGrammar text;
  WriteWords(dir + "/load_grammar/text_grammar", text.file);
  StageSpec stage;
  TransducerBuilder b({-1, 'a', 'z'});
  b.Transition(0, 'a', 0, {'z'});
  stage.transducer = b.Build(1);
  stage.protectedSymbols = {0x10010};
  stage.lowest = stage.highest = 0x10010;
  StageSpec dictionary;
  dictionary.kind = 3;
  WriteWords(dir + "/load_grammar/protected_and_dictionary", GrammarFile({stage, dictionary}));
  WriteWords(dir + "/load_transducer/a_to_z", TransducerFile(stage.transducer));
  ImpulseVoiceSpec spec;
  spec.periods = 3;
  VoiceFileContents voice = MakeImpulseVoice(spec);
  voice.units.resize(40 * 53);  // the pairs up to the pause phoneme and a few beyond
  const std::vector<uint8_t> image = SerializeVoiceFile(voice);
  Write(dir + "/load_voice/impulse", image.data(), image.size());
  return 0;
}
