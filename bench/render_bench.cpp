// Rendering throughput: seconds of audio per CPU second for the synthetic 16 kHz voice, for the
// whole symbol loop and for the overlap-add and conversion alone.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/core/sound/overlap_add.h"
#include "engine/core/sound/phoneme_set.h"
#include "engine/core/sound/voice_inventory.h"
#include "engine/core/symbols.h"
#include "engine/core/synthesize.h"
#include "tools/voicefile/collecting_host.h"
#include "tools/voicefile/synthetic_voice.h"

using namespace brelvox::voicefile;

namespace {

struct Voice {
  Voice() : image(SerializeVoiceFile(MakeSyntheticVoice({}))) {
    LoadVoice(&voice, image.data(), image.size());
  }
  ~Voice() { ReleaseVoiceBuffers(&voice); }
  std::vector<uint8_t> image;
  VoiceInventory voice{};
};

// A long stream cycling through every phoneme with varied stress.
std::vector<int32_t> LongStream() {
  std::vector<int32_t> symbols;
  for (int32_t i = 0; i < 2000; ++i) {
    symbols.push_back(PhonemeBase + (i * 7) % kVoicePhonemeCount);
    symbols.push_back(StressBase + 3 + i % 5);
    if (i % 11 == 10) symbols.push_back(PauseSymbol);
  }
  return symbols;
}

void BM_RenderSymbolStream(benchmark::State& state) {
  Voice v;
  const std::vector<int32_t> symbols = LongStream();
  CollectingHost counter;
  counter.keepAudio = false;
  const EngineSite site = counter.Table();
  for (auto _ : state) {
    RenderSymbolStream(&v.voice, symbols.data(), static_cast<int32_t>(symbols.size()), &site);
  }
  state.counters["audio_s_per_cpu_s"] = benchmark::Counter(
      static_cast<double>(counter.samples) / v.voice.sampleRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderSymbolStream)->Unit(benchmark::kMillisecond);

// One period of 128 samples windowed and mixed, repeated: the overlap-add's inner loops alone.
void BM_WindowAndMix(benchmark::State& state) {
  Voice v;
  VoiceInventory& voice = v.voice;
  const PitchMark& mark = voice.marks[voice.units[100].firstMark + 3];
  const int16_t* source = voice.samples + voice.units[100].start + mark.start;
  int64_t samples = 0;
  for (auto _ : state) {
    for (int32_t centre = 200; centre < voice.bufferLength - 200; centre += 128) {
      WindowIntoMix(voice.windows, source, mark.left, mark.right, 128, 128, voice.frameBuffer,
                    voice.mixBuffer, voice.bufferLength, centre - 128);
      samples += 128;
    }
    ConvertToPcm(voice.mixBuffer, voice.pcmBuffer, voice.bufferLength, 1.0);
    benchmark::DoNotOptimize(voice.pcmBuffer[7]);
  }
  state.counters["audio_s_per_cpu_s"] = benchmark::Counter(
      static_cast<double>(samples) / voice.sampleRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WindowAndMix);

// The mix buffer converted to 16-bit samples, as each flush does.
void BM_ConvertToPcm(benchmark::State& state) {
  Voice v;
  VoiceInventory& voice = v.voice;
  for (int32_t i = 0; i < voice.bufferLength; ++i)
    voice.mixBuffer[i] = (i % 2000 - 1000) * 40.5;
  int64_t samples = 0;
  for (auto _ : state) {
    ConvertToPcm(voice.mixBuffer, voice.pcmBuffer, voice.bufferLength, 0.9);
    benchmark::DoNotOptimize(voice.pcmBuffer[7]);
    samples += voice.bufferLength;
  }
  state.counters["audio_s_per_cpu_s"] = benchmark::Counter(
      static_cast<double>(samples) / voice.sampleRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ConvertToPcm);

}  // namespace
