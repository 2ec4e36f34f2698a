// Form3, the hint shown for five seconds when the compact voice mode is asked for without a
// language to speak: it makes itself topmost when it loads and unloads itself on the first tick
// of its Timer1.
#pragma once

#include "translator/desktop/input_primitives.h"
#include "translator/forms/window.h"

namespace brelvox::translator::desktop {

class HintWindow final : public forms::FormBehaviour {
 public:
  HintWindow(forms::Window& form3, InputPrimitives& input);
  void Load() override;

 private:
  forms::Window& form3_;
  InputPrimitives& input_;
};

}  // namespace brelvox::translator::desktop
