// The voice: a diphone inventory read from a voice file image, and the working buffers that
// synthesis reuses on every call.
//
// File layout (little-endian): an 80-byte header, the unit table (DiphoneUnit records, 53 x 53 in a
// full voice, the unit of the pair (left, right) at left * 53 + right), the pitch marks and the
// 16-bit samples. The inventory points into the image, which must stay mapped while it is used.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/sound/window_table.h"

struct DiphoneUnit {
  int32_t start;      // index of the unit's first sample in the sample section
  int32_t duration;   // samples; 0 means the pair has no unit
  int32_t boundary;   // offset from the first sample at which the left phoneme ends
  int32_t firstMark;  // index of the unit's first pitch mark
  int32_t markCount;
};

// Offsets relative to the unit's first sample.
struct PitchMark {
  int32_t start;  // first sample of the period's analysis window
  int32_t left;   // samples from start to the pitch mark
  int32_t right;  // samples after the mark that belong to the window
  int32_t unused;
};

inline constexpr int32_t kVoiceHeaderBytes = 80;
inline constexpr int32_t kUnitTableEntries = 53 * 53;

struct VoiceInventory {
  int32_t sampleRate;
  double samplingFrequency;
  double leadInFrequency;
  int32_t sampleBytes;
  int32_t maxHalfFrame;
  double headerReal;   // carried from offset 32, not used
  int32_t headerWord;  // carried from offset 40, not used
  double baseF0;
  int32_t smoothBack;
  int32_t smoothForward;
  const DiphoneUnit* units;
  int32_t unitCount;  // records present; a pair beyond them has no unit
  const PitchMark* marks;
  int32_t markCount;
  const int16_t* samples;
  int32_t sampleCount;
  int32_t bufferLength;  // sampleRate: one second
  int16_t* pcmBuffer;    // bufferLength samples
  double* frameBuffer;   // 2 * maxHalfFrame
  double* deltaBuffer;   // 2 * maxHalfFrame
  double* mixBuffer;     // bufferLength
  WindowTable windows;   // Hamming halves up to maxHalfFrame
};

// Binds `inventory` to the voice file `image` of `size` bytes and allocates the working buffers.
// Returns 1 on success, 0 when the file is malformed (the inventory is then untouched) or an
// allocation fails (buffers already allocated stay for ReleaseVoiceBuffers). The image must be
// aligned to 4 bytes, as a mapped file is.
int32_t LoadVoice(VoiceInventory* inventory, const void* image, size_t size);

// Frees every working buffer that is present and clears its reference.
void ReleaseVoiceBuffers(VoiceInventory* inventory);

// The lead-in of every call, in samples: truncate((1 / leadInFrequency) * samplingFrequency).
int32_t LeadInSamples(const VoiceInventory& voice);

// The mark whose centre (start + left) is closest to source time t, the earlier one on equal
// distance; a later mark wins over the first only when it is closer than 20000 samples. Null when
// t lies beyond the last mark's window (or there are no marks).
const PitchMark* FindNearestPitchMark(int32_t t, const PitchMark* marks, int32_t count);
