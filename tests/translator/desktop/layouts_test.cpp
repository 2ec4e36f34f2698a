#include "translator/desktop/layouts.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "translator/forms/forms_app.h"

namespace brelvox::translator::desktop {
namespace {

class LayoutsTest : public ::testing::Test {
 protected:
  LayoutsTest() {
    const SourceTexts texts{"caption", "label four"};
    app.RegisterForm(Form1Window(texts), [texts](forms::Window& w) {
      BuildForm1(w, texts);
      return std::unique_ptr<forms::FormBehaviour>();
    });
    app.RegisterForm(Form2Window(), [](forms::Window& w) {
      BuildForm2(w);
      return std::unique_ptr<forms::FormBehaviour>();
    });
  }
  forms::ManualClock clock;
  forms::FormsApp app{clock, forms::Screen{28800, 16200}};
};

TEST_F(LayoutsTest, TheSettingsPaneLiesBelowTheCollapsedHeight) {
  forms::Window& form1 = app.Load("Form1");
  const std::set<std::string> pane = {
      "Picture24", "Picture23", "Picture22", "Picture20", "Picture19", "Picture18", "Picture17",
      "Picture12", "Picture6",  "Picture21", "Label4",    "Label7",    "Label8"};
  for (forms::Control* control : form1.controls_in_order()) {
    if (!control->spec().container.empty() || control->kind() == forms::ControlKind::kLine) {
      continue;
    }
    const bool below = control->geometry().top >= kForm1Collapsed;
    // Hidden check boxes, the never-shown frame and the hidden button also lie below the line.
    if (control->visible()) {
      EXPECT_EQ(below, pane.contains(control->name())) << control->name();
    }
  }
}

TEST_F(LayoutsTest, OptionRowPicturesMatchTheStartValues) {
  forms::Window& form1 = app.Load("Form1");
  const struct {
    const char* check;
    const char* on;
    const char* off;
  } pairs[] = {{"Check1", "Picture24", "Picture17"},
               {"Check2", "Picture18", "Picture23"},
               {"Check3", "Picture19", "Picture22"}};
  for (const auto& pair : pairs) {
    const bool on = form1.control(pair.check).value() == 1;
    EXPECT_EQ(form1.control(pair.on).visible(), on) << pair.check;
    EXPECT_EQ(form1.control(pair.off).visible(), !on) << pair.check;
  }
  EXPECT_EQ(form1.control("Check4").value(), 0);
  EXPECT_EQ(form1.control("Label9").text(), "47");
  EXPECT_EQ(form1.control("Label4").text(), "label four");
  EXPECT_EQ(form1.caption(), "caption");
}

TEST_F(LayoutsTest, TimersStartOffWithTheirIntervals) {
  forms::Window& form1 = app.Load("Form1");
  const std::pair<const char*, int> timers[] = {
      {"Timer1", 2000},  {"Timer2", 1500},  {"Timer3", 1500},   {"Timer4", 200},
      {"Timer5", 300},   {"Timer6", 1000},  {"Timer7", 50},     {"Timer8", 100},
      {"Timer10", 500},  {"Timer1111", 50}, {"Timer2222", 50},  {"Timer3333", 600},
      {"Timer4444", 50}, {"Kopirane", 300}, {"TimerDesen", 500}};
  for (const auto& [name, interval] : timers) {
    EXPECT_EQ(form1.timer(name).interval(), interval) << name;
    EXPECT_FALSE(form1.timer(name).enabled()) << name;
  }
  forms::Window& form2 = app.Load("Form2");
  EXPECT_TRUE(form2.timer("Timer1").enabled());
  EXPECT_EQ(*form2.timer("Timer2").due(), 2000);
  EXPECT_EQ(form2.geometry().left, forms::CentredPosition(28800, 8595));
}

}  // namespace
}  // namespace brelvox::translator::desktop
