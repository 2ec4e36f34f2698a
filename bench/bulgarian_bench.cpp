// The Bulgarian path stage by stage, with the voice and grammar this project builds and the
// benchmark text of bench-text.sh (build/bench/bulgarian.txt; the benchmarks say so when a file is
// missing): the cascade per stage kind, the symbol stream with its marks, unit rendering and the
// whole of Synthesize, with the heap allocations it makes per second of audio.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/core/sound/voice_inventory.h"
#include "engine/core/synthesize.h"
#include "engine/core/text/byte_reader.h"
#include "engine/core/text/cascade.h"
#include "engine/core/text/grammar.h"
#include "engine/core/text/speech_marks.h"
#include "engine/core/text/transducer.h"
#include "engine/files/data_file.h"
#include "platform/com/unicode.h"
#include "tests/support/text_grammar.h"
#include "tools/voicefile/collecting_host.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

// Every malloc, calloc and realloc of the process is counted (operator new comes through malloc).
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
}
namespace {
int64_t allocations = 0;
}  // namespace
extern "C" void* malloc(size_t size) {
  ++allocations;
  return __libc_malloc(size);
}
extern "C" void* calloc(size_t count, size_t size) {
  ++allocations;
  return __libc_calloc(count, size);
}
extern "C" void* realloc(void* block, size_t size) {
  ++allocations;
  return __libc_realloc(block, size);
}

namespace {

constexpr size_t kTextCharacters = 20000;

std::vector<char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The files, loaded once; `missing` names what could not be read.
struct Bulgarian {
  Bulgarian() {
    std::string error;
    if (dictionaryFile.Load(BRELVOX_SHARE_DIR "/bulgarian.userdict", &error)) {
      dictionary = dictionaryFile.get();
    } else {
      missing = "the user dictionary (build bulgarian_grammar)";
    }
    voiceImage = ReadFile(BRELVOX_SHARE_DIR "/bulgarian.voice");
    const std::vector<char> bytes = ReadFile(BRELVOX_BENCH_TEXT);
    if (grammarFile.Load(BRELVOX_SHARE_DIR "/bulgarian.grammar", &error)) {
      grammar = grammarFile.get();
    } else {
      missing = "the Bulgarian grammar (build bulgarian_grammar)";
    }
    if (voiceImage.empty() || LoadVoice(&voice, reinterpret_cast<const uint8_t*>(voiceImage.data()),
                                        voiceImage.size()) == 0) {
      missing = "the Bulgarian voice (build bulgarian_voice)";
    }
    if (bytes.empty())
      missing = "the benchmark text (run bench/bench-text.sh " BRELVOX_BENCH_TEXT ")";
    text = Utf8ToUtf16(std::string(bytes.begin(), bytes.end())).substr(0, kTextCharacters);
    // Line by line, as a reader hands a text over sentence by sentence.
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find(u'\n', start);
      if (end == std::u16string::npos) end = text.size();
      if (end > start) {
        DynArray* line = DynArrayCreate(1, static_cast<int32_t>(end - start), kDefaultGrowth);
        for (size_t i = start; i < end; ++i) {
          const int32_t s = text[i];
          DynArrayAppend(line, &s);
        }
        lines.push_back(line);
      }
      start = end + 1;
    }
  }
  ~Bulgarian() {
    for (DynArray* line : lines)
      DynArrayRelease(line);
    ReleaseVoiceBuffers(&voice);
  }
  MappedGrammar grammarFile;
  MappedUserDictionary dictionaryFile;
  const Transducer* dictionary = nullptr;
  std::vector<char> voiceImage;
  const Grammar* grammar = nullptr;
  VoiceInventory voice{};
  std::u16string text;
  std::vector<DynArray*> lines;
  const char* missing = nullptr;
};

Bulgarian& Files() {
  static Bulgarian files;
  return files;
}

bool Ready(benchmark::State& state) {
  if (Files().missing == nullptr) return true;
  state.SkipWithError(Files().missing);
  return false;
}

