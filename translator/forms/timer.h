// A timer of a window: raises its tick on the user-interface thread once per interval while it is
// enabled.
//
// - Enabling a timer that is already enabled leaves its running interval alone.
// - Disabling it and enabling it again starts a new full interval.
// - Setting the interval of an enabled timer starts a new full interval of the new length.
// - An interval of 0 raises no ticks.
// - Unloading the window stops the timer and drops any tick not yet delivered.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "translator/forms/clock.h"
#include "translator/forms/control_spec.h"

namespace brelvox::translator::forms {

class Window;

class Timer {
 public:
  Timer(Window& owner, TimerSpec spec);
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const std::string& name() const { return name_; }
  Window& window() const { return owner_; }

  int interval() const { return interval_; }
  void SetInterval(int interval_ms);

  bool enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  void Enable() { SetEnabled(true); }
  void Disable() { SetEnabled(false); }

  // When the next tick falls due, if one will.
  std::optional<Millis> due() const { return due_; }

  std::function<void()> on_tick;

 private:
  friend class FormsApp;
  void Restart();
  void Stop();

  Window& owner_;
  std::string name_;
  int interval_;
  bool enabled_ = false;
  std::optional<Millis> due_;
  std::uint64_t start_order_ = 0;  // ties between timers due together go to the earlier started
};

}  // namespace brelvox::translator::forms
