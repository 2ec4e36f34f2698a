// Pitch-synchronous overlap-add: windowing, junction smoothing, mixing and conversion to 16-bit.
//
// Every pitch period is a two-sided Hamming window cut around a pitch mark of the recorded unit,
// stretched or cut to the target period lengths on each side, and added into the voice's mix buffer
// centred on the current output centre. Where two units meet, the difference between the last
// period of the old unit and the first of the new one is spread over a few periods on both sides.
#pragma once

#include <cstdint>

#include "engine/core/sound/voice_inventory.h"

// The last frame of the previous unit, kept for junction smoothing.
struct PreviousFrame {
  const int16_t* windowStart;  // null until a unit has been rendered
  int32_t left;
  int32_t right;
  int32_t lastPeriod;  // index of the unit's last period
  double startPeriod;  // T0 of the unit
  double increment;    // period increment of the unit
};

// Windows a frame: `source` holds a samples before its pitch mark and b from it on; the frame gets
// c samples before the mark and min(b, e) from it (a short left part is padded with zeros in front,
// a long one cut). Returns the frame length c + min(b, e). All lengths must be >= 0.
int32_t WindowFrame(const WindowTable& table, const int16_t* source, double* frame, int32_t a,
                    int32_t b, int32_t c, int32_t e);
int32_t WindowFrame(const WindowTable& table, const double* source, double* frame, int32_t a,
                    int32_t b, int32_t c, int32_t e);

struct JunctionSpan {
  int32_t left;   // r = min(a, c)
  int32_t right;  // s = min(b, d)
};

// delta[i] = previous[i] - current[i] for i below r + s, both windows aligned at their pitch marks.
JunctionSpan JunctionDifference(const int16_t* previous, int32_t a, int32_t b,
                                const int16_t* current, int32_t c, int32_t d, double* delta);

// Adds weight * frame[i] to mix[position + i], dropping what falls outside [0, mixLength).
// Returns position + length.
int32_t MixFrame(double* mix, int32_t mixLength, const double* frame, int32_t length,
                 int32_t position, double weight);

// Windows a frame as WindowFrame does and adds it to mix at `position` with weight 1 in one pass,
// dropping what falls outside [0, mixLength); `frame` is scratch for halves longer than the
// window tables. Returns position + the frame length.
int32_t WindowIntoMix(const WindowTable& table, const int16_t* source, int32_t a, int32_t b,
                      int32_t c, int32_t e, double* frame, double* mix, int32_t mixLength,
                      int32_t position);

// pcm[i] = truncate(gain * mix[i]), clipped to -32767..32767.
void ConvertToPcm(const double* mix, int16_t* pcm, int32_t count, double gain);

// The length of period j of a glide that starts at T0 and grows by `increment` per period:
// truncate(T0 + j * increment), kept within 1 and a quarter of the mix buffer so that odd data can
// neither stall synthesis nor throw it far outside the buffer.
int32_t PeriodLength(const VoiceInventory& voice, double startPeriod, double increment, int32_t j);

struct PeriodWindow {
  const int16_t* start;  // first sample of the analysis window
  int32_t left;
  int32_t right;
};

// Synthesises period j of a unit around `centre` with target halves L (before) and R (after).
// With smoothing, period 0 computes the junction difference to `previous` into the voice's delta
// buffer and `junction`, corrects the previous unit's last smoothBack periods, and the first
// smoothForward periods receive their share of the same difference. Returns the new fill level
// (the end of the period's frame).
int32_t SynthesizePeriod(VoiceInventory& voice, const PreviousFrame& previous,
                         JunctionSpan& junction, int32_t j, int32_t L, int32_t R,
                         const PeriodWindow& window, bool smoothing, int32_t centre);
