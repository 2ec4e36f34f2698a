#include "engine/core/sound/unit_renderer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/core/sound/phoneme_set.h"
#include "engine/core/sound/portable_trig.h"
#include "engine/core/symbols.h"

namespace {

constexpr double kToneBaseHz = 440.0;
constexpr double kToneSeconds = 0.2;
constexpr double kToneLeadSeconds = 0.009;
constexpr double kToneStepBackSeconds = 0.209;
constexpr double kToneAmplitude = 15000.0;

// Longest unit clock a unit may reach; keeps the sample arithmetic inside 32 bits.
constexpr double kLongestUnit = 1 << 30;

// The source time of a unit-clock value: the output time read back at the original speed.
int32_t SourceTime(int32_t unitClock, double rateFactor) {
  return static_cast<int32_t>(std::min(unitClock * (1.0 / rateFactor), kLongestUnit));
}

bool RenderUnit(SynthesisState* s, const DiphoneUnit& unit, char phoneme, double stress) {
  VoiceInventory& voice = *s->voice;
  const EngineSite& site = *s->site;
  const UnitProsody prosody =
      ComputeUnitProsody(voice, unit, s->previousStress, stress, s->pitchFactor, s->rateFactor);
  const PitchMark* marks = voice.marks + unit.firstMark;
  const int16_t* unitSamples = voice.samples + unit.start;
  const bool smoothing = !IsNoSmooth(s->previousPhoneme);
  const int32_t leftIndex = VoiceIndexOf(s->previousPhoneme);
  const int32_t rightIndex = VoiceIndexOf(phoneme);
  // While the source time lies beyond every window of the unit, its last mark serves.
  const PitchMark* mark = &marks[unit.markCount - 1];
  bool phonemePosted = false;
  int32_t j = 0;
  while (s->unitClock < prosody.duration) {
    if (IsAborted(*s)) return false;
    const int32_t t = SourceTime(s->unitClock, s->rateFactor);
    if (const PitchMark* found = FindNearestPitchMark(t, marks, unit.markCount)) mark = found;
    const int32_t left = PeriodLength(voice, prosody.startPeriod, prosody.increment, j - 1);
    const int32_t right = PeriodLength(voice, prosody.startPeriod, prosody.increment, j);
    const PeriodWindow window{unitSamples + mark->start, mark->left, mark->right};
    s->fillLevel = SynthesizePeriod(voice, s->previousFrame, s->junction, j, left, right, window,
                                    smoothing, s->centre);
    s->centre += right;
    s->unitClock += right;
    s->streamPosition += right;
    ++j;
    if (IsAborted(*s)) return false;
    if (!phonemePosted && SourceTime(s->unitClock, s->rateFactor) >= unit.boundary) {
      phonemePosted = true;
      if (IsAborted(*s)) return false;
      s->status = site.postPhoneme(site.context, leftIndex, s->streamPosition - s->phonemeStart,
                                   rightIndex, 0, s->phonemeStart);
      if (s->status != 0) return false;
      s->phonemeStart = s->streamPosition;
    }
    if (!RunPeriodHooks(s)) return false;
  }
  s->unitClock -= prosody.duration;
  // A unit too short to render a period leaves the last frame actually rendered in place.
  if (j > 0) {
    s->previousFrame =
        PreviousFrame{unitSamples + mark->start, mark->left,       mark->right, j - 1,
                      prosody.startPeriod,       prosody.increment};
  }
  s->previousPhoneme = phoneme;
  s->previousStress = stress;
  return true;
}

}  // namespace

UnitProsody ComputeUnitProsody(const VoiceInventory& voice, const DiphoneUnit& unit,
                               double previousStress, double stress, double pitchFactor,
                               double rateFactor) {
  UnitProsody p{};
  const double fs = voice.samplingFrequency;
  p.targetDuration = unit.duration * rateFactor;
  p.duration = static_cast<int32_t>(std::min(p.targetDuration, kLongestUnit));
  p.startPeriod = fs / (previousStress * voice.baseF0 * pitchFactor);
  p.endPeriod = fs / (stress * voice.baseF0 * pitchFactor);
  p.periodCount = 2.0 * p.targetDuration / (p.startPeriod + p.endPeriod);
  // With a single period there is no glide to spread over the unit.
  p.increment = p.periodCount == 1.0 ? 0.0 : (p.endPeriod - p.startPeriod) / (p.periodCount - 1.0);
  return p;
}

bool HandleSymbol(SynthesisState* state, const int32_t* symbols, int32_t count) {
  int32_t& i = state->symbolIndex;
  const int32_t symbol = symbols[i];
#ifdef BRELVOX_TEST_FAULT_SYMBOL
  // An access to the never-mapped first page: a real fault, not one the sanitizers intercept.
  if (symbol == BRELVOX_TEST_FAULT_SYMBOL) {
    static volatile uintptr_t neverMapped = 16;
    *reinterpret_cast<volatile int32_t*>(neverMapped) = symbol;
  }
#endif
  char phoneme = kPausePhoneme;
  double stress = 1.0;
  if (IsToneSymbol(symbol)) {
    RenderTone(state, symbol - ToneBase);
    i += 2;  // the two symbols after a tone are passed over
    return true;
  }
  if (IsPhonemeSymbol(symbol)) {
    if (i + 1 >= count) return true;  // a phoneme without its stress symbol
    ++i;
    if (!IsStressSymbol(symbols[i])) return true;
    phoneme = PhonemeAlphabet[static_cast<size_t>(symbol - PhonemeBase)];
    stress = PitchTable[static_cast<size_t>(symbols[i] - StressBase)];
  } else if (symbol != PauseSymbol || i == 0) {
    return true;  // characters, markers and a leading pause are silent
  }

  const VoiceInventory& voice = *state->voice;
  const int32_t left = VoiceIndexOf(state->previousPhoneme);
  const int32_t right = VoiceIndexOf(phoneme);
  if (left < 0 || right < 0) return true;
  const int32_t record = left * kVoicePhonemeCount + right;
  if (record >= voice.unitCount || voice.units[record].duration == 0) {
    // No unit for the pair: the phoneme still becomes the left side of the next unit.
    state->previousPhoneme = phoneme;
    return true;
  }
  return RenderUnit(state, voice.units[record], phoneme, stress);
}

void RenderTone(SynthesisState* state, int32_t tone) {
  VoiceInventory& voice = *state->voice;
  const double fs = voice.samplingFrequency;
  const double frequency = std::ldexp(kToneBaseHz, tone);
  const auto length = static_cast<int32_t>(fs * kToneSeconds);
  const auto lead = static_cast<int32_t>(fs * kToneLeadSeconds);
  const auto stepBack = static_cast<int32_t>(fs * kToneStepBackSeconds);
  // A tone that would begin before the start of the mix buffer begins at its start instead.
  const int32_t start = std::max(state->fillLevel - lead, 0);
  const int32_t end = std::min(length, voice.bufferLength - start);
  for (int32_t p = 0; p < end; ++p) {
    voice.mixBuffer[start + p] = PortableSin(p * 2.0 * std::numbers::pi * frequency / fs) *
                                 (1.0 - PortableCos(p * 2.0 * std::numbers::pi / length)) * 0.5 *
                                 kToneAmplitude;
  }
  // The speech after the tone is mixed on top of it: the positions move back by the step back.
  const int32_t fill = std::max(0, start + lead + length - stepBack);
  const int32_t shift = fill - state->fillLevel;
  state->fillLevel += shift;
  state->centre += shift;
  state->streamPosition += shift;
}
