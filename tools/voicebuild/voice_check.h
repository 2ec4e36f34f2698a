// Objective checks of a built voice: renders phoneme text with the engine and measures clipping,
// the pitch period around phoneme middles and the discontinuity at unit joins.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/core/sound/voice_inventory.h"

namespace brelvox::voicebuild {

struct RenderedSpeech {
  std::vector<int16_t> audio;
  std::vector<int32_t> phonemeMiddles;  // output sample of each reported phoneme's middle
  std::vector<char> phonemes;           // the phoneme of each middle
  // The pitch the stream asks for at each middle, as a factor of the base pitch (stress factor
  // x pitch factor); 0 where the event could not be matched to one phoneme of the stream.
  std::vector<double> factors;
};

// Renders phoneme characters (upper-case vowels stressed, a space for a pause), every phoneme at
// stress level `stress` (5 is neutral). False when the engine reports a failure.
bool RenderPhonemes(VoiceInventory* voice, const std::string& phonemes, int32_t stress,
                    RenderedSpeech* speech);

struct VoiceCheck {
  double seconds = 0.0;
  int64_t clipped = 0;  // samples at full scale
  int32_t peak = 0;
  double speechRmsDb = -100.0;  // RMS of the 20 ms frames within 40 dB of the loudest, dBFS
  // Middles of voiced phonemes whose neighbours ask for the same pitch: the period there must be
  // the engine's whole-sample period truncate(fs / (baseF0 x factor)) within one sample.
  int32_t periodsMeasured = 0;
  int32_t periodsOff = 0;   // middles whose period differs from the expected one by more than 1
  std::string offPhonemes;  // their phonemes, each with the period measured and expected
  std::map<int32_t, int32_t> levelPeriods;  // expected period -> level middles measured
  // Middles between neighbours that ask for other pitches (the period glides through the middle):
  // the period must lie between the shortest and the longest target of the phonemes up to two
  // away (the measuring window reaches that far in short phonemes), within one sample and one step
  // of the glide (a unit's last period may overshoot its target by a step, its period count not
  // being whole); `glidingExact` of them are also within one sample of their own target.
  int32_t glidingMeasured = 0;
  int32_t glidingOff = 0;
  std::string glidingOffPhonemes;  // measured/shortest-longest of each
  int32_t glidingExact = 0;
  double joinJump = 0.0;    // mean over joins of rms(period after - period before) / rms(signal)
  double steadyJump = 0.0;  // the same between two periods a quarter of a phoneme away from a join
};

// Measures rendered speech from `voice` against the pitch factors of its middles.
VoiceCheck CheckSpeech(const VoiceInventory& voice, const RenderedSpeech& speech);

// The lag in [lowest, highest] of the strongest normalised autocorrelation of `audio` around
// `centre`, over a window reaching `reach` times the longest lag to either side: the period there.
int32_t BestLag(const std::vector<int16_t>& audio, int64_t centre, int32_t lowest, int32_t highest,
                int32_t reach);

// A pseudo-random phoneme text of `words` words of Bulgarian shape (consonant and vowel syllables,
// one stressed vowel a word, palatalised consonants before vowels, voicing assimilated as
// Bulgarian does), the same for the same seed.
std::string RandomPhonemeText(int32_t words, uint32_t seed);

}  // namespace brelvox::voicebuild
