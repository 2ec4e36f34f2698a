// The simplest engine host: collects the audio, answers a fixed rate and volume, never aborts or
// skips, and ignores events. For tools that render to a file and for benchmarks.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/engine_site.h"

struct CollectingHost {
  std::vector<int16_t> audio;
  bool keepAudio = true;  // false: only count the samples
  int64_t samples = 0;
  int32_t rate = 0;
  int32_t volume = 100;

  EngineSite Table();
};
