#include "translator/forms/forms_app.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace brelvox::translator::forms {

FormsApp::FormsApp(const Clock& clock, Screen screen) : clock_(clock), screen_(screen) {}

FormsApp::~FormsApp() {
  // Behaviours may reach their window while they are destroyed; free them window by window.
  for (auto& [name, window] : windows_)
    window->behaviour_.reset();
  unloaded_.clear();
}

void FormsApp::RegisterForm(WindowSpec spec, FormFactory factory) {
  std::string name = spec.name;
  forms_[name] = Form{std::move(spec), std::move(factory)};
}

Window& FormsApp::Load(std::string_view name) {
  if (Window* loaded = Find(name)) return *loaded;
  auto form = forms_.find(name);
  if (form == forms_.end()) throw std::out_of_range("no form named " + std::string(name));
  HandlerScope scope(*this);
  auto window = std::make_unique<Window>(*this, form->second.spec, next_handle_);
  next_handle_ += 0x10;
  Window& created = *window;
  windows_[std::string(name)] = std::move(window);
  created.behaviour_ = form->second.factory ? form->second.factory(created) : nullptr;
  ended_ = false;
  if (observer_) observer_->WindowLoaded(created);
  if (created.behaviour_) created.behaviour_->Load();
  return created;
}

void FormsApp::Unload(std::string_view name) {
  auto it = windows_.find(name);
  if (it == windows_.end()) return;
  std::unique_ptr<Window> window = std::move(it->second);
  windows_.erase(it);
  for (auto& [timer_name, timer] : window->timers_)
    timer->Stop();
  window->visible_ = false;
  window->loaded_ = false;
  if (window->behaviour_) window->behaviour_->Unloaded();
  if (observer_) observer_->WindowUnloaded(*window);
  unloaded_.push_back(std::move(window));
  if (windows_.empty()) {
    ended_ = true;
    if (observer_) observer_->ProgramEnded();
  }
  ReleaseUnloaded();
}

Window* FormsApp::Find(std::string_view name) const {
  auto it = windows_.find(name);
  return it == windows_.end() ? nullptr : it->second.get();
}

Timer* FormsApp::NextDueTimer(Millis now) const {
  Timer* best = nullptr;
  for (const auto& [name, window] : windows_) {
    for (const auto& [timer_name, timer] : window->timers_) {
      if (!timer->due_ || *timer->due_ > now) continue;
      if (!best || *timer->due_ < *best->due_ ||
          (*timer->due_ == *best->due_ && timer->start_order_ < best->start_order_)) {
        best = timer.get();
      }
    }
  }
  return best;
}

void FormsApp::RunDueTimers() {
  if (in_handler()) return;
  const Millis now = Now();
  while (Timer* timer = NextDueTimer(now)) {
    // The next tick is scheduled before the handler runs, so that whatever the handler does to
    // its own timer (disable, enable again, a new interval) takes precedence. A late tick does
    // not pile up: missed ticks are dropped.
    Millis next = *timer->due_ + timer->interval_;
    if (next <= now) next = now + timer->interval_;
    timer->due_ = next;
    HandlerScope scope(*this);
    if (timer->on_tick) timer->on_tick();
  }
  ReleaseUnloaded();
}

std::optional<Millis> FormsApp::NextDue() const {
  std::optional<Millis> next;
  for (const auto& [name, window] : windows_) {
    for (const auto& [timer_name, timer] : window->timers_) {
      if (timer->due_ && (!next || *timer->due_ < *next)) next = timer->due_;
    }
  }
  return next;
}

void FormsApp::ReleaseUnloaded() {
  if (in_handler()) return;
  // Destroying a behaviour can unload further windows; take the list before freeing it.
  while (!unloaded_.empty()) {
    std::vector<std::unique_ptr<Window>> dead = std::move(unloaded_);
    unloaded_.clear();
    dead.clear();
  }
}

void AdvanceTime(ManualClock& clock, FormsApp& app, Millis ms) {
  const Millis target = clock.Now() + ms;
  while (!app.in_handler()) {
    std::optional<Millis> next = app.NextDue();
    if (!next || *next > target) break;
    clock.Set(std::max(*next, clock.Now()));
    app.RunDueTimers();
  }
  clock.Set(target);
  app.RunDueTimers();
}

}  // namespace brelvox::translator::forms
