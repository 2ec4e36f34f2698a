// Moving the borderless main window: a press on the window's surface or on one of its drag
// handles starts a 50 ms timer (Timer7) that keeps the window at the same offset from the cursor;
// the release stops it. Any mouse button drags. No limit keeps the window on the screen.
#pragma once

#include <cstdint>

#include "translator/desktop/input_primitives.h"
#include "translator/forms/window.h"

namespace brelvox::translator::desktop {

class WindowDrag {
 public:
  WindowDrag(forms::Window& form1, InputPrimitives& input);

  // Cursor minus window edge at the press, in twips.
  std::int32_t DragOffsetX = 0;
  std::int32_t DragOffsetY = 0;

  void Press();
  void Release();

 private:
  void Timer7Tick();

  forms::Window& form1_;
  InputPrimitives& input_;
};

}  // namespace brelvox::translator::desktop
