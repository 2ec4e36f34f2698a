#include "translator/forms/control.h"

#include <utility>

#include "translator/forms/forms_app.h"
#include "translator/forms/window.h"

namespace brelvox::translator::forms {

Control::Control(Window& owner, ControlSpec spec)
    : owner_(owner),
      spec_(std::move(spec)),
      visible_(spec_.visible),
      geometry_(spec_.geometry),
      text_(spec_.text),
      value_(spec_.value) {}

void Control::Changed() {
  owner_.ControlChanged(*this);
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Changed();
}

void Control::SetGeometry(const Geometry& geometry) {
  if (geometry_ == geometry) return;
  geometry_ = geometry;
  Changed();
}

void Control::SetText(std::string text) {
  if (text_ == text) return;
  text_ = std::move(text);
  Changed();
  if (kind() != ControlKind::kTextBox || !on_change || in_change_handler_) return;
  FormsApp::HandlerScope scope(owner_.app());
  in_change_handler_ = true;
  on_change();
  in_change_handler_ = false;
}

void Control::SetValue(int value) {
  if (value_ == value) return;
  value_ = value;
  Changed();
  FormsApp::HandlerScope scope(owner_.app());
  if (kind() == ControlKind::kCheckBox && on_click) on_click();
  if (kind() == ControlKind::kScrollBar && on_change) on_change();
}

bool Control::SetFocus() {
  return owner_.Focus(*this);
}

bool Control::focused() const {
  return owner_.focused() == this;
}

void Control::Click() {
  if (kind() == ControlKind::kCheckBox) {
    SetValue(value_ == 1 ? 0 : 1);
    return;
  }
  FormsApp::HandlerScope scope(owner_.app());
  if (on_click) on_click();
}

void Control::MouseDown(MouseButton button) {
  FormsApp::HandlerScope scope(owner_.app());
  if (on_mouse_down) on_mouse_down(button);
}

void Control::MouseUp(MouseButton button) {
  FormsApp::HandlerScope scope(owner_.app());
  if (on_mouse_up) on_mouse_up(button);
}

int Control::KeyPress(int character_code) {
  FormsApp::HandlerScope scope(owner_.app());
  if (on_key_press) on_key_press(character_code);
  return character_code;
}

void Control::GotFocus() {
  FormsApp::HandlerScope scope(owner_.app());
  owner_.focused_ = this;
  if (on_got_focus) on_got_focus();
}

}  // namespace brelvox::translator::forms
