// Segmentation of donor utterances, from made-up events: folding of glides, closures, mismatches.
#include <gtest/gtest.h>

#include "tools/voicebuild/segmentation.h"

namespace brelvox::voicebuild {

namespace {

DonorUtterance Utterance(std::vector<DonorEvent> events, std::vector<int16_t> samples) {
  return DonorUtterance{std::move(samples), std::move(events)};
}

std::vector<int16_t> Noise(size_t count) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i)
    samples[i] = static_cast<int16_t>(i % 2 == 0 ? 500 : -500);
  return samples;
}

TEST(Segmentation, FoldsPalatalisationAndInsertedGlidesButKeepsTheGlidePhoneme) {
  // t a D(= d ;) a i ; ' ... : "d" followed by ";" is one palatalised phoneme; "i" then ";" is the
  // glide phoneme when the carrier asks for it, and folded into the vowel otherwise.
  const DonorUtterance u = Utterance({{"t", 100},
                                      {"a", 300},
                                      {"d", 500},
                                      {";", 600},
                                      {"a", 700},
                                      {"i", 900},
                                      {";", 1000},
                                      {"a", 1100},
                                      {"_:", 1300},
                                      {"_", 1400}},
                                     Noise(1400));
  Segmentation s;
  std::string error;
  ASSERT_TRUE(SegmentUtterance("taDai'a", u, &s, &error)) << error;
  ASSERT_EQ(s.segments.size(), 7u);
  EXPECT_EQ(s.segments[2].phoneme, 'D');
  EXPECT_EQ(s.segments[2].start, 500);
  EXPECT_EQ(s.segments[2].end, 700);  // the glide's time belongs to the consonant
  EXPECT_EQ(s.segments[5].phoneme, '\'');
  EXPECT_EQ(s.segments[6].end, 1300);  // the last phoneme ends at the donor's pause

  ASSERT_TRUE(SegmentUtterance("taDaia", u, &s, &error)) << error;
  ASSERT_EQ(s.segments.size(), 6u);
  EXPECT_EQ(s.segments[4].end, 1100);  // inserted glide folded into the i
  ASSERT_EQ(s.notes.size(), 1u);
}

TEST(Segmentation, GivesTheSilentClosureToTheStopWithinLimits) {
  std::vector<int16_t> samples = Noise(3000);
  for (int i = 800; i < 1000; ++i)
    samples[static_cast<size_t>(i)] = 0;  // closure before the burst at 1000
  for (int i = 1200; i < 2800; ++i)
    samples[static_cast<size_t>(i)] = 0;  // a silence far longer than any closure
  const DonorUtterance u =
      Utterance({{"a", 0}, {"t", 1000}, {"a", 1100}, {"p", 2800}, {"a", 2900}}, samples);
  Segmentation s;
  std::string error;
  ASSERT_TRUE(SegmentUtterance("atapa", u, &s, &error)) << error;
  EXPECT_EQ(s.segments[0].end, 800);
  EXPECT_EQ(s.segments[1].start, 800);
  // The closure before p is capped, and never reaches into the previous phoneme's start.
  EXPECT_EQ(s.segments[3].start, 2800 - MaxClosureSamples(22050));
  EXPECT_EQ(s.segments[2].end, s.segments[3].start);
}

TEST(Segmentation, RefusesEventsThatDoNotMatchThePhonemes) {
  const DonorUtterance u = Utterance({{"t", 0}, {"a", 100}, {"_", 200}}, Noise(300));
  Segmentation s;
  std::string error;
  EXPECT_FALSE(SegmentUtterance("tat", u, &s, &error));
  EXPECT_NE(error.find("fewer"), std::string::npos);
  EXPECT_FALSE(SegmentUtterance("t", u, &s, &error));
  EXPECT_NE(error.find("more"), std::string::npos);
  // Two events at the same sample leave an empty phoneme.
  const DonorUtterance same = Utterance({{"l", 100}, {"v", 100}, {"a", 200}}, Noise(300));
  EXPECT_FALSE(SegmentUtterance("lwa", same, &s, &error));
}

}  // namespace

}  // namespace brelvox::voicebuild
