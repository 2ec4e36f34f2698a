#include "programs/sd_brelvox/ssml_pieces.h"

#include <gtest/gtest.h>

namespace brelvox::speechd {

namespace {

using Kind = SpeechPiece::Kind;

TEST(SsmlPiecesTest, TextMarksBreaksAndSpelling) {
  SpeechPieces p;
  std::string error;
  ASSERT_TRUE(SsmlToPieces(
      "<speak>A &lt; B &amp; C &#x416; <mark name=\"m1\"/>две<break time=\"250ms\"/>"
      "<say-as interpret-as=\"characters\">аб</say-as><mark name=\"__spd_1\"/></speak>",
      &p, &error))
      << error;
  ASSERT_EQ(p.size(), 6u);
  EXPECT_EQ(p[0].kind, Kind::kText);
  EXPECT_EQ(p[0].text, "A < B & C Ж ");
  EXPECT_EQ(p[1].kind, Kind::kMark);
  EXPECT_EQ(p[1].text, "m1");
  EXPECT_EQ(p[2].text, "две");
  EXPECT_EQ(p[3].kind, Kind::kBreak);
  EXPECT_EQ(p[3].breakMs, 250);
  EXPECT_EQ(p[4].kind, Kind::kSpelled);
  EXPECT_EQ(p[4].text, "аб");
  EXPECT_EQ(p[5].text, "__spd_1");
}

TEST(SsmlPiecesTest, ProsodyNestsAndEndsWithItsElement) {
  SpeechPieces p;
  std::string error;
  ASSERT_TRUE(
      SsmlToPieces("<speak><prosody rate=\"200%\" pitch=\"+2st\" volume=\"50\">бързо "
                   "<prosody volume=\"50\" rate=\"fast\">тихо</prosody></prosody> нормално</speak>",
                   &p, &error));
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0].rate, 10);
  EXPECT_EQ(p[0].pitch, 4);
  EXPECT_EQ(p[0].volume, 50);
  EXPECT_EQ(p[1].rate, 10) << "clamped to the engine's range";
  EXPECT_EQ(p[1].volume, 25);
  EXPECT_EQ(p[2].rate, 0);
  EXPECT_EQ(p[2].volume, 100);
}

TEST(SsmlPiecesTest, MalformedSsmlIsRefusedWithAReason) {
  SpeechPieces p;
  std::string error;
  for (const char* bad : {"<speak>счупен <mark</speak>", "<speak><s>a</speak>", "<speak>a"}) {
    EXPECT_FALSE(SsmlToPieces(bad, &p, &error)) << bad;
    EXPECT_NE(error.find("not well-formed SSML"), std::string::npos);
  }
}

TEST(SsmlPiecesTest, ProsodyValues) {
  const struct {
    bool (*parse)(std::string_view, int*);
    const char* value;
    bool ok;
    int expected;
  } cases[] = {
      {ParseRate, "x-slow", true, -6},    {ParseRate, "50%", true, -10},
      {ParseRate, "+100%", true, 10},     {ParseRate, "1.5", true, 6},
      {ParseRate, "-100%", false, 0},     {ParseRate, "fastest", false, 0},
      {ParsePitch, "high", true, 4},      {ParsePitch, "-1st", true, -2},
      {ParsePitch, "+12.5%", true, 4},    {ParsePitch, "240Hz", true, 10},
      {ParsePitch, "2", false, 0},        {ParseVolume, "soft", true, 50},
      {ParseVolume, "+6dB", true, 200},   {ParseVolume, "-6dB", true, 50},
      {ParseVolume, "80", true, 80},      {ParseVolume, "-20", true, 80},
      {ParseVolume, "loud!", false, 0},   {ParseBreakTime, "2s", true, 2000},
      {ParseBreakTime, "15ms", true, 15}, {ParseBreakTime, "3", false, 0},
  };
  for (const auto& c : cases) {
    int out = 0;
    EXPECT_EQ(c.parse(c.value, &out), c.ok) << c.value;
    if (c.ok) {
      EXPECT_EQ(out, c.expected) << c.value;
    }
  }
}

}  // namespace

}  // namespace brelvox::speechd
