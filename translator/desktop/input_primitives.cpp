#include "translator/desktop/input_primitives.h"

#include <cmath>
#include <limits>

namespace brelvox::translator::desktop {
namespace {

// Nearest 32-bit integer, halves to the even neighbour; out-of-range values saturate.
std::int32_t RoundHalfEven(double value) {
  const double rounded = std::nearbyint(value);  // default rounding mode: to nearest, ties even
  if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (rounded <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(rounded);
}

std::int16_t ToInt16(int value) {
  if (value > std::numeric_limits<std::int16_t>::max())
    return std::numeric_limits<std::int16_t>::max();
  if (value < std::numeric_limits<std::int16_t>::min())
    return std::numeric_limits<std::int16_t>::min();
  return static_cast<std::int16_t>(value);
}

}  // namespace

int NormalisedToPixel(std::int32_t normalised, int extent_px) {
  if (extent_px <= 0) return 0;
  return static_cast<int>(std::lround(static_cast<double>(normalised) * extent_px / 65535.0));
}

InputPrimitives::Absolute InputPrimitives::ToAbsolute(double x_px, double y_px) const {
  const forms::Screen& screen = app_.screen();
  // 65535 over the screen's size in pixels, the size taken as twips divided by 15.
  const double sx = screen.width > 0 ? 65535.0 / screen.width * forms::kTwipsPerPixel : 0.0;
  const double sy = screen.height > 0 ? 65535.0 / screen.height * forms::kTwipsPerPixel : 0.0;
  const float ax = static_cast<float>(sx * x_px);
  const float ay = static_cast<float>(sy * y_px);
  return {RoundHalfEven(ax), RoundHalfEven(ay)};
}

void InputPrimitives::ClickAt() {
  const Absolute at = ToAbsolute(ClickTargetX, ClickTargetY);
  device_.MouseEvent(kMouseAbsolute | kMouseMove | kMouseLeftDown | kMouseLeftUp, at.x, at.y);
}

void InputPrimitives::RestoreCursor() {
  const Absolute at = ToAbsolute(CursorX, CursorY);
  device_.MouseEvent(kMouseAbsolute | kMouseMove, at.x, at.y);
}

void InputPrimitives::SaveCursorPos() {
  const CursorPoint point = device_.CursorPosition();
  CursorX = ToInt16(point.x);
  CursorY = ToInt16(point.y);
}

}  // namespace brelvox::translator::desktop
