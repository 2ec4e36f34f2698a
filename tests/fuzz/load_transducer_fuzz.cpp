// Any bytes as a user dictionary: loading never reads outside the image, and what loads runs alone
// and as the dictionary stage of a grammar.
#include "engine/core/text/transducer.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/grammar_files.h"

using namespace brelvox::test;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<int32_t> image = AlignedCopy(data, size);
  ByteReader reader = MakeByteReader(image.data(), static_cast<int64_t>(size));
  Transducer* dictionary = LoadTransducer(&reader);
  if (dictionary == nullptr) return 0;
  DynArray* input = DynArrayCreate(1, 1, kDefaultGrowth);
  for (int32_t s : SymbolsFrom(data, size))
    DynArrayAppend(input, &s);
  DynArray* output = DynArrayCreate(1, 1, kDefaultGrowth);
  SymbolQueue* queue = SymbolQueueCreate(1, 1);
  RunTransducer(*dictionary, input, output, queue);
  SymbolQueueRelease(queue);
  DynArrayRelease(output);
  DynArrayRelease(input);

  static const std::vector<int32_t> file = [] {
    StageSpec dictionaryStage;
    dictionaryStage.kind = 3;
    dictionaryStage.enableMask = -1;
    return GrammarFile({dictionaryStage});
  }();
  static Grammar* grammar = [] {
    ByteReader r = ReaderOver(file);
    return LoadGrammar(&r);
  }();
  static LoadedVoice voice(MakeImpulseVoice({}));
  SpeakWith(&voice.voice, grammar, dictionary);
  FreeTransducer(dictionary);
  return 0;
}