// The stages of one kind, each over the stream the stages before it made (a grammar of one stage
// is run by the same cascade code the engine uses).
void BM_BulgarianCascadeStageKind(benchmark::State& state) {
  if (!Ready(state)) return;
  const Grammar& grammar = *Files().grammar;
  const Transducer* dictionary = Files().dictionary;
  const auto kind = static_cast<int32_t>(state.range(0));
  std::vector<std::pair<int32_t, DynArray*>> inputs;  // (stage, its input)
  for (DynArray* line : Files().lines) {
    DynArray* stream = RunCascade(Grammar{grammar.stages, 0}, dictionary, line, 1);
    for (int32_t s = 0; s < grammar.stageCount; ++s) {
      const Grammar one{grammar.stages + s, 1};
      DynArray* next = RunCascade(one, dictionary, stream, 1);
      if (grammar.stages[s].kind == kind) {
        inputs.emplace_back(s, stream);
      } else {
        DynArrayRelease(stream);
      }
      stream = next;
    }
    DynArrayRelease(stream);
  }
  int64_t symbols = 0;
  for (auto _ : state) {
    for (const auto& [s, input] : inputs) {
      DynArrayRelease(RunCascade(Grammar{grammar.stages + s, 1}, dictionary, input, 1));
      symbols += input->count;
    }
  }
  state.counters["symbols_per_s"] =
      benchmark::Counter(static_cast<double>(symbols), benchmark::Counter::kIsRate);
  for (auto& input : inputs)
    DynArrayRelease(input.second);
}
BENCHMARK(BM_BulgarianCascadeStageKind)
    ->Arg(kTransducerStage)
    ->Arg(kBimachineStage)
    ->Arg(kUserDictionaryStage)
    ->Unit(benchmark::kMillisecond);

// The whole cascade, and the cascade with the speech marks (BuildSymbolStream), per character.
void BM_BulgarianCascade(benchmark::State& state) {
  if (!Ready(state)) return;
  for (auto _ : state) {
    for (DynArray* line : Files().lines)
      DynArrayRelease(RunCascade(*Files().grammar, Files().dictionary, line, 1));
  }
  state.counters["characters_per_s"] = benchmark::Counter(
      static_cast<double>(Files().text.size()) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BulgarianCascade)->Unit(benchmark::kMillisecond);

void BM_BulgarianSymbolStreamWithMarks(benchmark::State& state) {
  if (!Ready(state)) return;
  TextItems items(Files().text);
  items.Speak(0, static_cast<int32_t>(Files().text.size()));
  const DynArray* list = items.List();
  for (auto _ : state) {
    const SymbolStream stream = BuildSymbolStream(*Files().grammar, Files().dictionary, list, 1);
    DynArrayRelease(stream.symbols);
    DynArrayRelease(stream.marks);
  }
  state.counters["characters_per_s"] = benchmark::Counter(
      static_cast<double>(Files().text.size()) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BulgarianSymbolStreamWithMarks)->Unit(benchmark::kMillisecond);

// Units and overlap-add over the final stream (no front end, no marks).
void BM_BulgarianRender(benchmark::State& state) {
  if (!Ready(state)) return;
  TextItems items(Files().text);
  items.Speak(0, static_cast<int32_t>(Files().text.size()));
  const SymbolStream stream =
      BuildSymbolStream(*Files().grammar, Files().dictionary, items.List(), 1);
  CollectingHost host;
  host.keepAudio = false;
  const EngineSite site = host.Table();
  for (auto _ : state) {
    RenderSymbolStream(&Files().voice, stream.symbols->data, stream.symbols->count, &site);
  }
  state.counters["audio_s_per_cpu_s"] = benchmark::Counter(
      static_cast<double>(host.samples) / Files().voice.sampleRate, benchmark::Counter::kIsRate);
  DynArrayRelease(stream.symbols);
  DynArrayRelease(stream.marks);
}
BENCHMARK(BM_BulgarianRender)->Unit(benchmark::kMillisecond);

// Text to PCM with events; allocations counted over the timed calls only.
void BM_BulgarianSynthesize(benchmark::State& state) {
  if (!Ready(state)) return;
  TextItems items(Files().text);
  items.Speak(0, static_cast<int32_t>(Files().text.size()));
  const DynArray* list = items.List();
  CollectingHost host;
  host.keepAudio = false;
  const EngineSite site = host.Table();
  const int64_t before = allocations;
  for (auto _ : state)
    Synthesize(&Files().voice, Files().grammar, Files().dictionary, list, 1, &site);
  const double audioSeconds = static_cast<double>(host.samples) / Files().voice.sampleRate;
  state.counters["audio_s_per_cpu_s"] =
      benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
  state.counters["allocs_per_audio_s"] =
      static_cast<double>(allocations - before) / (audioSeconds > 0 ? audioSeconds : 1.0);
}
BENCHMARK(BM_BulgarianSynthesize)->Unit(benchmark::kMillisecond);

}  // namespace
