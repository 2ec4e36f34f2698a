// The Qt binding on its own, on Qt's offscreen platform: the button history behind the capture
// gestures, the X key symbols, the pictures painted at build time, and the windows as widgets:
// places, z-order, window kind, input reaching the controls and the tray's window procedure.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "fakes/fake_platform.h"
#include "translator/program.h"
#include "translator/qt/artwork.h"
#include "translator/qt/forms_binding.h"
#include "translator/qt/tray_icon.h"
#include "translator/qt/web_browser.h"
#include "translator/qt/x11_desktop.h"

namespace brelvox::translator::qt {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "translator_qt_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QApplication(argc, argv);
  }();
  return *app;
}

// ---- Button history ----

// Each step either records a press (P) or release (R) as the X server reports it, or queries the
// button (a poll of the capture machine, 50 ms apart unless the gap says otherwise).
struct Step {
  char what;        // 'P', 'R' or 'Q'
  bool down_now;    // for 'Q': the button state at the query
  bool expected;    // for 'Q'
  int gap_ms = 50;  // for 'Q': time since the previous query
};

void RunSteps(const std::vector<Step>& steps) {
  ButtonHistory history;
  std::int64_t now = 1000;
  int index = 0;
  for (const Step& step : steps) {
    if (step.what == 'P' || step.what == 'R') {
      history.Record(step.what == 'P', now);
    } else {
      now += step.gap_ms;
      EXPECT_EQ(history.Query(step.down_now, now), step.expected) << "query at step " << index;
    }
    ++index;
  }
}

TEST(ButtonHistoryTest, AFastDoubleClickBetweenTwoPollsIsReplayedPressByPress) {
  RunSteps({{'Q', false, false},
            {'P', false, false},
            {'R', false, false},
            {'P', false, false},
            {'R', false, false},
            {'Q', false, true},
            {'Q', false, false},
            {'Q', false, true},
            {'Q', false, false},
            {'Q', false, false}});
}

TEST(ButtonHistoryTest, AHeldButtonReadsPressedOnEveryPoll) {
  RunSteps({{'Q', false, false},
            {'P', false, false},
            {'Q', true, true},
            {'Q', true, true},
            {'R', false, false},
            {'Q', false, false}});
}

TEST(ButtonHistoryTest, AfterALongGapTheButtonIsReadAfresh) {
  // Presses long before the query count once, as "pressed since the previous query"; nothing of
  // them is replayed afterwards.
  RunSteps({{'Q', false, false},
            {'P', false, false},
            {'R', false, false},
            {'P', false, false},
            {'R', false, false},
            {'Q', false, true, 5000},
            {'Q', false, false},
            {'Q', false, false, 10000}});
}

TEST(ButtonHistoryTest, ManyEventsKeepTheNewest) {
  std::vector<Step> steps = {{'Q', false, false}};
  for (int i = 0; i < 40; ++i) {
    steps.push_back({'P', false, false});
    steps.push_back({'R', false, false});
  }
  // Sixteen transitions are kept, newest last: press, release, ... eight clicks.
  for (int i = 0; i < 8; ++i) {
    steps.push_back({'Q', false, true});
    steps.push_back({'Q', false, false});
  }
  steps.push_back({'Q', false, false});
  RunSteps(steps);
}

TEST(X11DesktopTest, TheProgramsKeysHaveTheirKeySymbols) {
  EXPECT_EQ(X11Desktop::KeySymFor(27), 0xff1bu);  // Escape
  EXPECT_EQ(X11Desktop::KeySymFor(17), 0xffe3u);  // Control_L
  EXPECT_EQ(X11Desktop::KeySymFor(67), 0x63u);    // c
  EXPECT_EQ(X11Desktop::KeySymFor(35), 0xff57u);  // End
  EXPECT_EQ(X11Desktop::KeySymFor(255), 0u);
}

TEST(WebBrowserTest, OnlyAChangedFragmentIsTheSameDocument) {
  const QUrl page("http://127.0.0.1:5/?hl=bg&tab=wT#bg|en|котка");
  EXPECT_TRUE(SameDocument(page, QUrl("http://127.0.0.1:5/?hl=bg&tab=wT#en|bg|dog")));
  EXPECT_FALSE(SameDocument(page, page)) << "the identical address loads the page again";
  EXPECT_FALSE(SameDocument(QUrl("http://127.0.0.1:5/"), page)) << "another query";
  EXPECT_FALSE(SameDocument(page, QUrl("http://127.0.0.1:5/?hl=bg&tab=wT")));
}

