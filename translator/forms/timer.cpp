#include "translator/forms/timer.h"

#include "translator/forms/forms_app.h"
#include "translator/forms/window.h"

namespace brelvox::translator::forms {

Timer::Timer(Window& owner, TimerSpec spec)
    : owner_(owner), name_(std::move(spec.name)), interval_(spec.interval_ms) {
  SetEnabled(spec.enabled);
}

void Timer::Restart() {
  if (!enabled_ || interval_ <= 0 || !owner_.loaded()) {
    due_.reset();
    return;
  }
  due_ = owner_.app().Now() + interval_;
  start_order_ = owner_.app().NextStartOrder();
}

void Timer::Stop() {
  enabled_ = false;
  due_.reset();
}

void Timer::SetInterval(int interval_ms) {
  if (interval_ms < 0) interval_ms = 0;
  interval_ = interval_ms;
  Restart();
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Restart();
}

}  // namespace brelvox::translator::forms
