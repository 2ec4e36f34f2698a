#include "translator/forms/window.h"

#include <cmath>
#include <utility>

#include "translator/forms/forms_app.h"

namespace brelvox::translator::forms {

int CentredPosition(int screen_extent, int window_extent) {
  return static_cast<int>(std::nearbyint(screen_extent / 2.0 - window_extent / 2.0));
}

Window::Window(FormsApp& app, WindowSpec spec, WindowHandle handle)
    : app_(app),
      spec_(std::move(spec)),
      handle_(handle),
      caption_(spec_.caption),
      geometry_{0, 0, spec_.client_width, spec_.client_height} {
  if (spec_.centred_on_screen) {
    geometry_.left = CentredPosition(app_.screen().width, geometry_.width);
    geometry_.top = CentredPosition(app_.screen().height, geometry_.height);
  }
}

void Window::Changed() {
  if (loaded_ && app_.observer()) app_.observer()->WindowChanged(*this);
}

void Window::ControlChanged(Control& control) {
  if (loaded_ && app_.observer()) app_.observer()->ControlChanged(*this, control);
}

void Window::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Changed();
}

void Window::SetVisible(bool visible) {
  if (!loaded_ || visible_ == visible) return;
  visible_ = visible;
  Changed();
}

void Window::SetGeometry(const Geometry& geometry) {
  if (geometry_ == geometry) return;
  geometry_ = geometry;
  Changed();
}

Control& Window::control(std::string_view name) {
  auto it = controls_.find(name);
  if (it == controls_.end()) {
    throw std::out_of_range(spec_.name + " has no control " + std::string(name));
  }
  return *it->second;
}

Timer& Window::timer(std::string_view name) {
  auto it = timers_.find(name);
  if (it == timers_.end()) {
    throw std::out_of_range(spec_.name + " has no timer " + std::string(name));
  }
  return *it->second;
}

bool Window::has_control(std::string_view name) const {
  return controls_.contains(name) || timers_.contains(name);
}

Control& Window::AddControl(ControlSpec spec) {
  std::string name = spec.name;
  if (has_control(name)) throw std::logic_error(spec_.name + " already has " + name);
  auto control = std::make_unique<Control>(*this, std::move(spec));
  Control& added = *control;
  controls_[name] = std::move(control);
  order_.push_back(&added);
  return added;
}

Timer& Window::AddTimer(TimerSpec spec) {
  std::string name = spec.name;
  if (has_control(name)) throw std::logic_error(spec_.name + " already has " + name);
  auto timer = std::make_unique<Timer>(*this, std::move(spec));
  Timer& added = *timer;
  timers_[name] = std::move(timer);
  return added;
}

bool Window::Focus(Control& control) {
  if (!loaded_ || !visible_ || !control.visible()) return false;
  if (control.kind() == ControlKind::kLabel || control.kind() == ControlKind::kImage ||
      control.kind() == ControlKind::kLine) {
    return false;
  }
  focused_ = &control;
  if (app_.observer()) app_.observer()->FocusGiven(*this, control);
  return true;
}

void Window::MouseDown(MouseButton button) {
  FormsApp::HandlerScope scope(app_);
  if (on_mouse_down) on_mouse_down(button);
}

void Window::MouseUp(MouseButton button) {
  FormsApp::HandlerScope scope(app_);
  if (on_mouse_up) on_mouse_up(button);
}

}  // namespace brelvox::translator::forms
