// Rendering of the final symbol stream, one symbol at a time: phonemes (each followed by its stress
// symbol) select the diphone unit of the pair (previous phoneme, this phoneme), which is rendered
// period by period with a pitch period that glides linearly from the previous phoneme's pitch to
// this one's; pauses render the pause phoneme; tones write a short sine tone.
#pragma once

#include <cstdint>

#include "engine/core/sound/synthesis_state.h"
#include "engine/core/sound/voice_inventory.h"

// The prosody of one unit, in samples.
struct UnitProsody {
  double targetDuration;  // Dd: unit duration x rate factor
  int32_t duration;       // D = truncate(Dd)
  double startPeriod;     // T0, at the middle of the left phoneme
  double endPeriod;       // T1, at the middle of the right phoneme
  double periodCount;     // n = 2 Dd / (T0 + T1)
  double increment;       // (T1 - T0) / (n - 1); 0 when n is exactly 1
};

UnitProsody ComputeUnitProsody(const VoiceInventory& voice, const DiphoneUnit& unit,
                               double previousStress, double stress, double pitchFactor,
                               double rateFactor);

// Handles the symbol at state->symbolIndex of `symbols` (count symbols), advancing the index past
// any symbols it consumes. False when the call must end (abort or a failing callback).
bool HandleSymbol(SynthesisState* state, const int32_t* symbols, int32_t count);

// Writes the tone `tone` (0 to 3: 440 x 2^tone Hz, 0.2 s) into the mix buffer just before the fill
// level and moves the positions back so that the speech after it is mixed on top of it.
void RenderTone(SynthesisState* state, int32_t tone);
