#include "tests/support/test_voices.h"

#include <cstring>

#include "engine/core/sound/phoneme_set.h"
#include "engine/core/symbols.h"

using namespace brelvox::voicefile;

namespace brelvox::test {

VoiceFileContents MakeImpulseVoice(const ImpulseVoiceSpec& spec) {
  VoiceFileContents voice;
  VoiceFileHeader& h = voice.header;
  h.sampleRate = spec.sampleRate;
  h.samplingFrequency = spec.sampleRate;
  h.leadInFrequency = spec.leadInFrequency;
  h.maxHalfFrame = spec.maxHalfFrame;
  h.baseF0 = static_cast<double>(spec.sampleRate) / spec.period;
  h.smoothBack = spec.smoothBack;
  h.smoothForward = spec.smoothForward;
  // One shared stretch of samples, padded by a period on both sides, serves every pair.
  const int32_t duration = spec.periods * spec.period;
  voice.samples.assign(static_cast<size_t>(duration + 2 * spec.period), 0);
  const int32_t half = spec.period / 2;
  for (int32_t k = 0; k <= spec.periods; ++k) {
    voice.samples[static_cast<size_t>(spec.period + k * spec.period)] = spec.amplitude;
    voice.marks.push_back(PitchMark{k * spec.period - half, half, half, 0});
  }
  const DiphoneUnit unit{spec.period, duration, spec.boundary, 0, spec.periods + 1};
  voice.units.assign(kUnitTableEntries, unit);
  return voice;
}

DiphoneUnit& UnitOf(VoiceFileContents& voice, char left, char right) {
  return voice
      .units[static_cast<size_t>(VoiceIndexOf(left) * kVoicePhonemeCount + VoiceIndexOf(right))];
}

LoadedVoice::LoadedVoice(const VoiceFileContents& contents) : image(SerializeVoiceFile(contents)) {
  loaded = LoadVoice(&voice, image.data(), image.size()) == 1;
}

LoadedVoice::~LoadedVoice() {
  ReleaseVoiceBuffers(&voice);
}

std::vector<int32_t> PhonemeSymbols(const char* phonemes, int32_t stress) {
  std::vector<int32_t> symbols;
  for (const char* c = phonemes; *c != '\0'; ++c) {
    if (*c == ' ') {
      symbols.push_back(PauseSymbol);
      continue;
    }
    symbols.push_back(PhonemeBase + static_cast<int32_t>(PhonemeAlphabet.find(*c)));
    symbols.push_back(StressBase + stress);
  }
  return symbols;
}

std::vector<int32_t> NonZeroPositions(const std::vector<int16_t>& audio) {
  std::vector<int32_t> positions;
  for (size_t i = 0; i < audio.size(); ++i) {
    if (audio[i] != 0) positions.push_back(static_cast<int32_t>(i));
  }
  return positions;
}

}  // namespace brelvox::test
