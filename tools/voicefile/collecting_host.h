// The simplest engine host: collects the audio and the phoneme events, answers a fixed rate and
// volume, never aborts or skips, and ignores the other events. For tools that render to a file and
// for benchmarks.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/engine_site.h"

namespace brelvox::voicefile {

// A phoneme event: the voice index of the phoneme, where it starts and how long it lasts.
struct PhonemeSpan {
  int32_t phoneme;
  int32_t start;
  int32_t duration;
};

struct CollectingHost {
  std::vector<int16_t> audio;
  std::vector<PhonemeSpan> phonemes;
  bool keepAudio = true;  // false: only count the samples
  int64_t samples = 0;
  int32_t rate = 0;
  int32_t volume = 100;

  EngineSite Table();
};

}  // namespace brelvox::voicefile
