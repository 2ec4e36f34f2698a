// brelvox-render: renders a phoneme string with a voice file, or with a synthetic voice made on the
// spot, and writes the audio as a WAV file.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/sound/phoneme_set.h"
#include "engine/core/sound/voice_inventory.h"
#include "engine/core/symbols.h"
#include "engine/core/synthesize.h"
#include "platform/audio/audio_output.h"
#include "tools/voicefile/collecting_host.h"
#include "tools/voicefile/synthetic_voice.h"

using namespace brelvox::voicefile;

namespace {

// Phoneme characters to symbols: every phoneme followed by its stress (raised on stressed vowels),
// a space to a pause.
bool ToSymbols(const std::string& text, std::vector<int32_t>* symbols, std::string* error) {
  symbols->push_back(PauseSymbol);
  for (char c : text) {
    if (c == ' ') {
      symbols->push_back(PauseSymbol);
      continue;
    }
    const size_t k = PhonemeAlphabet.find(c);
    if (k == std::string_view::npos) {
      *error = std::string("'") + c + "' is not a phoneme character; use one of " +
               std::string(PhonemeAlphabet);
      return false;
    }
    const bool stressedVowel = std::string_view("AEIOUY").find(c) != std::string_view::npos;
    symbols->push_back(PhonemeBase + static_cast<int32_t>(k));
    symbols->push_back(StressBase + kNeutralStress + (stressedVowel ? 2 : 0));
  }
  symbols->push_back(PauseSymbol);
  symbols->push_back(PauseSymbol);
  return true;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "brelvox-render: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string voicePath, syntheticPath, wavPath, phonemes = "zdrAvejte";
  CollectingHost host;
  CLI::App app{
      "brelvox-render: renders TEXT, written in the engine's phoneme characters (upper-case vowels "
      "stressed, a space for a pause), with the voice FILE, or with a synthetic voice that is "
      "first written to FILE, and writes 16-bit mono audio to the WAV file"};
  auto* voiceOption = app.add_option("--voice", voicePath, "the voice file");
  app.add_option("--synthetic-voice", syntheticPath,
                 "write a synthetic voice to FILE and render with it")
      ->excludes(voiceOption);
  app.add_option("--wav", wavPath, "the WAV file to write")->required();
  app.add_option("--phonemes", phonemes, "the phonemes (default: zdrAvejte)");
  app.add_option("--rate", host.rate, "speaking rate, -10 to 10")->check(CLI::Range(-10, 10));
  app.add_option("--volume", host.volume, "volume, 0 to 100")->check(CLI::Range(0, 100));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  if (voicePath.empty() == syntheticPath.empty()) {
    return Fail("give one of --voice or --synthetic-voice (see --help)");
  }
  std::string error;
  if (!syntheticPath.empty()) {
    if (!WriteVoiceFile(syntheticPath, MakeSyntheticVoice({}), &error)) return Fail(error);
    voicePath = syntheticPath;
  }
  std::ifstream in(voicePath, std::ios::binary);
  if (!in) return Fail("cannot open the voice file " + voicePath + "; check the path");
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  std::vector<int32_t> aligned((bytes.size() + 3) / 4);
  if (!bytes.empty()) std::memcpy(aligned.data(), bytes.data(), bytes.size());
  VoiceInventory voice{};
  if (LoadVoice(&voice, aligned.data(), bytes.size()) != 1) {
    ReleaseVoiceBuffers(&voice);
    return Fail(voicePath + " is not a usable voice file; rebuild it with the voice tools");
  }
  std::vector<int32_t> symbols;
  if (!ToSymbols(phonemes, &symbols, &error)) {
    ReleaseVoiceBuffers(&voice);
    return Fail(error);
  }
  const EngineSite site = host.Table();
  const int32_t status =
      RenderSymbolStream(&voice, symbols.data(), static_cast<int32_t>(symbols.size()), &site);
  const int32_t sampleRate = voice.sampleRate;
  ReleaseVoiceBuffers(&voice);
  if (status != 0) return Fail("rendering failed with status " + std::to_string(status));
  const auto rate = static_cast<DWORD>(sampleRate);
  const WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, rate, 2 * rate, 2, 16, 0};
  std::unique_ptr<AudioOutput> wav = MakeWavFileOutput(wavPath);
  if (!wav->Start(format, &error) ||
      !wav->Write(host.audio.data(), host.audio.size() * sizeof(int16_t)) || !wav->Finish(&error)) {
    return Fail(error.empty() ? "cannot write " + wavPath : error);
  }
  std::printf("wrote %.2f s of audio to %s\n", static_cast<double>(host.audio.size()) / sampleRate,
              wavPath.c_str());
  return 0;
}
