// Any bytes as a grammar file: loading never reads outside the image, and what loads runs.
#include "engine/core/text/grammar.h"
#include "tests/fuzz/fuzz_support.h"

using namespace brelvox::test;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<int32_t> image = AlignedCopy(data, size);
  ByteReader reader = MakeByteReader(image.data(), static_cast<int64_t>(size));
  Grammar* grammar = LoadGrammar(&reader);
  if (grammar == nullptr) return 0;
  const std::vector<int32_t> symbols = SymbolsFrom(data, size);
  DynArray* input = DynArrayCreate(1, 1, kDefaultGrowth);
  for (int32_t s : symbols)
    DynArrayAppend(input, &s);
  for (int32_t flags : {1, 3, -1})
    DynArrayRelease(RunCascade(*grammar, nullptr, input, flags));
  DynArrayRelease(input);
  static LoadedVoice voice(MakeImpulseVoice({}));
  SpeakWith(&voice.voice, grammar, nullptr);
  FreeGrammar(grammar);
  return 0;
}
