// The main window's behaviour end to end over the fakes: start-up, requests, reading the result,
// speaking both sides, the options and the compact voice mode.
#include "translator/main_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "fakes/program_fixture.h"
#include "translator/desktop/input_device.h"
#include "translator/forms/text.h"

namespace brelvox::translator::testing {
namespace {

using desktop::NormalisedToPixel;

struct Pixel {
  int x;
  int y;
};

Pixel PixelOf(const MouseEventRecord& event) {
  return {NormalisedToPixel(event.dx, 1920), NormalisedToPixel(event.dy, 1080)};
}

constexpr std::uint32_t kClick = 0x8007;
constexpr std::uint32_t kMoveOnly = 0x8001;

// ---- Start-up ----

using StartUpTest = ProgramTest;

TEST_F(StartUpTest, BeforeTheFirstPageTheBannerCoversTheWindowAndNothingCanBeTyped) {
  input.cursor = {100, 200};
  program.Start();
  for (const char* hidden : {"Text1", "Text3", "Label1", "Picture16", "Picture10", "Picture2"}) {
    EXPECT_FALSE(C(hidden).visible()) << hidden;
  }
  EXPECT_TRUE(C("image1").visible());
  EXPECT_EQ(C("image1").geometry().width, 7205);
  EXPECT_EQ(C("WebBrowser1").geometry(), (forms::Geometry{0, 0, 28800, 16200}));
  EXPECT_TRUE(form1().visible());
  EXPECT_EQ(form1().geometry(), (forms::Geometry{10778, 6498, 7245, 3205}));  // centred
  EXPECT_EQ(browser().navigations, (std::vector<std::string>{std::string(kBase) + "/"}));
  EXPECT_EQ(input.topmost, (std::vector<forms::WindowHandle>{form1().handle()}));
  EXPECT_EQ(voices.prog_id, "sapi.spvoice");
  ASSERT_EQ(tray.icons.size(), 1u);
  EXPECT_EQ(tray.icons[0].tip, "Кликни с мишката, за да се отвори транслатора!");
  EXPECT_EQ(tray.icons[0].id, 0x400000u);

  // No page ever completes: no request, no time-out.
  Advance(60000);
  EXPECT_EQ(browser().navigations.size(), 1u);
  EXPECT_FALSE(C("Text1").visible());
  EXPECT_TRUE(C("image1").visible());
}

TEST_F(StartUpTest, FirstDocumentCompleteSetsUpTheWindowAndSendsTheWarmUp) {
  input.cursor = {100, 200};
  program.Start();
  browser().CompleteDocument();

  // A click at the window's horizontal centre, 10 pixels below its top, and the cursor back.
  ASSERT_EQ(input.mouse.size(), 2u);
  EXPECT_EQ(input.mouse[0].flags, kClick);
  EXPECT_EQ(PixelOf(input.mouse[0]).x, 960);
  EXPECT_EQ(PixelOf(input.mouse[0]).y, 443);  // 6498 / 15 + 10
  EXPECT_EQ(input.mouse[1].flags, kMoveOnly);
  EXPECT_EQ(PixelOf(input.mouse[1]).x, 100);
  EXPECT_EQ(PixelOf(input.mouse[1]).y, 200);

  EXPECT_EQ(C("WebBrowser1").geometry(), (forms::Geometry{6915, 700, 735, 615}));
  for (const char* hidden : {"Picture13", "Picture14", "Picture15", "image1"}) {
    EXPECT_FALSE(C(hidden).visible()) << hidden;
  }
  for (const char* shown : {"Picture16", "Picture2", "Text1", "Label1", "Picture10"}) {
    EXPECT_TRUE(C(shown).visible()) << shown;
  }
  EXPECT_TRUE(C("Text1").focused());
  EXPECT_EQ(C("Text4").text(), "Старт");
  EXPECT_EQ(browser().navigations.back(), Address("bg|en|Старт"));
  EXPECT_EQ(main().PageReady, 1);
  EXPECT_EQ(main().LoadStage, 2);

  // A second document-complete (a frame, a later navigation) does nothing.
  browser().CompleteDocument();
  EXPECT_EQ(input.mouse.size(), 2u);
  EXPECT_EQ(browser().navigations.size(), 2u);
}

TEST_F(StartUpTest, TheWarmUpIsReadHiddenSpokenAndItsEnglishSideClicked) {
  program.Start();
  browser().CompleteDocument();
  input.mouse.clear();

  Advance(1500);
  EXPECT_EQ(C("Text3").text(), "Start");
  EXPECT_FALSE(C("Text3").visible());  // the first result stays hidden
  EXPECT_EQ(main().Parvo, 1);
  EXPECT_EQ(voices.log.spoken, (std::vector<std::string>{"Старт"}));
  EXPECT_EQ(voices.log.rates, (std::vector<int>{0}));  // caption "47"
  EXPECT_EQ(voices.log.flags, (std::vector<unsigned>{kSpeakAsync}));
  EXPECT_TRUE(C("Picture9").visible());
  Advance(500);
  EXPECT_FALSE(C("Picture9").visible());

  // Bulgarian source: the scheduler hides the busy picture and clicks 750 ms later.
  Advance(500);
  EXPECT_FALSE(C("Picture2").visible());
  EXPECT_EQ(T("Timer3").interval(), 750);
  Advance(749);
  EXPECT_TRUE(input.mouse.empty());
  Advance(1);
  ASSERT_EQ(input.mouse.size(), 2u);
  EXPECT_EQ(browser().scrolled, (std::vector<int>{2}));  // the tts_button div
  // 15 pixels inside the right edge and 60 below the top: 7 right of and 13 below the viewport.
  const forms::Geometry& g = form1().geometry();
  EXPECT_NEAR(PixelOf(input.mouse[0]).x, (g.width + g.left) / 15.0 - 15, 0.5);
  EXPECT_NEAR(PixelOf(input.mouse[0]).y, g.top / 15.0 + 60, 0.5);
  EXPECT_NEAR(PixelOf(input.mouse[0]).x, (g.left + 6915) / 15.0 + 7, 0.5);

  // The focus keeper: the click gave the browser the focus; 200 ms later the caret is back.
  browser().TakeFocus();
  C("Picture16").SetFocus();
  Advance(200);
  EXPECT_TRUE(C("Text1").focused());
}

TEST_F(StartUpTest, WithoutASpeechPlatformEverythingButTheSpeechGoesOn) {
  voices.available = false;
  StartReady();
  EXPECT_EQ(main().Voice, nullptr);
  EXPECT_EQ(C("Text3").text(), "Start");
  EXPECT_TRUE(voices.log.spoken.empty());
  voices.failing = true;
  voices.available = true;
}

// ---- The request ----

using RequestTest = ProgramTest;

TEST_F(RequestTest, EnterSendsAtMost99CharactersAndCutsTheInputBoxToo) {
  StartReady();
  std::string text;
  for (int i = 0; i < 120; ++i)
    text += static_cast<char>('a' + i % 26);
  TypeAndEnter(text);
  EXPECT_EQ(browser().navigations.back(), Address("en|bg|" + text.substr(0, 99)));
  EXPECT_EQ(C("Text1").text(), text.substr(0, 99));
  EXPECT_EQ(C("Text4").text(), text.substr(0, 99));
  // The caret goes to the end through an injected End key.
  EXPECT_EQ(input.keys, (std::vector<KeyEventRecord>{{35, 1}, {35, 3}}));
}

TEST_F(RequestTest, CyrillicCutsCountCharacters) {
  StartReady();
  std::string text;
  for (int i = 0; i < 60; ++i)
    text += "жз";
  TypeAndEnter(text);
  EXPECT_EQ(forms::CharCount(C("Text4").text()), 99u);
}

TEST_F(RequestTest, LineBreaksAndTabsAreRemovedNotReplaced) {
  StartReady();
  TypeAndEnter("бяла\r\nкотка\nи\tкуче\b");
  EXPECT_EQ(C("Text4").text(), "бялакоткаикуче");
  EXPECT_EQ(browser().navigations.back(), Address("bg|en|бялакоткаикуче"));
}

TEST_F(RequestTest, DirectionComesFromTheScript) {
  StartReady();
  const struct {
    const char* text;
    const char* direction;
  } cases[] = {{"cat", "en|bg|"},       {"12345", "en|bg|"}, {"котка", "bg|en|"},
               {"cat котка", "bg|en|"}, {"ёж", "bg|en|"},    {"Ё", "en|bg|"}};
  for (const auto& c : cases) {
    TypeAndEnter(c.text);
    EXPECT_EQ(browser().navigations.back(), Address(std::string(c.direction) + c.text)) << c.text;
  }
}

TEST_F(RequestTest, EnterOnAnEmptyBoxClearsAndShowsTheResultButSendsNothing) {
  StartReady();
  C("Text3").SetText("old");
  C("Picture2").Hide();
  const std::size_t navigations = browser().navigations.size();
  TypeAndEnter("");
  EXPECT_EQ(C("Text3").text(), "");
  EXPECT_TRUE(C("Text3").visible());
  EXPECT_TRUE(C("Picture2").visible());  // shown even though nothing is sent
  EXPECT_EQ(browser().navigations.size(), navigations);
}

TEST_F(RequestTest, EnterIsTakenByTheRequestOtherKeysGoToTheBox) {
  StartReady();
  C("Text1").SetText("cat");
  EXPECT_EQ(C("Text1").KeyPress('a'), 'a');
  EXPECT_EQ(C("Text4").text(), "Старт");
  // Enter sends the request and breaks no line in the box.
  EXPECT_EQ(C("Text1").KeyPress(13), 0);
  EXPECT_EQ(C("Text4").text(), "cat");
}

TEST_F(RequestTest, TheReadingWaitsUntilThePageHasTakenTheAddress) {
  StartReady();
  browsers.model.busy_ms = 300;
  browsers.model.translations["en|bg|cat"] = "котка";
  TypeAndEnter("cat");
  EXPECT_FALSE(T("Timer2").enabled());
  EXPECT_TRUE(T("TimerBusy").enabled());
  Advance(300);
  EXPECT_TRUE(T("Timer2").enabled());
  EXPECT_TRUE(C("Picture8").visible());
  Advance(1499);
  EXPECT_NE(C("Text3").text(), "котка");
  Advance(1);
  EXPECT_EQ(C("Text3").text(), "котка");
}

TEST_F(RequestTest, TheBusyWaitIsBoundedAndTheWindowKeepsRunning) {
  StartReady();
  browsers.model.busy_ms = 1000000;  // the page never takes the address
  TypeAndEnter("cat");
  C("Picture8").Click();  // the window still answers meanwhile
  EXPECT_TRUE(T("Timer10").enabled());
  Advance(kBusyWaitLimitMs - 10);
  EXPECT_FALSE(T("Timer2").enabled());
  Advance(10);
  EXPECT_TRUE(T("Timer2").enabled());
  EXPECT_FALSE(T("TimerBusy").enabled());
}

TEST_F(RequestTest, ClipboardWatcherTranslatesNewTextOnce) {
  StartReady();
  clipboard.text = "old copy";
  C("Check1").SetValue(1);  // capture mode empties the clipboard
  EXPECT_EQ(clipboard.text, "");
  form1().Hide();
  Advance(300);
  const std::size_t navigations = browser().navigations.size();

  clipboard.text = "";  // an empty selection copied: nothing happens
  Advance(300);
  EXPECT_FALSE(form1().visible());

  clipboard.text = "line one\r\nline two";
  Advance(300);
  EXPECT_TRUE(form1().visible());
  EXPECT_EQ(input.topmost.back(), form1().handle());
  EXPECT_EQ(C("Text1").text(), "line oneline two");
  EXPECT_EQ(browser().navigations.back(), Address("en|bg|line oneline two"));
  EXPECT_EQ(main().LastClipText, "line one\r\nline two");

  Advance(3000);  // the same text copied again: nothing more
  clipboard.text = "line one\r\nline two";
  Advance(3000);
  EXPECT_EQ(browser().navigations.size(), navigations + 2);  // request + pronunciation page
}

// ---- Reading the result ----

using ResultTest = ProgramTest;

TEST_F(ResultTest, TheSecondResultIsShownCountedAndSpokenWithAPauseBetweenLines) {
  StartReady();
  browsers.model.translations["en|bg|cat"] = "<котка>\nмачка";
  TypeAndEnter("cat");
  Advance(1500);
  EXPECT_EQ(C("Text3").text(), "котка\nмачка");  // the references around it dropped
  EXPECT_TRUE(C("Text3").visible());
  EXPECT_EQ(main().Parvo, 2);
  EXPECT_EQ(voices.log.spoken, (std::vector<std::string>{"котка, мачка"}));
}

TEST_F(ResultTest, ARequestWithoutAResultOfItsOwnShowsANoteAndRepeatsNothing) {
  StartReady();
  browsers.model.translations["en|bg|cat"] = "котка";
  browsers.model.translations["en|bg|xyzzy"] = "";  // the page has no translation
  browsers.model.translations["bg|en|щбрк"] = "";
  struct Step {
    const char* what;
    const char* typed;
    std::optional<std::string> markup;  // shown instead of the page's result
    const char* shown;
    std::vector<std::string> spoken;  // since the previous step
  };
  const Step steps[] = {
      {"a translation", "cat", std::nullopt, "котка", {"котка"}},
      {"a page with one marker: no result in time",
       "dog",
       "<DIV>a</SPAN></SPAN></DIV>",
       kConnectionMessage,
       {}},
      {"an error page", "dog", "<BODY>This site can't be reached</BODY>", kConnectionMessage, {}},
      {"no translation of an English word", "xyzzy", std::nullopt, kNoTranslation, {}},
      {"no translation of a Bulgarian word: the request is still Bulgarian",
       "щбрк",
       std::nullopt,
       kNoTranslation,
       {"щбрк"}},
  };
  std::int16_t count = main().Parvo;
  for (const Step& step : steps) {
    browsers.model.markup_override = step.markup;
    voices.log = {};
    C("Text1").SetText(step.typed);
    C("Picture16").Click();  // the translate button leaves the result box alone
    Advance(1500);
    EXPECT_EQ(C("Text3").text(), step.shown) << step.what;
    EXPECT_EQ(voices.log.spoken, step.spoken) << step.what;
    EXPECT_EQ(main().Parvo, ++count) << step.what;
    Advance(3000);
  }
  voices.log = {};
  C("Picture8").Click();  // the speak button has no earlier answer to repeat either
  EXPECT_EQ(voices.log.spoken, std::vector<std::string>{"щбрк"});
}

TEST_F(ResultTest, NothingCancelsTheLaterStagesOfAnEarlierRequest) {
  StartReady();
  browsers.model.translations["en|bg|cat"] = "котка";
  browsers.model.translations["en|bg|dog"] = "куче";
  TypeAndEnter("cat");
  Advance(1500);
  TypeAndEnter("dog");
  Advance(1000);  // the first request's scheduler loads its pronunciation page
  EXPECT_EQ(browser().navigations.back(), Address("en|en|dog"));  // of the input box's text
  Advance(500);  // the second reading finds the pronunciation page: no result
  EXPECT_EQ(C("Text3").text(), kConnectionMessage);
}

TEST_F(ResultTest, AnUnreadablePageCountsAsNoResultAndShowsTheConnectionMessage) {
  StartReady();
  browsers.model.readable = false;
  C("Text3").SetText("previous");
  C("Text1").SetText("cat");
  C("Picture16").Click();
  Advance(1500);
  EXPECT_EQ(main().PageHtml, "");
  EXPECT_EQ(C("Text3").text(), kConnectionMessage);
  EXPECT_EQ(main().Parvo, 2);
  Advance(1000 + 1500);  // the scheduler, then the click
  EXPECT_EQ(C("Text1").text(), "Възможна загуба на връзката със сървърът!");
  EXPECT_FALSE(input.mouse.empty());  // the click still happens at the fixed point
}

TEST_F(ResultTest, BeforeTheFirstPageATickReadsNothingAndSchedulesNothing) {
  program.Start();
  C("Text4").SetText("cat");
  Advance(1500);
  EXPECT_FALSE(T("Timer2").enabled());
  EXPECT_FALSE(T("Timer6").enabled());
  EXPECT_EQ(main().Parvo, 0);
  EXPECT_TRUE(voices.log.spoken.empty());
}

TEST_F(ResultTest, CountStopsAt32767AndAnOpenSettingsPaneCollapses) {
  StartReady();
  main().Parvo = 32767;
  form1().SetHeight(6405);
  C("Picture10").Hide();
  TypeAndEnter("котка");
  Advance(1500);
  EXPECT_EQ(main().Parvo, 32767);
  EXPECT_EQ(form1().geometry().height, 3205);
  EXPECT_TRUE(C("Picture10").visible());
}

// ---- Speaking ----

using SpeakingTest = ProgramTest;

TEST_F(SpeakingTest, EnglishSourceLoadsThePronunciationPageAndWaitsByResultLength) {
  StartReady();
  const struct {
    int check3;
    std::string result;
    int delay;
  } cases[] = {
      {1, std::string(15, 'x'), 1500},
      {1, std::string(16, 'x'), 2000},
      {1, std::string(76, 'x'), 6500},
      {0, std::string(76, 'x'), 1500},
  };
  for (const auto& c : cases) {
    C("Check3").SetValue(c.check3);
    browsers.model.translations["en|bg|cat"] = c.result;
    C("Text1").SetText("cat");
    C("Picture16").Click();
    Advance(2500);
    EXPECT_EQ(browser().navigations.back(), Address("en|en|cat"));
    EXPECT_EQ(T("Timer3").interval(), c.delay);
    input.mouse.clear();
    Advance(c.delay - 1);
    EXPECT_TRUE(input.mouse.empty());
    Advance(1);
    EXPECT_EQ(input.mouse.size(), 2u) << c.delay;
    Advance(1000);
  }
}

TEST_F(SpeakingTest, BulgarianSourceWithoutBulgarianSpeechClicksAfter10Ms) {
  StartReady();
  C("Check3").SetValue(0);
  TypeAndEnter("котка");
  Advance(2500);
  EXPECT_EQ(T("Timer3").interval(), 10);
  EXPECT_TRUE(voices.log.spoken.empty());
  Advance(10);
  EXPECT_EQ(input.mouse.size(), 2u);
}

TEST_F(SpeakingTest, BulgarianSpeechTakesTheRequestForBulgarianSources) {
  StartReady();
  browsers.model.translations["bg|en|котка"] = "cat";
  TypeAndEnter("котка");
  Advance(1500);
  EXPECT_EQ(voices.log.spoken, (std::vector<std::string>{"котка"}));
  Advance(3000);
  browsers.model.translations["en|bg|dog"] = "куче";
  TypeAndEnter("dog");
  Advance(1500);
  EXPECT_EQ(voices.log.spoken.back(), "куче");
}

TEST_F(SpeakingTest, WithoutEnglishPronunciationThePageLoadsButNothingIsClicked) {
  StartReady();
  C("Check2").SetValue(0);
  TypeAndEnter("cat");
  Advance(2500);
  EXPECT_EQ(browser().navigations.back(), Address("en|en|cat"));
  EXPECT_TRUE(C("Picture2").visible());
  Advance(1500);
  EXPECT_FALSE(C("Picture2").visible());
  EXPECT_TRUE(input.mouse.empty());
}

TEST_F(SpeakingTest, TheSpeakButtonQueuesTheSameSpeechEachTime) {
  StartReady();
  C("Picture8").Click();
  C("Picture8").Click();
  EXPECT_EQ(voices.log.spoken, (std::vector<std::string>{"Старт", "Старт"}));
  EXPECT_TRUE(C("Picture9").visible());
  Advance(500);
  EXPECT_FALSE(C("Picture9").visible());
}

TEST_F(SpeakingTest, FailingVoiceCallsAreIgnored) {
  voices.failing = true;
  StartReady();
  TypeAndEnter("котка");
  Advance(4000);
  EXPECT_EQ(input.mouse.size(), 2u);  // the English side still goes on
}

TEST_F(SpeakingTest, TheListenButtonScrollsToTheLastMatchingElement) {
  StartReady();
  browsers.model.div_ids = {"tts_button", "x", "tts_button", "TTS_BUTTON"};
  browser().scrolled.clear();
  main().NaglasiButon();
  EXPECT_EQ(browser().scrolled, (std::vector<int>{0, 2}));
  browsers.model.div_ids = {"a"};
  C("Text1").SetText("mine");
  main().NaglasiButon();  // no listen button: no message
  EXPECT_EQ(C("Text1").text(), "mine");
  browsers.model.scroll_fails = true;
  browsers.model.div_ids = {"tts_button"};
  main().NaglasiButon();
  EXPECT_EQ(C("Text1").text(), kConnectionMessage);
}

// ---- Options ----

using OptionsTest = ProgramTest;

TEST_F(OptionsTest, CaptureModeSwitchesTheWatcherAndTheGestureTimers) {
  StartReady();
  C("Check1").SetValue(1);
  EXPECT_EQ(clipboard.clears, 1);
  EXPECT_TRUE(T("Timer5").enabled());
  EXPECT_TRUE(T("Timer1111").enabled());
  EXPECT_TRUE(C("Picture24").visible());
  EXPECT_FALSE(C("Picture17").visible());

  input.Press(desktop::kVkLeftButton);
  Advance(50);  // a gesture half recognised
  EXPECT_TRUE(T("Timer4444").enabled());
  EXPECT_TRUE(T("Timer3333").enabled());
  C("Check1").SetValue(0);
  for (const char* timer : {"Timer5", "Timer1111", "Timer2222", "Timer3333", "Timer4444"}) {
    EXPECT_FALSE(T(timer).enabled()) << timer;
  }
  EXPECT_TRUE(C("Picture17").visible());
  EXPECT_FALSE(C("Picture24").visible());
}

TEST_F(OptionsTest, EnglishPronunciationOptionScrollsAtOnceOrReportsTheConnection) {
  StartReady();
  browser().scrolled.clear();
  C("Check2").SetValue(0);
  EXPECT_EQ(browser().scrolled, (std::vector<int>{2}));
  EXPECT_TRUE(C("Picture23").visible());
  EXPECT_FALSE(C("Picture18").visible());
  browsers.model.readable = false;
  C("Check2").SetValue(1);
  EXPECT_EQ(C("Text1").text(), kConnectionMessage);
  EXPECT_TRUE(C("Picture18").visible());
}

TEST_F(OptionsTest, CompactModeWithoutALanguageShowsTheHintForFiveSeconds) {
  StartReady();
  C("Check2").SetValue(0);
  C("Check3").SetValue(0);
  const forms::Geometry before = form1().geometry();
  C("Picture20").Click();
  EXPECT_EQ(C("Check4").value(), 0);
  forms::Window* hint = program.app().Find("Form3");
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(hint->visible());
  EXPECT_EQ(input.topmost.back(), hint->handle());
  EXPECT_EQ(hint->geometry().left, forms::CentredPosition(28800, 8565));
  EXPECT_EQ(form1().geometry(), before);  // not compacted
  Advance(3000);
  C("Label18").Click();  // asked again: the hint keeps its running five seconds
  Advance(2000);
  EXPECT_EQ(program.app().Find("Form3"), nullptr);
}

TEST_F(OptionsTest, CompactModeLeavesAStripAtTheLeftEdgeAndStillSpeaksCapturedText) {
  StartReady();
  C("Check2").SetValue(0);  // one language is enough
  C("Picture20").Click();
  EXPECT_EQ(C("Check4").value(), 1);
  EXPECT_EQ(C("Check1").value(), 1);  // capture mode on
  EXPECT_EQ(form1().geometry().left, -6920);
  EXPECT_EQ(form1().geometry().height, 1365);
  EXPECT_EQ(form1().geometry().top, forms::CentredPosition(16200, 1365));
  EXPECT_EQ(C("Picture8").geometry().left, 6920);
  EXPECT_EQ(C("Picture9").geometry().top, 1020);
  EXPECT_TRUE(C("Picture7").visible());

  browsers.model.translations["en|bg|cat"] = "котка";
  clipboard.text = "cat";
  Advance(300 + 1500);
  EXPECT_EQ(voices.log.spoken, (std::vector<std::string>{"котка"}));

  // Unticking both languages does not restore the window; the restore button does.
  C("Check3").SetValue(0);
  EXPECT_EQ(form1().geometry().left, -6920);
  C("Picture7").Click();
  EXPECT_EQ(form1().geometry(), (forms::Geometry{forms::CentredPosition(28800, 7245),
                                                 forms::CentredPosition(16200, 6405), 7245, 6405}));
  EXPECT_EQ(C("Check4").value(), 0);
  EXPECT_EQ(C("Picture8").geometry().left, 6480);
  EXPECT_FALSE(C("Picture7").visible());
}

TEST_F(OptionsTest, TheClickPointFollowsTheCompactWindow) {
  StartReady();
  C("Picture20").Click();
  browsers.model.translations["bg|en|котка"] = "cat";
  clipboard.text = "котка";
  input.mouse.clear();
  Advance(300 + 1500 + 1000 + 750);
  ASSERT_EQ(input.mouse.size(), 2u);
  const forms::Geometry& g = form1().geometry();
  EXPECT_NEAR(PixelOf(input.mouse[0]).x, (g.left + 6915) / 15.0 + 7, 0.5);
  EXPECT_NEAR(PixelOf(input.mouse[0]).y, g.top / 15.0 + 60, 0.5);
}

}  // namespace
}  // namespace brelvox::translator::testing
