#include "translator/forms/text.h"

#include <gtest/gtest.h>

namespace brelvox::translator::forms {
namespace {

TEST(TextTest, CountsAndCutsCharactersNotBytes) {
  EXPECT_EQ(CharCount("котка"), 5u);
  EXPECT_EQ(CharCount("a\xF0\x9F\x98\x80z"), 3u);  // a four-byte character counts once
  EXPECT_EQ(LeftChars("котка", 3), "кот");
  EXPECT_EQ(LeftChars("кот", 99), "кот");
  EXPECT_EQ(LeftChars("", 5), "");
}

TEST(TextTest, MalformedBytesCountOneEachAndAreNeverSplit) {
  const std::string bad = "a\xD0\xFF\xE2\x82";  // a truncated and a broken sequence
  EXPECT_EQ(CharCount(bad), 5u);
  EXPECT_EQ(LeftChars(bad, 2), "a\xD0");
  std::size_t length = 0;
  EXPECT_EQ(DecodeChar("\xC0\x80", 0, length), 0xC0u);  // overlong form
  EXPECT_EQ(length, 1u);
}

TEST(TextTest, ReplaceAllDoesNotRescanItsOwnOutput) {
  EXPECT_EQ(ReplaceAll("a <> b<>c", " <> ", "\r\n"), "a\r\nb<>c");
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

}  // namespace
}  // namespace brelvox::translator::forms
