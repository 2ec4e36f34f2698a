#include "translator/page_source.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace brelvox::translator {
namespace {

TEST(PageSourceTest, AddressesCarryDirectionAndTextUnescaped) {
  const PageSource source{"http://127.0.0.1:5000", true};
  EXPECT_EQ(HomeAddress(source), "http://127.0.0.1:5000/");
  EXPECT_EQ(PageAddress(source, kBulgarianToEnglish, "бяла котка"),
            "http://127.0.0.1:5000/?hl=bg&tab=wT#bg|en|бяла котка");
  EXPECT_EQ(PageAddress(source, kEnglishPronunciation, "a&b #c"),
            "http://127.0.0.1:5000/?hl=bg&tab=wT#en|en|a&b #c");
}

TEST(PageSourceTest, TextsNameTheSourceInUse) {
  const desktop::SourceTexts local = DescribeSource({"http://127.0.0.1:40123", true});
  EXPECT_NE(local.label4.find("без връзка с Интернет"), std::string::npos);
  EXPECT_EQ(local.caption.find("Google"), std::string::npos);
  const desktop::SourceTexts remote = DescribeSource({"http://dict.example.org:8080", false});
  EXPECT_NE(remote.caption.find("dict.example.org:8080"), std::string::npos);
  EXPECT_NE(remote.label4.find("dict.example.org:8080"), std::string::npos);
}

TEST(PageSourceTest, CommandLine) {
  auto page = ParseCommandLine({"--page", "http://h:1"});
  ASSERT_TRUE(page.command_line);
  EXPECT_EQ(page.command_line->page, "http://h:1");
  EXPECT_EQ(ParseCommandLine({"--page=http://h:2"}).command_line->page, "http://h:2");
  EXPECT_TRUE(ParseCommandLine({"--help"}).command_line->help);
  EXPECT_FALSE(ParseCommandLine({}).command_line->page);

  auto missing = ParseCommandLine({"--page"});
  EXPECT_FALSE(missing.command_line);
  EXPECT_NE(missing.error.find("--page needs an address"), std::string::npos);
  auto unknown = ParseCommandLine({"--frobnicate"});
  EXPECT_FALSE(unknown.command_line);
  EXPECT_NE(unknown.error.find("--frobnicate"), std::string::npos);
}

TEST(PageSourceTest, ResolvingTheSource) {
  int starts = 0;
  auto service = [&](std::string&) -> std::optional<std::string> {
    ++starts;
    return "http://127.0.0.1:40123/";
  };
  PageSourceResult local = ResolvePageSource(CommandLine{}, service);
  ASSERT_TRUE(local.source);
  EXPECT_EQ(local.source->base_address, "http://127.0.0.1:40123");
  EXPECT_TRUE(local.source->local_service);

  PageSourceResult given = ResolvePageSource(CommandLine{"http://h:8080/", false}, service);
  ASSERT_TRUE(given.source);
  EXPECT_EQ(given.source->base_address, "http://h:8080");
  EXPECT_FALSE(given.source->local_service);
  EXPECT_EQ(starts, 1);  // a given page starts no service

  for (const char* bad : {"ftp://h", "h:8080", "http://", "http://h/?q=1", "http://h/#x"}) {
    PageSourceResult refused = ResolvePageSource(CommandLine{bad, false}, service);
    EXPECT_FALSE(refused.source) << bad;
    EXPECT_NE(refused.error.find(bad), std::string::npos) << refused.error;
  }
  PageSourceResult down =
      ResolvePageSource(CommandLine{}, [](std::string&) { return std::nullopt; });
  EXPECT_FALSE(down.source);
  EXPECT_NE(down.error.find("--page"), std::string::npos);
  PageSourceResult told = ResolvePageSource(CommandLine{}, [](std::string& error) {
    error = "The dictionary is missing; build it first.";
    return std::nullopt;
  });
  EXPECT_EQ(told.error, "The dictionary is missing; build it first.");
}

}  // namespace
}  // namespace brelvox::translator
