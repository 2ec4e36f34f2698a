#include "translator/desktop/input_primitives.h"

#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "translator/forms/forms_app.h"

namespace brelvox::translator::desktop {
namespace {

using testing::FakeInputDevice;
using testing::KeyEventRecord;
using testing::MouseEventRecord;

class InputPrimitivesTest : public ::testing::Test {
 protected:
  forms::ManualClock clock;
  forms::FormsApp app{clock, forms::Screen{28800, 16200}};  // 1920 x 1080 pixels
  FakeInputDevice device;
  InputPrimitives input{device, app};
};

TEST_F(InputPrimitivesTest, ClickAtSendsNormalisedCoordinatesRoundedHalfToEven) {
  const struct {
    float x, y;
    std::int32_t ax, ay;
  } cases[] = {
      {960, 540, 32768, 32768},  // 32767.5 each before rounding
      {0, 0, 0, 0},
      {1919, 1079, 65501, 65474},
  };
  for (const auto& c : cases) {
    input.ClickTargetX = c.x;
    input.ClickTargetY = c.y;
    input.ClickAt();
    EXPECT_EQ(device.mouse.back(), (MouseEventRecord{0x8007, c.ax, c.ay})) << c.x << "," << c.y;
  }
}

TEST_F(InputPrimitivesTest, EveryPixelComesBackAsItself) {
  for (int x = 0; x < 1920; ++x) {
    ASSERT_EQ(NormalisedToPixel(input.ToAbsolute(x, 0).x, 1920), x);
  }
  for (int y = 0; y < 1080; ++y) {
    ASSERT_EQ(NormalisedToPixel(input.ToAbsolute(0, y).y, 1080), y);
  }
}

TEST_F(InputPrimitivesTest, RestoreCursorMovesBackWithoutAClick) {
  input.RestoreCursor();  // nothing saved yet: the top-left corner
  EXPECT_EQ(device.mouse.back(), (MouseEventRecord{0x8001, 0, 0}));
  device.cursor = {960, 540};
  input.SaveCursorPos();
  input.RestoreCursor();
  EXPECT_EQ(device.mouse.back(), (MouseEventRecord{0x8001, 32768, 32768}));
}

TEST_F(InputPrimitivesTest, KeysAlwaysCarryTheExtendedFlag) {
  input.PressKey(27);
  input.ReleaseKey(27);
  input.PressKey(0x1FF);  // only the low byte is a key code
  EXPECT_EQ(device.keys, (std::vector<KeyEventRecord>{{27, 1}, {27, 3}, {0xFF, 1}}));
}

TEST_F(InputPrimitivesTest, CursorOutsideTheShortRangeIsClamped) {
  device.cursor = {40000, -40000};
  input.SaveCursorPos();
  EXPECT_EQ(input.CursorX, 32767);
  EXPECT_EQ(input.CursorY, -32768);
}

}  // namespace
}  // namespace brelvox::translator::desktop
