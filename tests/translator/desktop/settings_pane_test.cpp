// The click actions of the skin: settings toggle, option rows, translate, hide, exit, tray.
#include "translator/desktop/settings_pane.h"

#include <gtest/gtest.h>

#include "fakes/program_fixture.h"

namespace brelvox::translator::testing {
namespace {

class SettingsPaneTest : public ProgramTest {
 protected:
  void SetUp() override { StartReady(); }
};

TEST_F(SettingsPaneTest, TheSettingsButtonToggles) {
  C("Picture10").Click();
  EXPECT_EQ(form1().geometry().height, 6405);
  C("Label5").Click();
  EXPECT_EQ(form1().geometry().height, 3205);
  EXPECT_TRUE(C("Text1").focused());
  form1().SetHeight(1365);  // any other height collapses
  C("Picture12").Click();
  EXPECT_EQ(form1().geometry().height, 3205);
  EXPECT_TRUE(C("Picture10").visible());
}

TEST_F(SettingsPaneTest, EachOptionRowShowsExactlyOnePictureOfItsPair) {
  const struct {
    const char* check;
    const char* off_picture;
    const char* off_label;
    const char* on_picture;
    const char* on_label;
  } rows[] = {{"Check1", "Picture17", "Label12", "Picture24", "Label11"},
              {"Check2", "Picture23", "Label13", "Picture18", "Label14"},
              {"Check3", "Picture22", "Label15", "Picture19", "Label16"}};
  for (const auto& row : rows) {
    // Whatever the start value, picture then label of the shown member toggles twice.
    for (int round = 0; round < 2; ++round) {
      const bool on = C(row.check).value() == 1;
      C(on ? row.on_picture : row.off_picture).Click();
      EXPECT_EQ(C(row.check).value(), on ? 0 : 1) << row.check;
      EXPECT_EQ(C(row.on_picture).visible(), !on) << row.check;
      EXPECT_EQ(C(row.off_picture).visible(), on) << row.check;
      C(on ? row.off_label : row.on_label).Click();
      EXPECT_EQ(C(row.check).value(), on ? 1 : 0) << row.check;
      EXPECT_EQ(C(row.on_picture).visible(), on) << row.check;
    }
  }
}

TEST_F(SettingsPaneTest, TheTranslateButtonSendsTheSameTextAgain) {
  C("Text1").SetText("cat");
  C("Picture16").Click();
  Advance(4000);
  C("Label10").Click();
  const auto& navigations = browser().navigations;
  EXPECT_EQ(std::count(navigations.begin(), navigations.end(), Address("en|bg|cat")), 2);

  const std::size_t before = navigations.size();
  C("Text1").SetText("");
  C("Picture16").Click();
  C("Picture16").Click();
  EXPECT_EQ(browser().navigations.size(), before);
}

TEST_F(SettingsPaneTest, HideToTrayAndBackByAButtonPressOnTheIcon) {
  C("Picture11").Click();
  EXPECT_FALSE(form1().visible());
  ASSERT_EQ(tray.icons.size(), 1u);             // the icon stays
  program.tray().TrayWndProc(0x400000, 0x202);  // a release adds nothing
  program.tray().TrayWndProc(0x999, 0x201);     // another icon
  EXPECT_FALSE(form1().visible());
  program.tray().TrayWndProc(0x400000, desktop::kTrayRightButtonDown);
  EXPECT_TRUE(form1().visible());
  const forms::Geometry place = form1().geometry();
  form1().Hide();
  program.tray().TrayWndProc(0x400000, desktop::kTrayLeftButtonDown);
  EXPECT_TRUE(form1().visible());
  EXPECT_EQ(form1().geometry(), place);
}

TEST_F(SettingsPaneTest, WithoutANotificationAreaHidingKeepsTheWindowAndSaysWhyOnce) {
  tray.available = false;
  C("Picture11").Click();
  EXPECT_TRUE(form1().visible());
  forms::Window* hint = program.app().Find("Form3");
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(hint->visible());
  EXPECT_EQ(hint->control("Label1").text(), desktop::kNoTrayNote);
  Advance(5000);
  EXPECT_EQ(program.app().Find("Form3"), nullptr);
  C("Picture11").Click();  // said once
  EXPECT_TRUE(form1().visible());
  EXPECT_EQ(program.app().Find("Form3"), nullptr);
}

TEST_F(SettingsPaneTest, ExitRemovesWindowAndIconAndEndsTheProgram) {
  C("Picture1").Click();
  EXPECT_EQ(program.app().Find("Form1"), nullptr);
  EXPECT_TRUE(tray.icons.empty());
  EXPECT_TRUE(program.app().ended());
}

TEST_F(SettingsPaneTest, ExitWhileTheHintShowsEndsWhenTheHintGoes) {
  C("Check2").SetValue(0);
  C("Check3").SetValue(0);
  C("Picture20").Click();  // the hint for five seconds
  Advance(1000);
  C("Picture1").Click();
  EXPECT_TRUE(tray.icons.empty());
  EXPECT_TRUE(program.app().running());
  Advance(4000);
  EXPECT_TRUE(program.app().ended());
}

}  // namespace
}  // namespace brelvox::translator::testing
