#include "translator/result_extraction.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace translator {
namespace {

const std::string kM = "</SPAN></SPAN></DIV>";

TEST(ResultExtractionTest, FindsTheTextBeforeTheSecondMarker) {
  struct Case {
    const char* what;
    std::string markup;
    std::optional<std::string> result;
  };
  const Case cases[] = {
      {"two markers", "<DIV><SPAN><SPAN>котка" + kM + "<DIV><SPAN><SPAN>cat" + kM, "cat"},
      {"three markers: the second counts", "<P>a" + kM + "<P>b" + kM + "<P>c" + kM, "b"},
      {"one marker", "<DIV><SPAN><SPAN>cat" + kM, std::nullopt},
      {"no marker", "<BODY>nothing</BODY>", std::nullopt},
      {"lower-case markers", "<div><span><span>a</span></span></div><p>b</span></span></div>",
       std::nullopt},
      {"inline closing tag before the marker", "<P>x" + kM + "<SPAN><SPAN><B>cat</B>" + kM, ""},
      {"no > before the second marker", kM + "cat" + kM, "cat"},
      {"markers back to back", kM + kM, ""},
      {"Cyrillic result", "<P>cat" + kM + "<SPAN>котка, мачка" + kM, "котка, мачка"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindResult(c.markup), c.result) << c.what;
}

TEST(ResultExtractionTest, NoGreaterThanBeforeTheSecondMarkerFindsNothing) {
  // The first marker carries ">" itself, so only text without it before the second counts.
  EXPECT_EQ(FindResult("cat</SPAN></SPAN></DIV"), std::nullopt);
}

TEST(ResultExtractionTest, CleaningSplitsPhrasesAndDropsOnlyAngleReferences) {
  EXPECT_EQ(CleanResult("cat <> pussy<>kitty"), "cat\r\npussy\r\nkitty");
  EXPECT_EQ(CleanResult("&lt;a&gt;"), "a");
  EXPECT_EQ(CleanResult("Tom &amp; Jerry &quot;&#39;"), "Tom &amp; Jerry &quot;&#39;");
  EXPECT_EQ(CleanResult("&lt;&gt;"), "");  // the references go after the "<>" pass
}

}  // namespace
}  // namespace translator
