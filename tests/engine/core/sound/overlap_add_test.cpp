#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "engine/core/sound/overlap_add.h"
#include "engine/core/sound/portable_trig.h"
#include "tests/support/test_voices.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace {

double Rising(int32_t i, int32_t n) {
  return 0.54 - 0.46 * PortableCos(std::numbers::pi * i / n);
}
double Falling(int32_t i, int32_t m) {
  return 0.54 - 0.46 * PortableCos(std::numbers::pi * i / m + std::numbers::pi);
}

struct TableHolder {
  explicit TableHolder(int32_t length) { BuildWindowTable(&table, length); }
  ~TableHolder() { FreeWindowTable(&table); }
  WindowTable table{};
};

std::vector<int16_t> Ramp(int32_t n) {
  std::vector<int16_t> v(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i)
    v[static_cast<size_t>(i)] = static_cast<int16_t>(i + 1);
  return v;
}

TEST(WindowFrameTest, PadsAShortLeftPartAndPutsTheMarkAtTheTargetLeft) {
  TableHolder t(64);
  const std::vector<int16_t> source = Ramp(20);  // 5 before the mark, the mark holds 6
  std::vector<double> frame(32, -1.0);
  const int32_t length = WindowFrame(t.table, source.data(), frame.data(), 5, 10, 8, 10);
  EXPECT_EQ(length, 18);
  EXPECT_EQ(frame[0], 0.0);
  EXPECT_EQ(frame[2], 0.0);
  EXPECT_DOUBLE_EQ(frame[3], 0.08 * 1) << "the rising half starts at weight 0.08";
  EXPECT_EQ(frame[8], 1.0 * 6) << "the falling half starts at weight 1.0, on the mark";
  EXPECT_EQ(frame[9], Falling(1, 10) * 7);
}

TEST(WindowFrameTest, CutsALongLeftPartAndEndsEarlyOnAShortRightPart) {
  TableHolder t(64);
  const std::vector<int16_t> source = Ramp(30);
  std::vector<double> frame(64, -1.0);
  // Source left 8, target left 5: the first 3 source samples are skipped.
  EXPECT_EQ(WindowFrame(t.table, source.data(), frame.data(), 8, 10, 5, 6), 5 + 6);
  EXPECT_DOUBLE_EQ(frame[0], 0.08 * 4);
  EXPECT_EQ(frame[5], 1.0 * 9);
  EXPECT_EQ(frame[10], Falling(5, 6) * 14);
  // Source right 4, target right 6: the frame ends after the 4 source samples.
  EXPECT_EQ(WindowFrame(t.table, source.data(), frame.data(), 8, 4, 8, 6), 8 + 4);
}

TEST(WindowFrameTest, EverySampleIsBitIdenticalToTheFormula) {
  TableHolder t(64);  // lengths above 64 take the per-sample path
  std::vector<int16_t> source(400);
  for (size_t i = 0; i < source.size(); ++i) {
    source[i] = static_cast<int16_t>(std::lround(20000 * std::sin(0.37 * static_cast<double>(i))));
  }
  std::vector<double> frame(400);
  for (int32_t n : {1, 2, 3, 17, 63, 64, 65, 150}) {
    for (int32_t m : {1, 5, 64, 65, 190}) {
      WindowFrame(t.table, source.data(), frame.data(), n, m, n, m);
      for (int32_t i = 0; i < n; ++i) {
        ASSERT_EQ(frame[static_cast<size_t>(i)], Rising(i, n) * source[static_cast<size_t>(i)])
            << "n=" << n << " i=" << i;
      }
      for (int32_t i = 0; i < m; ++i) {
        ASSERT_EQ(frame[static_cast<size_t>(n + i)],
                  Falling(i, m) * source[static_cast<size_t>(n + i)])
            << "m=" << m << " i=" << i;
      }
    }
  }
}

TEST(ConvertToPcmTest, TruncatesAndClipsSymmetrically) {
  const struct {
    double mix, gain;
    int16_t pcm;
  } cases[] = {{32767.9, 1, 32767}, {32768, 1, 32767},     {1e12, 1, 32767},
               {-32768, 1, -32767}, {-32767.5, 1, -32767}, {-1e12, 1, -32767},
               {1.9, 1, 1},         {-1.9, 1, -1},         {65535, 0.5, 32767},
               {-40000, 0, 0},      {200, 0.01, 2},        {std::nan(""), 1, -32767}};
  for (const auto& c : cases) {
    // 19 samples: two blocks of eight and a tail of three one at a time.
    const std::vector<double> mix(19, c.mix);
    std::vector<int16_t> out(20, 123);
    ConvertToPcm(mix.data(), out.data(), 19, c.gain);
    std::vector<int16_t> expected(19, c.pcm);
    expected.push_back(123);  // nothing written past the count
    EXPECT_EQ(out, expected) << c.mix << " x " << c.gain;
  }
}

