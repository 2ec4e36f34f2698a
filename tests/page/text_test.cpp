#include "page/text.h"

#include <gtest/gtest.h>

namespace brelvox::page {
namespace {

TEST(PageText, FoldKeyIgnoresCaseStressAndExtraSpace) {
  const struct {
    const char* in;
    const char* key;
  } cases[] = {
      {"Ко́тка", "котка"},
      {"КО́ТКА", "котка"},
      {"  Go   Away\t", "go away"},
      {"ЁЖ Ѝ", "ёж ѝ"},
      {"Ђ Ѐ", "ђ ѐ"},
      {"ÀÉÎ", "àéî"},
      {"", ""},
      {"\xCC\x81", ""},
      {"Straße", "straße"},
      // A grave accent marks stress as the acute does; ѝ and ѐ alone are words of their own.
      {"лепѝло", "лепило"},
      {"ПРЕДИЗВЍКАМ", "предизвикам"},
      {"сѐ ѝ", "сѐ ѝ"},
      {"те\xCC\x80", "те"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FoldKey(c.in), c.key) << c.in;
}

TEST(PageText, CutRequestCountsUtf16UnitsAndNeverSplitsACharacter) {
  bool cut = true;
  EXPECT_EQ(CutRequest(std::string(99, 'a'), &cut), std::string(99, 'a'));
  EXPECT_FALSE(cut);
  EXPECT_EQ(CutRequest(std::string(120, 'a'), &cut), std::string(99, 'a'));
  EXPECT_TRUE(cut);

  std::string cyrillic;
  for (int i = 0; i < 120; ++i)
    cyrillic += "ж";  // two bytes, one unit each
  EXPECT_EQ(CutRequest(cyrillic, &cut).size(), 99u * 2);
  EXPECT_TRUE(cut);

  // 98 letters and an emoji (two UTF-16 units): the emoji would be split, so it goes whole.
  const std::string emoji = std::string(98, 'a') + "\xF0\x9F\x98\x80";
  EXPECT_EQ(CutRequest(emoji, &cut), std::string(98, 'a'));
  EXPECT_TRUE(cut);

  // A stress mark is a character of its own.
  std::string stressed;
  for (int i = 0; i < 50; ++i)
    stressed += "а\xCC\x81";
  EXPECT_EQ(DecodeUtf8(CutRequest(stressed, &cut)).size(), 99u);
}

TEST(PageText, Utf8ValidationRejectsMalformedInput) {
  EXPECT_TRUE(IsValidUtf8("котка cat"));
  for (const char* bad : {"\xFF", "\xC0\xAF", "\xE2\x82", "\xED\xA0\x80", "a\x80"}) {
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
  }
  EXPECT_EQ(DecodeUtf8("a\xFF"), (std::u32string{U'a', 0xFFFD}));
}

TEST(PageText, TokenizeKeepsTheTextBetweenWords) {
  const auto tokens = Tokenize("Ко́тката, don't 3 ей-така!");
  std::vector<std::pair<std::string, bool>> got;
  for (const auto& t : tokens)
    got.emplace_back(t.text, t.is_word);
  const std::vector<std::pair<std::string, bool>> want = {{"Ко́тката", true}, {", ", false},
                                                          {"don't", true},   {" 3 ", false},
                                                          {"ей-така", true}, {"!", false}};
  EXPECT_EQ(got, want);
  std::string joined;
  for (const auto& t : tokens)
    joined += t.text;
  EXPECT_EQ(joined, "Ко́тката, don't 3 ей-така!");
}

TEST(PageText, Capitalization) {
  EXPECT_TRUE(IsCapitalized("Котка"));
  EXPECT_TRUE(IsCapitalized("A"));
  EXPECT_FALSE(IsCapitalized("NASA"));
  EXPECT_FALSE(IsCapitalized("котка"));
  EXPECT_EQ(CapitalizeFirst("ко́тка"), "Ко́тка");
  EXPECT_EQ(CapitalizeFirst("cat"), "Cat");
}

}  // namespace
}  // namespace brelvox::page
