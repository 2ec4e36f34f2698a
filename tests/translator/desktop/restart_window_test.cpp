// The in-process restart: Form2 throws Form1 away and builds a fresh one with the options kept.
#include "translator/desktop/restart_window.h"

#include <gtest/gtest.h>

#include "fakes/program_fixture.h"

namespace brelvox::translator::testing {
namespace {

class RestartTest : public ProgramTest {
 protected:
  void SetUp() override { StartReady(); }
};

TEST_F(RestartTest, TheNoticeReplacesTheMainWindowWithAFreshOne) {
  const forms::WindowHandle old_handle = form1().handle();
  clipboard.text = "copied before";
  main().Parvo = 7;
  C("Picture6").Click();
  forms::Window* notice = program.app().Find("Form2");
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(notice->visible());
  EXPECT_EQ(input.topmost.back(), notice->handle());
  EXPECT_EQ(notice->geometry().left, forms::CentredPosition(28800, 8595));
  EXPECT_EQ(notice->control("Label1").text(), "РЕСТАРТИРАМ   ПРОГРАМАТА");
  EXPECT_EQ(clipboard.text, "");

  Advance(100);
  EXPECT_EQ(program.app().Find("Form1"), nullptr);
  EXPECT_EQ(browsers.alive, 0);  // the page went with the window
  EXPECT_TRUE(tray.icons.empty());
  EXPECT_TRUE(program.app().running());  // the notice keeps the program alive

  Advance(1900);
  ASSERT_NE(program.app().Find("Form1"), nullptr);
  EXPECT_EQ(program.app().Find("Form2"), nullptr);
  EXPECT_NE(form1().handle(), old_handle);
  EXPECT_EQ(tray.icons.size(), 1u);  // exactly one icon again
  EXPECT_EQ(tray.icons[0].window, form1().handle());
  EXPECT_EQ(browsers.created, 2);
  EXPECT_EQ(browsers.alive, 1);
  EXPECT_EQ(voices.created, 2);
  EXPECT_TRUE(form1().visible());
  for (const char* shown : {"Text1", "Label1", "Picture8", "Picture10"}) {
    EXPECT_TRUE(C(shown).visible()) << shown;
  }
  EXPECT_EQ(C("Text1").text(), "");
  EXPECT_EQ(C("Text4").text(), "Старт");
  EXPECT_EQ(browser().navigations.back(), Address("bg|en|Старт"));
  EXPECT_EQ(main().Parvo, 0);
  EXPECT_EQ(main().LoadStage, 0);  // the new page has yet to load

  // The clipboard was emptied, so what was copied before is not translated.
  C("Check1").SetValue(1);
  Advance(1000);
  EXPECT_EQ(browser().navigations.back(), Address("bg|en|Старт"));
}

TEST_F(RestartTest, OptionsSurviveEveryCombinationAndCompactModeDoesNot) {
  for (int combination = 0; combination < 8; ++combination) {
    const int check1 = combination & 1;
    const int check2 = (combination >> 1) & 1;
    const int check3 = (combination >> 2) & 1;
    C("Check1").SetValue(check1);
    C("Check2").SetValue(check2);
    C("Check3").SetValue(check3);
    if (check1 && (check2 || check3)) C("Picture20").Click();  // the compact voice mode too
    C("Picture6").Click();
    Advance(2000);
    SCOPED_TRACE(combination);
    EXPECT_EQ(C("Check1").value(), check1);
    EXPECT_EQ(C("Check2").value(), check2);
    EXPECT_EQ(C("Check3").value(), check3);
    EXPECT_EQ(C("Check4").value(), 0);
    EXPECT_EQ(form1().geometry().height, 3205);
    EXPECT_EQ(form1().geometry().left, forms::CentredPosition(28800, 7245));
    EXPECT_EQ(T("Timer5").enabled(), C("Check1").value() == 1);
    EXPECT_EQ(T("Timer1111").enabled(), C("Check1").value() == 1);
    EXPECT_EQ(C("Picture18").visible(), check2 == 1);
    EXPECT_EQ(C("Picture23").visible(), check2 == 0);
    EXPECT_EQ(C("Picture19").visible(), check3 == 1);
    // With English pronunciation off, Timer8 scrolls the listen button 100 ms later.
    EXPECT_EQ(T("Timer8").enabled(), check2 == 0);
    browser().CompleteDocument();
    Advance(5000);
  }
}

TEST_F(RestartTest, WithEnglishPronunciationOffTheListenButtonIsScrolledAfter100Ms) {
  C("Check2").SetValue(0);
  C("Picture6").Click();
  Advance(2000);
  browser().scrolled.clear();
  Advance(99);
  EXPECT_TRUE(browser().scrolled.empty());
  Advance(1);
  EXPECT_EQ(browser().scrolled, (std::vector<int>{2}));
}

}  // namespace
}  // namespace brelvox::translator::testing