// ---- Pictures ----

TEST(ArtworkTest, EveryPictureOfTheLayoutsIsCarriedAtItsStatedSize) {
  App();
  const std::vector<Artwork> all = AllArtwork();
  ASSERT_GE(all.size(), 20u);
  for (const Artwork& artwork : all) {
    const QImage image(":/translator/" + artwork.file);
    ASSERT_FALSE(image.isNull()) << artwork.file.toStdString();
    EXPECT_EQ(image.width(), artwork.width) << artwork.file.toStdString();
    EXPECT_EQ(image.height(), artwork.height) << artwork.file.toStdString();
  }
}

TEST(ArtworkTest, LayoutFontsBecomeTheirPixelSizes) {
  App();
  EXPECT_EQ(ScreenFont({"MS Sans Serif", 8.25, true, 204}).pixelSize(), 11);
  EXPECT_EQ(ScreenFont({"MS Sans Serif", 9.75, false, 204}).pixelSize(), 13);
  EXPECT_EQ(ScreenFont({"MS Sans Serif", 13.5, true, 204}).pixelSize(), 18);
  EXPECT_TRUE(ScreenFont({"MS Sans Serif", 8.25, true, 204}).bold());
}

// ---- The windows as widgets ----

class BindingTest : public ::testing::Test {
 protected:
  BindingTest() {
    App();
    browsers.model.translations["bg|en|Старт"] = "Start";
    browsers.model.translations["bg|en|котка"] = "cat";
    binding.Attach(program.app());
    tray.SetWindowProcedure(
        [this](std::uint32_t w, std::uint32_t l) { program.tray().TrayWndProc(w, l); });
    binding.Deliver([this] { program.Start(); });
  }

  forms::Window& form1() { return *program.app().Find("Form1"); }
  QWidget* W(const char* control) { return binding.ControlWidget(form1(), control); }
  QWidget* Surface() { return binding.WindowWidget(form1()); }
  void Advance(forms::Millis ms) {
    forms::AdvanceTime(clock, program.app(), ms);
    binding.Schedule();
  }
  void PageLoaded() {
    binding.Deliver([this] { browsers.current->CompleteDocument(); });
    Advance(4000);
  }

  forms::ManualClock clock;
  testing::FakeBrowserFactory browsers{clock};
  testing::FakeVoiceFactory voices;
  testing::FakeClipboard clipboard;
  testing::FakeInputDevice input;
  FormsBinding binding{nullptr};
  TrayIconHost tray{binding, QIcon()};
  TranslatorProgram program{
      Platform{clock, forms::Screen{19200, 15360}, browsers, voices, clipboard, input, tray, 77},
      PageSource{"http://127.0.0.1:5000", true}};
};

TEST_F(BindingTest, Form1IsAFramelessTopmostToolWindowAtItsPixelSize) {
  QWidget* surface = Surface();
  ASSERT_NE(surface, nullptr);
  const Qt::WindowFlags flags = surface->windowFlags();
  EXPECT_TRUE(flags & Qt::FramelessWindowHint);
  EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool) << "no taskbar entry";
  EXPECT_TRUE(surface->isVisible());
  // 7245 x 3205 twips, centred on a 1280 x 1024 screen.
  EXPECT_EQ(surface->geometry(), QRect(399, 405, 483, 214));
}

