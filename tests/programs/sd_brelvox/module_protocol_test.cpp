#include "programs/sd_brelvox/module_protocol.h"

#include <gtest/gtest.h>

namespace brelvox::speechd {

namespace {

TEST(ModuleProtocolTest, AudioBytesAreEscapedAndComeBack) {
  const struct {
    std::string raw, escaped;
  } cases[] = {
      {"\x0a", "\x7d\x2a"},
      {"\x7d", "\x7d\x5d"},
      {std::string("a\x0a\x7d\0b", 5), std::string("a\x7d\x2a\x7d\x5d\0b", 7)},
      {"\x2a\x5d", "\x2a\x5d"},  // the escaped forms themselves pass as they are
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EscapeAudio(c.raw.data(), c.raw.size()), c.escaped);
    EXPECT_EQ(UnescapeAudio(c.escaped), c.raw);
  }
  EXPECT_EQ(UnescapeAudio("ab\x7d"), std::nullopt) << "an escape cut off at the end";
}

TEST(ModuleProtocolTest, AudioEventCarriesTheSamplesAfterANulByte) {
  const int16_t samples[] = {0x0A7D, -1};
  const std::string event = AudioEvent(samples, 2, 22050);
  const std::string head =
      "705-bits=16\n705-num_channels=1\n705-sample_rate=22050\n705-num_samples=2\n"
      "705-big_endian=0\n705-AUDIO";
  ASSERT_EQ(event.substr(0, head.size()), head);
  EXPECT_EQ(event.substr(head.size()), std::string("\0\x7d\x5d\x7d\x2a\xff\xff\n705 AUDIO\n", 18));
}

TEST(ModuleProtocolTest, LinesOfBlocksAndMessages) {
  EXPECT_EQ(ParseSettingLine("rate=-20"), std::make_pair(std::string("rate"), std::string("-20")));
  EXPECT_EQ(ParseSettingLine("synthesis_voice=A=B")->second, "A=B");
  EXPECT_EQ(ParseSettingLine("no value"), std::nullopt);
  EXPECT_EQ(ParseSettingLine("=x"), std::nullopt);
  EXPECT_EQ(UnstuffLine("..<mark name=\"__spd_1\"/>"), ".<mark name=\"__spd_1\"/>");
  EXPECT_EQ(UnstuffLine(".x"), ".x");
  EXPECT_EQ(MarkEvent("m1"), "700-m1\n700 INDEX MARK\n");
  EXPECT_EQ(MarkEvent("a\nb\r"), "700-a b \n700 INDEX MARK\n");
}

}  // namespace

}  // namespace brelvox::speechd
