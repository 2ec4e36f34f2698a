// Any bytes as a voice file: loading never reads outside the image, and a voice that loads renders
// text and raw symbol streams without touching memory outside its buffers.
#include "engine/core/sound/voice_inventory.h"
#include "tests/fuzz/fuzz_support.h"

using namespace brelvox::test;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<int32_t> image = AlignedCopy(data, size);
  VoiceInventory voice{};
  if (LoadVoice(&voice, image.data(), size) != 1) {
    ReleaseVoiceBuffers(&voice);
    return 0;
  }
  static TestGrammar grammar;
  SpeakWith(&voice, grammar.grammar, nullptr);
  const std::vector<int32_t> symbols = SymbolsFrom(data + size / 2, size - size / 2);
  RecordingSite host;
  const EngineSite site = host.Table();
  RenderSymbolStream(&voice, symbols.data(), static_cast<int32_t>(symbols.size()), &site);
  ReleaseVoiceBuffers(&voice);
  return 0;
}