TEST_F(BindingTest, ControlsSitAtTheirPlacesInTheirZOrder) {
  EXPECT_EQ(W("Text1")->geometry(), QRect(24, 88, 433, 57));
  EXPECT_EQ(W("Picture10")->geometry(), QRect(320, 48, 92, 23));
  EXPECT_EQ(W("Label11")->parentWidget(), W("Picture24")) << "a label lies in its row";
  EXPECT_EQ(static_cast<QPlainTextEdit*>(W("Text1"))->font().pixelSize(), 13);
  // Before the first page: the browser fills the screen, the banner and covers lie above it.
  EXPECT_EQ(W("WebBrowser1")->geometry(), QRect(0, 0, 1280, 1024));
  const QObjectList& stack = Surface()->children();
  auto level = [&](const char* name) { return stack.indexOf(W(name)); };
  EXPECT_GT(level("image1"), level("WebBrowser1"));
  EXPECT_GT(level("Picture13"), level("WebBrowser1"));
  EXPECT_GT(level("Picture2"), level("WebBrowser1")) << "the busy cover lies over the browser";
  EXPECT_GT(level("Picture4"), level("WebBrowser1"));
  EXPECT_LT(level("Picture5"), level("WebBrowser1")) << "the header image is windowless";
  EXPECT_LT(level("Label1"), level("Picture16")) << "labels lie beneath windowed controls";
  EXPECT_FALSE(W("Text1")->isVisible());
  EXPECT_TRUE(W("image1")->isVisible());
}

TEST_F(BindingTest, TheWorkingLayoutFollowsTheFirstPage) {
  PageLoaded();
  EXPECT_TRUE(W("Text1")->isVisible());
  EXPECT_FALSE(W("image1")->isVisible());
  EXPECT_EQ(W("WebBrowser1")->geometry(), QRect(461, 47, 49, 41));
}

TEST_F(BindingTest, TypingAndEnterInTheInputBoxSendTheRequest) {
  PageLoaded();
  QWidget* text1 = W("Text1");
  // Typed letter by letter, as the keyboard delivers them.
  for (const QChar letter : QString::fromUtf8("котка")) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(letter));
    QCoreApplication::sendEvent(text1, &press);
  }
  EXPECT_EQ(form1().control("Text1").text(), "котка");
  QTest::keyClick(text1, Qt::Key_Return);
  ASSERT_FALSE(browsers.current->navigations.empty());
  EXPECT_EQ(browsers.current->navigations.back(),
            "http://127.0.0.1:5000/?hl=bg&tab=wT#bg|en|котка");
  Advance(1600);
  EXPECT_EQ(form1().control("Text3").text(), "cat");
  EXPECT_EQ(static_cast<QPlainTextEdit*>(W("Text3"))->toPlainText(), "cat");
  EXPECT_TRUE(W("Text3")->isVisible());
}

TEST_F(BindingTest, AClickOnTheSettingsButtonUnfoldsThePane) {
  PageLoaded();
  QTest::mouseClick(W("Picture10"), Qt::LeftButton);
  EXPECT_EQ(form1().geometry().height, 6405);
  EXPECT_EQ(Surface()->height(), 427);
  QTest::mouseClick(W("Label5"), Qt::LeftButton);  // its caption does the same
  EXPECT_EQ(Surface()->height(), 214);
}

TEST_F(BindingTest, ThePressOnTheTrayIconReachesTheWindowProcedureThroughTheFilter) {
  tray.tray_available = [] { return true; };  // the offscreen platform has no tray host
  PageLoaded();
  QTest::mouseClick(W("Picture11"), Qt::LeftButton);  // the hide spot
  EXPECT_FALSE(Surface()->isVisible());
  ASSERT_EQ(tray.icons().size(), 1u);
  // Another id, or a release, changes nothing.
  TrayNotification other_icon(78, 0x201);
  TrayNotification release(77, 0x202);
  QCoreApplication::sendEvent(Surface(), &other_icon);
  QCoreApplication::sendEvent(Surface(), &release);
  binding.Schedule();
  EXPECT_FALSE(Surface()->isVisible());
  TrayNotification right_press(77, 0x204);
  QCoreApplication::sendEvent(Surface(), &right_press);
  binding.Schedule();
  EXPECT_TRUE(Surface()->isVisible());
}

TEST_F(BindingTest, ExitRemovesTheIconAndEndsTheProgram) {
  PageLoaded();
  bool ended = false;
  binding.on_program_ended = [&ended] { ended = true; };
  QTest::mouseClick(W("Picture1"), Qt::LeftButton);  // the exit spot
  EXPECT_TRUE(ended);
  EXPECT_TRUE(tray.icons().empty());
  EXPECT_EQ(binding.WindowWidget(0x10010), nullptr);
}

}  // namespace
}  // namespace brelvox::translator::qt
