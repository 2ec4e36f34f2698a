#include "translator/desktop/window_drag.h"

#include <gtest/gtest.h>

#include "fakes/program_fixture.h"

namespace brelvox::translator::testing {
namespace {

using forms::MouseButton;

class DragTest : public ProgramTest {
 protected:
  void SetUp() override { StartReady(); }
};

TEST_F(DragTest, TheWindowFollowsTheCursorEvery50MsUntilTheRelease) {
  const forms::Geometry start = form1().geometry();
  input.cursor = {800, 450};
  C("Picture5").MouseDown(MouseButton::kLeft);
  EXPECT_EQ(main().drag().DragOffsetX, 800 * 15 - start.left);
  EXPECT_EQ(main().drag().DragOffsetY, 450 * 15 - start.top);
  input.cursor = {900, 400};
  Advance(49);
  EXPECT_EQ(form1().geometry().left, start.left);  // lags up to one tick
  Advance(1);
  EXPECT_EQ(form1().geometry().left, start.left + 1500);
  EXPECT_EQ(form1().geometry().top, start.top - 750);
  C("Picture5").MouseUp(MouseButton::kLeft);
  input.cursor = {0, 0};
  Advance(500);
  EXPECT_EQ(form1().geometry().left, start.left + 1500);  // stays at the last tick's place
}

TEST_F(DragTest, EveryHandleAndEveryButtonDragsAndNothingKeepsTheWindowOnScreen) {
  for (const char* handle : {"Picture21", "Label1", "Label2", "Label4", "Label7", "Label8"}) {
    const forms::Geometry start = form1().geometry();
    input.cursor = {500, 500};
    C(handle).MouseDown(MouseButton::kRight);
    input.cursor = {0, 0};
    Advance(50);
    C(handle).MouseUp(MouseButton::kRight);
    EXPECT_EQ(form1().geometry().left, start.left - 7500) << handle;
    EXPECT_EQ(form1().geometry().top, start.top - 7500) << handle;
  }
  EXPECT_LT(form1().geometry().left, 0);
}

TEST_F(DragTest, PressAndReleaseOnTheSurfaceWithoutMovingLeavesTheWindow) {
  const forms::Geometry start = form1().geometry();
  input.cursor = {1000, 500};
  form1().MouseDown(MouseButton::kMiddle);
  Advance(200);
  form1().MouseUp(MouseButton::kMiddle);
  EXPECT_EQ(form1().geometry(), start);
  EXPECT_FALSE(T("Timer7").enabled());
}

}  // namespace
}  // namespace brelvox::translator::testing
