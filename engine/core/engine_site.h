// The table of host callbacks through which the engine core reaches its host. Slot 0 is the host's
// context word; every callback receives it first. Sample positions and counts are output samples
// counted from the first sample of the call.
#pragma once

#include <cstdint>

struct EngineSite {
  void* context;
  int32_t (*writeAudio)(void* context, const int16_t* samples, int32_t count);
  // kind: 0 word, 1 sentence; text position and length in characters of the caller's text.
  int32_t (*postBoundary)(void* context, int32_t kind, int32_t textPosition, int32_t textLength,
                          int32_t samplePosition);
  // Phonemes are voice indices (0 to 52); feature is always 0.
  int32_t (*postPhoneme)(void* context, int32_t phoneme, int32_t duration, int32_t nextPhoneme,
                         int32_t feature, int32_t startSample);
  // Result ignored.
  int32_t (*postBookmark)(void* context, const void* bookmark, int32_t samplePosition);
  int32_t (*getActions)(void* context);
  // Result ignored.
  int32_t (*clearAction)(void* context, int32_t action);
  int32_t (*getSkip)(void* context, int32_t* reserved, int32_t* sentenceCount);
  int32_t (*completeSkip)(void* context, int32_t skipped);
  int32_t (*getRate)(void* context, int32_t* rate);
  int32_t (*getVolume)(void* context, int32_t* volume);
};

inline constexpr int32_t ActionAbort = 1;
inline constexpr int32_t ActionSkip = 2;
inline constexpr int32_t ActionRate = 4;
inline constexpr int32_t ActionVolume = 8;

enum BoundaryKind : int32_t { kWordBoundary = 0, kSentenceBoundary = 1 };
