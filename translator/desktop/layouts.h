// The three windows of the translator as they are laid out at design time: window properties,
// every child control in z-order (topmost first) with its place, size, start state, text, font and
// look, and every timer with its interval and start state.
#pragma once

#include <string>

#include "translator/forms/control_spec.h"
#include "translator/forms/window.h"

namespace brelvox::translator::desktop {

// Form1 is 7245 twips wide and either collapsed (translator only) or expanded (with the settings
// pane below the line at 3205).
inline constexpr int kForm1Width = 7245;
inline constexpr int kForm1Collapsed = 3205;
inline constexpr int kForm1Expanded = 6405;

// The texts of Form1 that depend on where translations come from.
struct SourceTexts {
  std::string caption;  // the window's caption (not displayed)
  std::string label4;   // the sentence under the translator, naming the source
};

forms::WindowSpec Form1Window(const SourceTexts& texts);
void BuildForm1(forms::Window& form1, const SourceTexts& texts);

forms::WindowSpec Form2Window();
void BuildForm2(forms::Window& form2);

forms::WindowSpec Form3Window();
void BuildForm3(forms::Window& form3);

}  // namespace brelvox::translator::desktop
