#include "translator/result_extraction.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace brelvox::translator {
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

TEST(ResultExtractionTest, CleaningPutsEachTranslationOnItsOwnLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"cat <> pussy<>kitty", "cat\r\npussy\r\nkitty"},  // as the page writes it
      // as a browser serialises the page's text: the separator's "<" and ">" as references
      {"ко́тка &lt;&gt; ко́те &lt;&gt; котара́к", "ко́тка\r\nко́те\r\nкотара́к"},
      {"cat&lt;&gt;kitty", "cat\r\nkitty"},
      {"&lt;a&gt;", "a"},  // other angle references are dropped
  };
  for (const auto& [raw, cleaned] : cases)
    EXPECT_EQ(CleanResult(raw), cleaned) << raw;
}

TEST(ResultExtractionTest, CharacterReferencesAreDecodedAfterTheCleaning) {
  const std::pair<const char*, const char*> cases[] = {
      {"Скала́ &amp; ролка", "Скала́ & ролка"},
      {"&quot;да&quot; &#39;не&apos;", "\"да\" 'не'"},
      {"&#1098;&#x44A;&#X44a;", "ъъъ"},
      {"a&nbsp;b", "a b"},
      {"&amp;lt;", "&lt;"},  // decoded once: the text "&lt;" itself stays
      {"&amp;amp;", "&amp;"},
      // not references: left as they are
      {"R&D &unknown; &#; &#xZZ; &#0; &#55296; &#99999999999; & ;",
       "R&D &unknown; &#; &#xZZ; &#0; &#55296; &#99999999999; & ;"},
      {"end &amp", "end &amp"},
  };
  for (const auto& [raw, decoded] : cases)
    EXPECT_EQ(CleanResult(raw), decoded) << raw;
}

}  // namespace
}  // namespace brelvox::translator
