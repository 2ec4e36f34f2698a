#include "engine/core/sound/portable_trig.h"

#include <gtest/gtest.h>

#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

// The nearest doubles to the true values (worked out to 300 bits). The first rows are window
// arguments on which the system libraries round differently from each other (and from the true
// value): near the zeros of cos, and a unit in the last place elsewhere.
TEST(PortableTrigTest, TheNearestDoubleOnEverySystem) {
  const struct {
    double x, cos, sin;
  } cases[] = {
      {kPi / 2, 6.123233995736766e-17, 1.0},
      {kPi * 13 / 26, -1.6081226496766366e-16, 1.0},
      {kPi * 11 / 58 + kPi, -0.8276889981568906, -0.5611870653623823},
      {kPi * 38 / 61, -0.37672789363518494, 0.926323968251495},
      {kPi * 43 / 61, -0.600214280548368, 0.7998392447397195},
      {kPi, -1.0, 1.2246467991473532e-16},
      {3 * kPi / 2, -1.8369701987210297e-16, -1.0},
      {0.0, 1.0, 0.0},
      {1e-300, 1.0, 1e-300},
      {-2.5, -0.8011436155469337, -0.5984721441039565},
      {-7.0, 0.7539022543433046, -0.6569865987187891},
      {1000.25, 0.3403228005740423, 0.9403086681560692},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PortableCos(c.x), c.cos) << c.x;
    EXPECT_EQ(PortableSin(c.x), c.sin) << c.x;
  }
}

}  // namespace
