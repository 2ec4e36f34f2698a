// A top-level window: a single instance addressed by its name, with its controls and timers.
//
// A window object lives from its load to its unload. Its behaviour (the handlers) is a
// FormBehaviour object the window owns; the runtime builds both through the form's factory.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "translator/forms/control.h"
#include "translator/forms/control_spec.h"
#include "translator/forms/geometry_setters.h"
#include "translator/forms/timer.h"

namespace brelvox::translator::forms {

class FormsApp;

using WindowHandle = std::uint32_t;

// The position that centres a window of `window_extent` twips on a screen of `screen_extent`
// twips: screen / 2 - window / 2, rounded to the nearest twip (halves to even).
int CentredPosition(int screen_extent, int window_extent);

class FormBehaviour {
 public:
  virtual ~FormBehaviour() = default;
  // The window's load handler; runs once, after every control is in its start state.
  virtual void Load() {}
  // Runs when the window is unloaded, before anything of it is freed: the place to let go of
  // outside things the window holds (its browser, its voice) at once.
  virtual void Unloaded() {}
};

class Window : public GeometrySetters<Window> {
 public:
  Window(FormsApp& app, WindowSpec spec, WindowHandle handle);
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  const std::string& name() const { return spec_.name; }
  const WindowSpec& spec() const { return spec_; }
  WindowHandle handle() const { return handle_; }
  FormsApp& app() const { return app_; }
  bool loaded() const { return loaded_; }

  const std::string& caption() const { return caption_; }
  void SetCaption(std::string caption);

  bool visible() const { return visible_; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }

  const Geometry& geometry() const { return geometry_; }
  void SetGeometry(const Geometry& geometry);  // SetLeft, SetTop, SetWidth, SetHeight come with it

  // Controls and timers by name; asking for a name the window does not have is a programming
  // error and throws std::out_of_range.
  Control& control(std::string_view name);
  Timer& timer(std::string_view name);
  bool has_control(std::string_view name) const;
  const std::map<std::string, std::unique_ptr<Control>, std::less<>>& controls() const {
    return controls_;
  }
  const std::map<std::string, std::unique_ptr<Timer>, std::less<>>& timers() const {
    return timers_;
  }

  // Controls in the order they were added: the layouts add them topmost first.
  const std::vector<Control*>& controls_in_order() const { return order_; }

  Control& AddControl(ControlSpec spec);
  Timer& AddTimer(TimerSpec spec);

  // The control holding the keyboard focus, or null.
  Control* focused() const { return focused_; }

  // Presses and releases on the window's own surface.
  std::function<void(MouseButton)> on_mouse_down;
  std::function<void(MouseButton)> on_mouse_up;
  void MouseDown(MouseButton button);
  void MouseUp(MouseButton button);

  template <class B>
  B* behaviour() const {
    return dynamic_cast<B*>(behaviour_.get());
  }

 private:
  friend class FormsApp;
  friend class Control;
  void ControlChanged(Control& control);
  bool Focus(Control& control);
  void Changed();

  FormsApp& app_;
  WindowSpec spec_;
  WindowHandle handle_;
  bool loaded_ = true;
  std::string caption_;
  bool visible_ = false;
  Geometry geometry_;
  std::map<std::string, std::unique_ptr<Control>, std::less<>> controls_;
  std::map<std::string, std::unique_ptr<Timer>, std::less<>> timers_;
  std::vector<Control*> order_;
  Control* focused_ = nullptr;
  std::unique_ptr<FormBehaviour> behaviour_;
};

}  // namespace brelvox::translator::forms
