#include "engine/core/sound/synthesis_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/sound/phoneme_set.h"

namespace {

bool FlushHalfBuffer(SynthesisState* state) {
  VoiceInventory& voice = *state->voice;
  const int32_t length = voice.bufferLength;
  if (state->fillLevel < 3 * length / 4) return true;
  const int32_t half = length / 2;
  ConvertToPcm(voice.mixBuffer, voice.pcmBuffer, half, state->gain);
  if (IsAborted(*state)) return false;
  const EngineSite& site = *state->site;
  state->status = site.writeAudio(site.context, voice.pcmBuffer, half);
  if (state->status != 0) return false;
  // Only indices below 2 * half move; with an odd length the last sample stays.
  std::memmove(voice.pcmBuffer, voice.pcmBuffer + half, static_cast<size_t>(half) * 2);
  std::memset(voice.pcmBuffer + half, 0, static_cast<size_t>(half) * 2);
  std::memmove(voice.mixBuffer, voice.mixBuffer + half, static_cast<size_t>(half) * 8);
  std::fill_n(voice.mixBuffer + half, half, 0.0);
  state->centre -= half;
  state->fillLevel -= half;
  return true;
}

bool TakeUpActions(SynthesisState* state) {
  const EngineSite& site = *state->site;
  const int32_t flags = site.getActions(site.context);
  if ((flags & ActionAbort) != 0) return false;
  if ((flags & ActionVolume) != 0) {
    if (IsAborted(*state)) return false;
    state->status = site.getVolume(site.context, &state->hostVolume);
    if (state->status != 0) return false;
    state->gain = GainFor(state->hostVolume);
    site.clearAction(site.context, ActionVolume);
  }
  if ((flags & ActionRate) != 0) {
    if (IsAborted(*state)) return false;
    state->status = site.getRate(site.context, &state->hostRate);
    if (state->status != 0) return false;
    state->rateFactor = RateFactorFor(state->hostRate, state->itemRateAdjust);
    site.clearAction(site.context, ActionRate);
  }
  return true;
}

}  // namespace

void InitSynthesisState(SynthesisState* state, VoiceInventory* voice, const EngineSite* site) {
  *state = SynthesisState{};
  state->voice = voice;
  state->site = site;
  state->hostVolume = 100;
  state->pitchFactor = 1.0;
  state->rateFactor = 1.0;
  state->gain = 1.0;
  state->previousPhoneme = kPausePhoneme;
  state->previousStress = 1.0;
  state->previousFrame = PreviousFrame{nullptr, 0, 0, 0, 0.0, 0.0};
  state->leadIn = LeadInSamples(*voice);
  state->centre = state->unitClock = state->streamPosition = state->fillLevel =
      state->phonemeStart = state->leadIn;
}

bool IsAborted(const SynthesisState& state) {
  return (state.site->getActions(state.site->context) & ActionAbort) != 0;
}

double RateFactorFor(int32_t hostRate, int32_t rateAdjust) {
  const int64_t rate = std::clamp<int64_t>(int64_t{hostRate} + rateAdjust, -10, 10);
  return std::pow(2.0, static_cast<double>(-rate) * 0.1);
}

double GainFor(int32_t hostVolume) {
  return std::clamp(hostVolume, 0, 100) * 0.01;
}

bool StartSynthesis(SynthesisState* state) {
  const EngineSite& site = *state->site;
  if (IsAborted(*state)) return false;
  state->status = site.getVolume(site.context, &state->hostVolume);
  if (state->status != 0) return false;
  if (IsAborted(*state)) return false;
  state->status = site.getRate(site.context, &state->hostRate);
  if (state->status != 0) return false;

  state->pitchFactor = PitchTable[kNeutralPitchIndex];
  state->rateFactor = RateFactorFor(state->hostRate, 0);
  state->gain = GainFor(state->hostVolume);

  VoiceInventory& voice = *state->voice;
  std::memset(voice.pcmBuffer, 0, static_cast<size_t>(voice.sampleBytes) * voice.bufferLength);
  std::fill_n(voice.frameBuffer, 2 * voice.maxHalfFrame, 0.0);
  std::fill_n(voice.deltaBuffer, 2 * voice.maxHalfFrame, 0.0);
  std::fill_n(voice.mixBuffer, voice.bufferLength, 0.0);

  state->previousPhoneme = kPausePhoneme;
  state->previousStress = 1.0;
  state->centre = state->unitClock = state->streamPosition = state->fillLevel =
      state->phonemeStart = state->leadIn;
  state->markIndex = 0;
  return true;
}

bool RunPeriodHooks(SynthesisState* state) {
  return FlushHalfBuffer(state) && TakeUpActions(state);
}

void WriteFinalBlock(SynthesisState* state) {
  VoiceInventory& voice = *state->voice;
  const int32_t count = std::clamp(state->fillLevel, 0, voice.bufferLength);
  ConvertToPcm(voice.mixBuffer, voice.pcmBuffer, count, state->gain);
  if (IsAborted(*state)) return;
  const EngineSite& site = *state->site;
  state->status = site.writeAudio(site.context, voice.pcmBuffer, count);
}
