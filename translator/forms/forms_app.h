// The forms runtime: the loaded windows, their timers on an injectable clock, and the end of the
// program when no window is loaded any more.
//
// Everything runs on one thread. Ticks are delivered one at a time, earliest due first (timers due
// together tick in the order they were started); a tick never runs inside another handler, and a
// window unloaded by a handler gets no further ticks. Unloaded window objects are kept until no
// handler can still be running on them, then freed.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "translator/forms/clock.h"
#include "translator/forms/window.h"

namespace brelvox::translator::forms {

// The screen's size in twips.
struct Screen {
  int width = 0;
  int height = 0;
};

// What a display binding needs to hear about to keep its widgets in step.
class FormsObserver {
 public:
  virtual ~FormsObserver() = default;
  virtual void WindowLoaded(Window&) {}
  virtual void WindowUnloaded(Window&) {}
  virtual void WindowChanged(Window&) {}  // shown, hidden, moved, resized, caption
  virtual void ControlChanged(Window&, Control&) {}
  virtual void FocusGiven(Window&, Control&) {}
  virtual void ProgramEnded() {}
};

// Builds a window's controls and returns its behaviour, which wires the handlers.
using FormFactory = std::function<std::unique_ptr<FormBehaviour>(Window&)>;

class FormsApp {
 public:
  FormsApp(const Clock& clock, Screen screen);
  ~FormsApp();
  FormsApp(const FormsApp&) = delete;
  FormsApp& operator=(const FormsApp&) = delete;

  void RegisterForm(WindowSpec spec, FormFactory factory);

  // Creates the window with its controls in their start state and runs its load handler. A window
  // that is already loaded is returned as it is.
  Window& Load(std::string_view name);
  // Destroys the window, its controls and its timers. Nothing when it is not loaded.
  void Unload(std::string_view name);
  Window* Find(std::string_view name) const;

  bool running() const { return !windows_.empty(); }
  bool ended() const { return ended_; }

  // Delivers every tick due at the clock's present time, then frees unloaded windows. Called
  // while a handler runs it does nothing: the ticks wait for the handler to return.
  void RunDueTimers();
  // When the next tick falls due, if any timer is running.
  std::optional<Millis> NextDue() const;
  // Frees windows unloaded earlier, unless a handler is running.
  void ReleaseUnloaded();

  const Clock& clock() const { return clock_; }
  Millis Now() const { return clock_.Now(); }
  const Screen& screen() const { return screen_; }
  void SetScreen(Screen screen) { screen_ = screen; }

  void SetObserver(FormsObserver* observer) { observer_ = observer; }
  FormsObserver* observer() const { return observer_; }

  // Marks a handler as running for its lifetime. Every event entering the runtime from outside
  // (user input, browser and tray notifications, ticks) runs inside one, so that ticks never nest
  // in a handler and no window is freed under a running handler.
  class HandlerScope {
   public:
    explicit HandlerScope(FormsApp& app) : app_(app) { ++app_.handler_depth_; }
    ~HandlerScope() { --app_.handler_depth_; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

   private:
    FormsApp& app_;
  };
  bool in_handler() const { return handler_depth_ > 0; }

 private:
  friend class Timer;
  std::uint64_t NextStartOrder() { return ++start_order_; }
  Timer* NextDueTimer(Millis now) const;

  struct Form {
    WindowSpec spec;
    FormFactory factory;
  };

  const Clock& clock_;
  Screen screen_;
  std::map<std::string, Form, std::less<>> forms_;
  std::map<std::string, std::unique_ptr<Window>, std::less<>> windows_;
  std::vector<std::unique_ptr<Window>> unloaded_;
  FormsObserver* observer_ = nullptr;
  WindowHandle next_handle_ = 0x10010;
  std::uint64_t start_order_ = 0;
  int handler_depth_ = 0;
  bool ended_ = false;
};

// Moves a manual clock forward by `ms`, stopping at every due tick on the way, so that each tick
// runs at exactly its due time.
void AdvanceTime(ManualClock& clock, FormsApp& app, Millis ms);

}  // namespace brelvox::translator::forms
