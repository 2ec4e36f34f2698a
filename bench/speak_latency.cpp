// brelvox-latency: how soon the installed default voice answers, and how fast its front end reads.
//
//   brelvox-latency [--sentence TEXT] [--repeat N] [--text FILE]
//
// Opens the default voice the way the platform does and speaks one sentence N times to nowhere,
// timing each call from Speak to the engine's first Write (the first audio block). With --text it
// also runs the voice's grammar alone (the engine's cascade, line by line, as the engine reads a
// text) over FILE and reports characters per second.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/dyn_array.h"
#include "engine/core/text/cascade.h"
#include "engine/core/text/grammar.h"
#include "engine/files/data_file.h"
#include "engine/identity/engine_identity.h"
#include "platform/com/unicode.h"
#include "platform/speech/engine_host.h"
#include "platform/speech/fragments.h"
#include "platform/speech/platform_site.h"
#include "platform/speech/voice_token.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

// One Speak of `text`: the time from the call to the first Write, in milliseconds.
double FirstBlock(ISpTTSEngine* engine, const WAVEFORMATEX& format, const std::string& text) {
  FragmentList fragments(Utf8ToUtf16(text));
  AddPlainText(&fragments);
  std::unique_ptr<AudioOutput> output = MakeNullOutput();
  std::string error;
  output->Start(format, &error);
  Clock::time_point first{};
  bool written = false;
  SiteObserver observer;
  observer.onWrite = [&](const void*, ULONG, ULONG) {
    if (!written) first = Clock::now();
    written = true;
  };
  PlatformSite site(SiteSettings{}, output.get(), observer);
  const Clock::time_point start = Clock::now();
  engine->Speak(0, SPDFID_WaveFormatEx, &format, fragments.First(), &site);
  output->Finish(&error);
  return written ? Milliseconds(first - start) : -1.0;
}

// The grammar alone over a text file, line by line; characters per second.
int CascadeSpeed(const std::string& grammarPath, const std::string& textPath) {
  std::ifstream in(textPath);
  if (!in) {
    std::fprintf(stderr, "brelvox-latency: cannot read %s; check the path.\n", textPath.c_str());
    return 1;
  }
  MappedGrammar grammarFile;
  std::string error;
  if (!grammarFile.Load(grammarPath, &error)) {
    std::fprintf(stderr, "brelvox-latency: %s\n", error.c_str());
    return 1;
  }
  const Grammar* grammar = grammarFile.get();
  std::vector<DynArray*> lines;
  int64_t characters = 0;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    const std::u16string units = Utf8ToUtf16(line);
    DynArray* stream = DynArrayCreate(1, static_cast<int32_t>(units.size()), kDefaultGrowth);
    for (char16_t c : units) {
      const int32_t s = c;
      DynArrayAppend(stream, &s);
    }
    characters += static_cast<int64_t>(units.size());
    lines.push_back(stream);
  }
  const Clock::time_point start = Clock::now();
  for (DynArray* stream : lines)
    DynArrayRelease(RunCascade(*grammar, nullptr, stream, 1));
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  for (DynArray* stream : lines)
    DynArrayRelease(stream);
  std::printf("cascade: %lld characters in %.3f s, %.0f characters per second\n",
              static_cast<long long>(characters), seconds,
              seconds > 0 ? static_cast<double>(characters) / seconds : 0.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string sentence = "Добър ден! Как сте? Днес е 10 декември 2026 г.";
  std::string textPath;
  int repeat = 20;
  CLI::App app{
      "brelvox-latency: times the default voice from Speak to its first audio block, and with "
      "--text the voice's grammar alone over FILE in characters per second"};
  app.add_option("--sentence", sentence, "the sentence to speak");
  app.add_option("--repeat", repeat, "how many warm Speaks to time")->check(CLI::PositiveNumber);
  app.add_option("--text", textPath, "a text for the grammar alone");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  VoiceToken* token = VoiceToken::FromRegistry(DefaultVoiceToken());
  if (token == nullptr) {
    std::fprintf(stderr, "brelvox-latency: no voice is installed; run scripts/setup.\n");
    return 1;
  }
  const std::string grammarPath = token->Value(kGrammarDataValue);
  EngineHandle engine;
  std::string error;
  const HRESULT opened = OpenEngine(token, &engine, &error);
  token->Release();
  if (FAILED(opened) || FAILED(engine.formatResult)) {
    std::fprintf(stderr, "brelvox-latency: %s\n", error.c_str());
    return 1;
  }
  const double cold = FirstBlock(engine.engine, engine.format, sentence);
  std::vector<double> warm;
  for (int i = 0; i < repeat; ++i)
    warm.push_back(FirstBlock(engine.engine, engine.format, sentence));
  CloseEngine(&engine);
  std::printf("first audio block: %.2f ms on the first Speak, median %.2f ms (max %.2f) over %d\n",
              cold, Median(warm), *std::max_element(warm.begin(), warm.end()), repeat);
  return textPath.empty() ? 0 : CascadeSpeed(grammarPath, textPath);
}
