// An engine host for tests: records every callback and answers as the test sets it up.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/engine_site.h"

namespace brelvox::test {

struct PhonemeEvent {
  int32_t phoneme, duration, next, feature, start;
  bool operator==(const PhonemeEvent&) const = default;
};

struct BoundaryEvent {
  int32_t kind, position, length, sample;
  bool operator==(const BoundaryEvent&) const = default;
};

struct BookmarkEvent {
  const void* bookmark;
  int32_t sample;
  bool operator==(const BookmarkEvent&) const = default;
};

struct RecordingSite {
  // What the host answers.
  int32_t rate = 0;
  int32_t volume = 100;
  bool writesVolume = true;  // false: getVolume leaves the value alone
  int32_t actions = 0;       // reported by getActions; clearAction clears bits
  int32_t skipCount = 0;
  int32_t writeStatus = 0, boundaryStatus = 0, phonemeStatus = 0, skipStatus = 0,
          completeSkipStatus = 0, rateStatus = 0, volumeStatus = 0;
  // Runs after every writeAudio, e.g. to request an action once audio has gone out.
  std::function<void(RecordingSite&)> afterWrite;
  // Runs after every postBoundary, e.g. to request a skip after a given event.
  std::function<void(RecordingSite&)> afterBoundary;

  // What the engine did.
  std::vector<int16_t> audio;
  std::vector<int32_t> writes;  // sample count of every writeAudio
  std::vector<PhonemeEvent> phonemes;
  std::vector<BoundaryEvent> boundaries;
  std::vector<BookmarkEvent> bookmarks;
  std::vector<int32_t> clearedActions;
  std::vector<int32_t> completedSkips;
  std::vector<std::string> calls;  // callback names in order (getActions excluded)
  int32_t actionQueries = 0;

  EngineSite Table();
};

}  // namespace brelvox::test
