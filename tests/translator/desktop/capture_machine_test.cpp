// Capture of a double click or a right click in other programs, polled every 50 ms.
#include "translator/desktop/capture_machine.h"

#include <gtest/gtest.h>

#include "fakes/program_fixture.h"

namespace brelvox::translator::testing {
namespace {

using desktop::kVkLeftButton;
using desktop::kVkRightButton;

const std::vector<KeyEventRecord> kCopyKeys = {{27, 1}, {27, 3}, {17, 1},
                                               {67, 1}, {67, 3}, {17, 3}};

class CaptureTest : public ProgramTest {
 protected:
  // Capture mode on at time 0 of the test; the gesture timers poll at 50, 100, 150, ...
  void SetUp() override {
    StartReady();
    C("Check1").SetValue(1);
    clears_before = clipboard.clears;
  }

  // Presses (or releases) a button `ms` after the previous step.
  void PressAfter(int ms, int button) {
    Advance(ms);
    input.Press(button);
  }
  void ReleaseAfter(int ms, int button) {
    Advance(ms);
    input.Release(button);
  }
  desktop::CaptureMachine& machine() { return main().capture(); }

  int clears_before = 0;
};

TEST_F(CaptureTest, DoubleClickWithoutASelectionOwnerClearsTheClipboardAndCopies300MsLater) {
  PressAfter(10, kVkLeftButton);    // seen at 50
  ReleaseAfter(50, kVkLeftButton);  // 60; seen at 100
  PressAfter(60, kVkLeftButton);    // 120; seen at 150
  ReleaseAfter(10, kVkLeftButton);  // 130, before the poll: the press still counts
  Advance(20);
  EXPECT_TRUE(input.keys.empty());
  Advance(299);
  EXPECT_TRUE(input.keys.empty());
  Advance(1);
  EXPECT_EQ(clipboard.clears, clears_before + 1);
  EXPECT_EQ(input.keys, kCopyKeys);
  // Back at waiting for a first press.
  EXPECT_TRUE(T("Timer1111").enabled());
  for (const char* idle : {"Timer2222", "Timer3333", "Timer4444"}) {
    EXPECT_FALSE(T(idle).enabled()) << idle;
  }
  EXPECT_EQ(machine().PressFlag, 0);
}

TEST_F(CaptureTest, PressesMoreThan600MsApartStartANewGesture) {
  PressAfter(10, kVkLeftButton);    // seen at 50: the window runs to 650
  ReleaseAfter(50, kVkLeftButton);  // 60
  PressAfter(630, kVkLeftButton);   // 690; seen at 700
  Advance(10);
  EXPECT_EQ(clipboard.clears, clears_before);
  EXPECT_EQ(machine().PressFlag, 1);  // a new first press
  EXPECT_TRUE(T("Timer4444").enabled());
  EXPECT_TRUE(T("Timer3333").enabled());
  Advance(2000);
  EXPECT_TRUE(input.keys.empty());
}

TEST_F(CaptureTest, RightPressBeforeASelectionDoesNothing) {
  PressAfter(10, kVkRightButton);  // waiting for a first press
  ReleaseAfter(100, kVkRightButton);
  PressAfter(10, kVkLeftButton);   // 120; held
  PressAfter(10, kVkRightButton);  // while the first press is held
  Advance(100);
  ReleaseAfter(0, kVkRightButton);
  Advance(2000);
  EXPECT_TRUE(input.keys.empty());
  EXPECT_FALSE(T("TimerDesen").enabled());
}

TEST_F(CaptureTest, HeldRightButtonCopiesOnce500MsAfterItWasFirstSeen) {
  PressAfter(10, kVkLeftButton);    // the drag that selects: seen at 50
  ReleaseAfter(50, kVkLeftButton);  // 60; seen at 100
  PressAfter(80, kVkRightButton);   // 140; seen at 150, held over several polls
  Advance(10);
  EXPECT_TRUE(T("TimerDesen").enabled());
  Advance(300);  // 450: every poll saw it held; the copy is not postponed
  ReleaseAfter(0, kVkRightButton);
  Advance(199);  // 649
  EXPECT_TRUE(input.keys.empty());
  Advance(1);  // 650
  EXPECT_EQ(input.keys, kCopyKeys);
  EXPECT_EQ(clipboard.clears, clears_before);  // a right click does not clear
  Advance(2000);
  EXPECT_EQ(input.keys.size(), kCopyKeys.size());
  EXPECT_TRUE(T("Timer2222").enabled());  // still waiting for a left press
}

TEST_F(CaptureTest, LeftPressAfterARightClickWithinTheWindowCopiesAgain) {
  PressAfter(10, kVkLeftButton);    // seen at 50: the window runs to 650
  ReleaseAfter(50, kVkLeftButton);  // 60
  PressAfter(80, kVkRightButton);   // 140; seen at 150: copy at 650
  ReleaseAfter(20, kVkRightButton);
  PressAfter(30, kVkLeftButton);  // 190; seen at 200 as the second press of a double click
  ReleaseAfter(20, kVkLeftButton);
  Advance(290);  // 500: the double click's copy
  EXPECT_EQ(clipboard.clears, clears_before + 1);
  EXPECT_EQ(input.keys, kCopyKeys);
  Advance(150);  // 650: the right click's copy
  EXPECT_EQ(input.keys.size(), 2 * kCopyKeys.size());
}

TEST_F(CaptureTest, SwitchingOffWhileACopyIsPendingStillCopies) {
  PressAfter(10, kVkLeftButton);
  ReleaseAfter(50, kVkLeftButton);
  PressAfter(60, kVkLeftButton);
  Advance(30);  // 150: double click recognised, copy due at 450
  C("Check1").SetValue(0);
  Advance(300);
  EXPECT_EQ(input.keys, kCopyKeys);
  input.Press(kVkLeftButton);
  Advance(1000);
  EXPECT_EQ(input.keys.size(), kCopyKeys.size());  // and nothing more
}

TEST_F(CaptureTest, CopiedTextIsTranslatedByTheClipboardWatcher) {
  browsers.model.translations["en|bg|cat"] = "котка";
  PressAfter(10, kVkLeftButton);
  ReleaseAfter(50, kVkLeftButton);
  PressAfter(60, kVkLeftButton);
  Advance(330);            // the copy keys at 450
  clipboard.text = "cat";  // the other program answers Ctrl+C
  Advance(300 + 1500);
  EXPECT_EQ(C("Text3").text(), "котка");
}

// The selection as the desktop keeps it: what the capture takes instead of sending keys.
TEST_F(CaptureTest, TheDesktopsSelectionIsTakenWithoutKeysOrTheClipboard) {
  struct Case {
    const char* what;
    desktop::Selection selection;
    bool terminal;
    const char* taken;  // into the input box; null: nothing taken
    bool keys;
  };
  const Case cases[] = {
      {"a fresh selection", {true, true, "water"}, false, "water", false},
      {"a fresh selection in a terminal", {true, true, "river"}, true, "river", false},
      {"a selection made before the gesture", {true, false, "old"}, false, nullptr, false},
      {"an empty selection", {true, true, ""}, false, nullptr, false},
      {"no owner: the copy keys", {}, false, nullptr, true},
      {"no owner in a terminal: no Ctrl+C", {}, true, nullptr, false},
  };
  for (const Case& c : cases) {
    input.selection = c.selection;
    input.terminal = c.terminal;
    input.keys.clear();
    C("Text1").SetText("before");
    const int clears = clipboard.clears;
    PressAfter(10, kVkLeftButton);
    ReleaseAfter(50, kVkLeftButton);
    PressAfter(60, kVkLeftButton);
    ReleaseAfter(10, kVkLeftButton);
    Advance(400);
    EXPECT_EQ(C("Text1").text(), c.taken ? c.taken : "before") << c.what;
    if (c.taken) {
      EXPECT_EQ(browser().navigations.back(), Address(std::string("en|bg|") + c.taken)) << c.what;
    }
    EXPECT_EQ(input.keys, c.keys ? kCopyKeys : std::vector<KeyEventRecord>{}) << c.what;
    EXPECT_EQ(clipboard.clears, clears + (c.keys ? 1 : 0)) << c.what;
    Advance(4000);
  }
}

TEST_F(CaptureTest, ARightClickAfterAPlainLeftClickSendsNoEscape) {
  input.selection = desktop::Selection{true, false, "selected long ago"};
  PressAfter(10, kVkLeftButton);
  ReleaseAfter(50, kVkLeftButton);
  PressAfter(700, kVkRightButton);  // a context menu opens
  ReleaseAfter(50, kVkRightButton);
  Advance(1000);
  EXPECT_TRUE(input.keys.empty());
}

}  // namespace
}  // namespace brelvox::translator::testing
