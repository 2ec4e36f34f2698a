// Small voices built in memory for tests.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/sound/voice_inventory.h"
#include "tools/voicefile/voice_file_writer.h"

namespace brelvox::test {

// Every pair has the same unit: `periods` pitch periods of `period` samples, a single impulse of
// `amplitude` at each pitch mark and silence elsewhere, windows of half a period on each side.
// Rendered at neutral stress and pitch, the output is one impulse per output period, at its centre.
struct ImpulseVoiceSpec {
  int32_t sampleRate = 16000;
  int32_t period = 100;
  int32_t periods = 10;
  int32_t boundary = 500;  // where the left phoneme ends
  int16_t amplitude = 10000;
  int32_t maxHalfFrame = 400;
  double leadInFrequency = 50.0;  // 320 samples at 16 kHz
  int32_t smoothBack = 2;
  int32_t smoothForward = 2;
};

voicefile::VoiceFileContents MakeImpulseVoice(const ImpulseVoiceSpec& spec);

// The unit record of a pair of phoneme characters.
DiphoneUnit& UnitOf(voicefile::VoiceFileContents& voice, char left, char right);

// A voice file image loaded into an inventory; released with the holder.
struct LoadedVoice {
  explicit LoadedVoice(const voicefile::VoiceFileContents& contents);
  ~LoadedVoice();
  LoadedVoice(const LoadedVoice&) = delete;
  LoadedVoice& operator=(const LoadedVoice&) = delete;

  std::vector<uint8_t> image;
  VoiceInventory voice{};
  bool loaded = false;
};

// Symbols for a phoneme string: each phoneme followed by the stress symbol StressBase + stress;
// a space becomes a pause.
std::vector<int32_t> PhonemeSymbols(const char* phonemes, int32_t stress = 5);

// Sample indices of the non-zero samples of `audio`.
std::vector<int32_t> NonZeroPositions(const std::vector<int16_t>& audio);

}  // namespace brelvox::test
