// The engine core's speech path: the cascade per stage kind, and Synthesize as a whole in seconds
// of audio per CPU second (synthetic 16 kHz voice, a small vowel grammar).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/core/synthesize.h"
#include "engine/core/text/bimachine.h"
#include "engine/core/text/transducer.h"
#include "tests/support/grammar_files.h"
#include "tests/support/recording_site.h"
#include "tests/support/text_grammar.h"
#include "tools/voicefile/synthetic_voice.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace {

std::u16string LongText(size_t characters) {
  const std::u16string sentence = u"ae ia ou. eo au ie, uo ea! ";
  std::u16string text;
  while (text.size() < characters)
    text += sentence;
  text.resize(characters);
  return text;
}

DynArray* Symbols(const std::u16string& text) {
  DynArray* array = DynArrayCreate(1, static_cast<int32_t>(text.size()), kDefaultGrowth);
  for (char16_t c : text) {
    const int32_t s = c;
    DynArrayAppend(array, &s);
  }
  return array;
}

void BM_TransducerStage(benchmark::State& state) {
  const TestGrammar grammar;
  const Transducer& machine = *grammar.grammar->stages[0].transducer;
  DynArray* input = Symbols(LongText(20000));
  DynArray* output = DynArrayCreate(1, 15000, kDefaultGrowth);
  SymbolQueue* queue = SymbolQueueCreate(1, 15000);
  for (auto _ : state)
    RunTransducer(machine, input, output, queue);
  state.SetItemsProcessed(state.iterations() * input->count);
  SymbolQueueRelease(queue);
  DynArrayRelease(output);
  DynArrayRelease(input);
}
BENCHMARK(BM_TransducerStage);

void BM_BimachineStage(benchmark::State& state) {
  const std::vector<int32_t> file = BimachineFile(AAfterBBimachine());
  ByteReader reader = ReaderOver(file);
  Bimachine* machine = LoadBimachine(&reader);
  std::u16string text;
  while (text.size() < 20000)
    text += u"abba xab ";
  DynArray* input = Symbols(text);
  DynArray* output = DynArrayCreate(1, 15000, kDefaultGrowth);
  DynArray* stack = DynArrayCreate(1, 15000, kDefaultGrowth);
  for (auto _ : state)
    RunBimachine(*machine, input, output, stack);
  state.SetItemsProcessed(state.iterations() * input->count);
  DynArrayRelease(stack);
  DynArrayRelease(output);
  DynArrayRelease(input);
  FreeBimachine(machine);
}
BENCHMARK(BM_BimachineStage);

void BM_Synthesize(benchmark::State& state) {
  const std::vector<uint8_t> image = SerializeVoiceFile(MakeSyntheticVoice({}));
  VoiceInventory voice{};
  LoadVoice(&voice, image.data(), image.size());
  const TestGrammar grammar;
  TextItems items(LongText(2000));
  items.Speak(0, 2000);
  const DynArray* list = items.List();
  int64_t samples = 0;
  for (auto _ : state) {
    RecordingSite host;
    host.writes.reserve(64);
    host.audio.reserve(1 << 22);
    const EngineSite site = host.Table();
    Synthesize(&voice, grammar.grammar, nullptr, list, 1, &site);
    samples += static_cast<int64_t>(host.audio.size());
  }
  state.counters["audio_s_per_cpu_s"] = benchmark::Counter(
      static_cast<double>(samples) / voice.sampleRate, benchmark::Counter::kIsRate);
  ReleaseVoiceBuffers(&voice);
}
BENCHMARK(BM_Synthesize)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
