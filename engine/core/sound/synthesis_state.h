// The state of one synthesis call, the abort test and the hooks run after every pitch period.
#pragma once

#include <cstdint>

#include "engine/core/engine_site.h"
#include "engine/core/sound/overlap_add.h"
#include "engine/core/sound/voice_inventory.h"

struct SynthesisState {
  VoiceInventory* voice;
  const EngineSite* site;
  int32_t status;           // returned at the end of the call
  int32_t hostRate;         // last value from getRate
  int32_t hostVolume;       // last value from getVolume
  int32_t itemPitchAdjust;  // of the last applied Speak or SpellOut item
  int32_t itemRateAdjust;
  int32_t itemVolume;
  double pitchFactor;
  double rateFactor;      // duration multiplier 2^(-rate / 10)
  double gain;            // host volume / 100
  char previousPhoneme;   // left phoneme of the next unit
  double previousStress;  // stress factor of the previous phoneme
  PreviousFrame previousFrame;
  JunctionSpan junction;  // extent of the junction difference in the voice's delta buffer
  int32_t leadIn;
  int32_t centre;          // mix-buffer index of the next period's centre
  int32_t unitClock;       // target time inside the current unit
  int32_t streamPosition;  // output sample position of the centre; what events report
  int32_t fillLevel;       // mix-buffer index one past the last mixed frame
  int32_t phonemeStart;    // stream position where the last phoneme event ended
  int32_t symbolIndex;
  int32_t markIndex;
};

// Sets every field to its start value for a call on `voice` with `site`.
void InitSynthesisState(SynthesisState* state, VoiceInventory* voice, const EngineSite* site);

// Asks the host for its actions; true when it wants the call to stop.
bool IsAborted(const SynthesisState& state);

// Rate factor 2^(-rate / 10) for the host rate plus an item's adjust, the sum clamped to -10..10.
double RateFactorFor(int32_t hostRate, int32_t rateAdjust);

// Gain for a host volume, clamped to 0..100.
double GainFor(int32_t hostVolume);

// Reads the host volume and rate, derives gain and rate factor, clears the working buffers and
// places every position at the lead-in. False when the call must end (status says why).
bool StartSynthesis(SynthesisState* state);

// After every pitch period: hands half a buffer to the host once the mix is three quarters full,
// then takes up abort, volume and rate changes. False when the call must end.
bool RunPeriodHooks(SynthesisState* state);

// At the end of the stream: converts what is mixed and, unless aborted, writes it.
void WriteFinalBlock(SynthesisState* state);
