// A child control of a window, addressed by its window and its name.
//
// Controls hold what the behaviour reads and changes: visibility, geometry, text, value and focus.
// Changes by code behave as in the form designer's runtime the program was written for:
// - a text box's change handler runs synchronously inside the assignment, only when the text
//   really changes, and not again for writes the handler itself makes to the same box;
// - a check box's click handler runs whenever its value changes, by the user or by code, and only
//   on a change; a scroll bar's change handler likewise;
// - giving the focus fails (returns false) when the control or its window is not visible.
#pragma once

#include <functional>
#include <string>

#include "translator/forms/control_spec.h"
#include "translator/forms/geometry_setters.h"

namespace brelvox::translator::forms {

class Window;

enum class MouseButton { kLeft = 1, kRight = 2, kMiddle = 4 };

class Control : public GeometrySetters<Control> {
 public:
  Control(Window& owner, ControlSpec spec);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& name() const { return spec_.name; }
  ControlKind kind() const { return spec_.kind; }
  const ControlSpec& spec() const { return spec_; }  // design-time look
  Window& window() const { return owner_; }

  bool visible() const { return visible_; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }

  const Geometry& geometry() const { return geometry_; }
  void SetGeometry(const Geometry& geometry);  // SetLeft, SetTop, SetWidth, SetHeight come with it

  const std::string& text() const { return text_; }
  void SetText(std::string text);

  int value() const { return value_; }
  void SetValue(int value);

  bool SetFocus();
  bool focused() const;

  // Input from the user, delivered by the display binding.
  void Click();  // a check box toggles its value; everything else runs on_click
  void MouseDown(MouseButton button);
  void MouseUp(MouseButton button);
  // The handler may take the key by setting the code to 0; returns the code the box goes on to
  // handle as usual (0: none).
  int KeyPress(int character_code);
  void GotFocus();

  std::function<void()> on_click;
  std::function<void()> on_change;
  std::function<void()> on_got_focus;
  std::function<void(int& character_code)> on_key_press;
  std::function<void(MouseButton)> on_mouse_down;
  std::function<void(MouseButton)> on_mouse_up;

 private:
  void Changed();

  Window& owner_;
  ControlSpec spec_;
  bool visible_;
  Geometry geometry_;
  std::string text_;
  int value_;
  bool in_change_handler_ = false;
};

}  // namespace brelvox::translator::forms