TEST(WindowIntoMixTest, AddsTheSameSumsAsWindowingThenMixing) {
  TableHolder t(64);  // halves above 64 go through the frame buffer
  std::vector<int16_t> source(400);
  for (size_t i = 0; i < source.size(); ++i)
    source[i] = static_cast<int16_t>(std::lround(9000 * std::cos(0.21 * static_cast<double>(i))));
  const struct {
    int32_t a, b, c, e, position;
  } cases[] = {{20, 30, 20, 30, 10},  {5, 30, 12, 30, 40},  {40, 10, 12, 30, 5},
               {20, 30, 20, 30, -25}, {20, 30, 20, 30, 90}, {100, 70, 80, 90, 0},
               {0, 30, 4, 30, 3},     {20, 0, 20, 9, 50}};
  for (const auto& c : cases) {
    std::vector<double> expected(120, 0.5);
    std::vector<double> frame(400);
    const int32_t length = WindowFrame(t.table, source.data(), frame.data(), c.a, c.b, c.c, c.e);
    const int32_t end = MixFrame(expected.data(), 120, frame.data(), length, c.position, 1.0);
    std::vector<double> mix(120, 0.5);
    std::vector<double> scratch(400);
    EXPECT_EQ(WindowIntoMix(t.table, source.data(), c.a, c.b, c.c, c.e, scratch.data(), mix.data(),
                            120, c.position),
              end);
    EXPECT_EQ(mix, expected) << c.a << " " << c.b << " " << c.c << " " << c.e << " at "
                             << c.position;
  }
}

TEST(MixFrameTest, AddsWithWeightAndDropsWhatFallsOutsideTheBuffer) {
  std::vector<double> mix(10, 1.0);
  const std::vector<double> frame = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(MixFrame(mix.data(), 10, frame.data(), 6, -3, 2.0), 3);
  EXPECT_EQ(MixFrame(mix.data(), 10, frame.data(), 6, 7, 1.0), 13);
  EXPECT_EQ(mix, (std::vector<double>{9, 11, 13, 1, 1, 1, 1, 2, 3, 4}));
  EXPECT_EQ(MixFrame(mix.data(), 10, frame.data(), 6, 50, 1.0), 56);
  EXPECT_EQ(MixFrame(mix.data(), 10, frame.data(), 6, -50, 1.0), -44);
}

TEST(JunctionDifferenceTest, AlignsBothWindowsAtTheirMarks) {
  const std::vector<int16_t> previous = {1, 2, 3, 4, 5, 60, 70, 80, 90};      // a 5, b 4
  const std::vector<int16_t> current = {10, 20, 30, 40, 50, 60, 70, 80, 90};  // c 3, d 6
  std::vector<double> delta(16, 0.0);
  const JunctionSpan span =
      JunctionDifference(previous.data(), 5, 4, current.data(), 3, 6, delta.data());
  EXPECT_EQ(span.left, 3);
  EXPECT_EQ(span.right, 4);
  // previous from index 2 (3, 4, 5 | 60 ...) against current from index 0 (10, 20, 30 | 40 ...)
  EXPECT_EQ(delta, (std::vector<double>{-7, -16, -25, 20, 20, 20, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

class JunctionSmoothingTest : public testing::Test {
 protected:
  JunctionSmoothingTest() : loaded_(MakeImpulseVoice({})) {
    previousSamples_[50] = 1000;  // the previous window differs by one impulse on its mark
  }
  int32_t Period(int32_t j, bool smoothing, int32_t centre) {
    const PreviousFrame previous{previousSamples_.data(), 50, 50, 5, 100.0, 0.0};
    const PeriodWindow window{silence_.data(), 50, 50};
    return SynthesizePeriod(loaded_.voice, previous, junction_, j, 100, 100, window, smoothing,
                            centre);
  }
  const double* Mix() const { return loaded_.voice.mixBuffer; }

  LoadedVoice loaded_;
  std::vector<int16_t> previousSamples_ = std::vector<int16_t>(100, 0);
  std::vector<int16_t> silence_ = std::vector<int16_t>(100, 0);
  JunctionSpan junction_{0, 0};
};

TEST_F(JunctionSmoothingTest, SpreadsTheDifferenceWithFallingWeightsOnBothSides) {
  ASSERT_TRUE(loaded_.loaded);
  // The fill level ends where the frame ends: the mark plus the 50 samples of the source's right.
  EXPECT_EQ(Period(0, true, 1000), 1050);
  EXPECT_EQ(Period(1, true, 1100), 1150);
  Period(2, true, 1200);
  std::vector<int32_t> touched;
  for (int32_t i = 0; i < loaded_.voice.bufferLength; ++i) {
    if (Mix()[i] != 0.0) touched.push_back(i);
  }
  EXPECT_EQ(touched, (std::vector<int32_t>{800, 900, 1000, 1100}));
  EXPECT_EQ(Mix()[900], -0.375 * 1000) << "last period of the previous unit";
  EXPECT_EQ(Mix()[800], -0.125 * 1000);
  EXPECT_EQ(Mix()[1000], 0.375 * 1000) << "first period of the new unit";
  EXPECT_EQ(Mix()[1100], 0.125 * 1000);
}

TEST_F(JunctionSmoothingTest, NothingIsComputedWithoutSmoothingOrAPreviousFrame) {
  Period(0, false, 1000);
  Period(1, false, 1100);
  const PeriodWindow window{silence_.data(), 50, 50};
  SynthesizePeriod(loaded_.voice, PreviousFrame{}, junction_, 0, 100, 100, window, true, 1000);
  for (int32_t i = 0; i < loaded_.voice.bufferLength; ++i)
    ASSERT_EQ(Mix()[i], 0.0) << i;
  EXPECT_EQ(junction_.left + junction_.right, 0);
}

}  // namespace
