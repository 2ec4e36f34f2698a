#include "translator/pronunciation.h"

#include <gtest/gtest.h>

namespace brelvox::translator {
namespace {

TEST(PronunciationTest, ListenClickDelayRowsAtTheirBoundaries) {
  struct Case {
    bool bulgarian_source;
    bool speech_on;
    std::size_t length;
    int delay;
  };
  const Case cases[] = {
      // English source: length of the Bulgarian result.
      {false, true, 0, 1500},
      {false, true, 15, 1500},
      {false, true, 16, 2000},
      {false, true, 25, 2000},
      {false, true, 26, 2500},
      {false, true, 36, 3000},
      {false, true, 51, 3500},
      {false, true, 66, 4000},
      {false, true, 75, 4000},
      {false, true, 76, 6500},
      {false, false, 99, 1500},
      // Bulgarian source: length of the request.
      {true, true, 0, 750},
      {true, true, 10, 750},
      {true, true, 11, 1500},
      {true, true, 15, 1500},
      {true, true, 16, 2500},
      {true, true, 35, 2500},
      {true, true, 36, 3500},
      {true, true, 51, 4500},
      {true, true, 75, 4500},
      {true, true, 76, 5500},
      {true, false, 99, 10},
      {true, false, 0, 10},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ListenClickDelay(c.bulgarian_source, c.speech_on, c.length), c.delay)
        << c.bulgarian_source << " " << c.speech_on << " " << c.length;
  }
}

TEST(PronunciationTest, RateFromTheCaptionRoundsHalvesToEven) {
  EXPECT_EQ(SpeechRateFromCaption("47"), 0);   // -0.3
  EXPECT_EQ(SpeechRateFromCaption("45"), 0);   // -0.5 goes to the even 0
  EXPECT_EQ(SpeechRateFromCaption("35"), -2);  // -1.5 goes to -2
  EXPECT_EQ(SpeechRateFromCaption("100"), 5);
  EXPECT_EQ(SpeechRateFromCaption("0"), -5);
  EXPECT_EQ(SpeechRateFromCaption(""), std::nullopt);
  EXPECT_EQ(SpeechRateFromCaption("fast"), std::nullopt);
  EXPECT_EQ(SpeechRateFromCaption("1000"), std::nullopt);  // 95: no voice takes it
}

}  // namespace
}  // namespace brelvox::translator
