#include "translator/desktop/hint_window.h"

#include "translator/forms/forms_app.h"

namespace brelvox::translator::desktop {

HintWindow::HintWindow(forms::Window& form3, InputPrimitives& input)
    : form3_(form3), input_(input) {
  form3_.timer("Timer1").on_tick = [this] { form3_.app().Unload("Form3"); };
}

void HintWindow::Load() {
  input_.MakeTopmost(form3_.handle());
}

}  // namespace brelvox::translator::desktop
