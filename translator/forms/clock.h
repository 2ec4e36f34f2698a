// The clock the forms runtime schedules timers on.
//
// The program runs on a monotonic clock; tests and simulations run on a ManualClock that moves only
// when told, so every timer tick happens at an exact, known time.
#pragma once

#include <cstdint>

namespace brelvox::translator::forms {

using Millis = std::int64_t;

class Clock {
 public:
  virtual ~Clock() = default;
  virtual Millis Now() const = 0;
};

class ManualClock final : public Clock {
 public:
  Millis Now() const override { return now_; }
  void Set(Millis now) { now_ = now; }

 private:
  Millis now_ = 0;
};

}  // namespace brelvox::translator::forms
