#include "translator/desktop/window_drag.h"

namespace brelvox::translator::desktop {

WindowDrag::WindowDrag(forms::Window& form1, InputPrimitives& input)
    : form1_(form1), input_(input) {
  auto press = [this](forms::MouseButton) { Press(); };
  auto release = [this](forms::MouseButton) { Release(); };
  form1_.on_mouse_down = press;
  form1_.on_mouse_up = release;
  for (const char* handle :
       {"Picture5", "Picture21", "Label1", "Label2", "Label4", "Label7", "Label8"}) {
    form1_.control(handle).on_mouse_down = press;
    form1_.control(handle).on_mouse_up = release;
  }
  form1_.timer("Timer7").on_tick = [this] { Timer7Tick(); };
}

void WindowDrag::Press() {
  input_.SaveCursorPos();
  DragOffsetX = input_.CursorX * forms::kTwipsPerPixel - form1_.geometry().left;
  DragOffsetY = input_.CursorY * forms::kTwipsPerPixel - form1_.geometry().top;
  form1_.timer("Timer7").Enable();
}

void WindowDrag::Release() {
  form1_.timer("Timer7").Disable();
}

void WindowDrag::Timer7Tick() {
  input_.SaveCursorPos();
  form1_.SetLeft(input_.CursorX * forms::kTwipsPerPixel - DragOffsetX);
  form1_.SetTop(input_.CursorY * forms::kTwipsPerPixel - DragOffsetY);
}

}  // namespace brelvox::translator::desktop
