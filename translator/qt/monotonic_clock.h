// The forms runtime's clock in the program: milliseconds of the monotonic clock.
#pragma once

#include <chrono>

#include "translator/forms/clock.h"

namespace brelvox::translator::qt {

class MonotonicClock final : public forms::Clock {
 public:
  forms::Millis Now() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
};

}  // namespace brelvox::translator::qt
