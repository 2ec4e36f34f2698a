#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/text/text_item.h"
#include "engine/sapi/site_adapter.h"
#include "engine/sapi/text_fragments.h"
#include "platform/speech/fragments.h"

namespace {

struct Item {
  int32_t kind;
  std::u16string text;
  int32_t offset;
  int32_t silence;
  bool operator==(const Item&) const = default;
};

std::vector<Item> Collect(FragmentList& list) {
  DynArray* items = collectTextItems(list.First());
  std::vector<Item> out;
  for (int32_t i = 0; i < items->count; ++i) {
    const TextItem& t = TextItemAt(items, i);
    out.push_back({t.kind, t.text ? std::u16string(t.text, static_cast<size_t>(t.textLength)) : u"",
                   t.sourceOffset, t.silenceMs});
  }
  DynArrayRelease(items);
  return out;
}

SPVSTATE State(SPVACTIONS action, ULONG silence = 0) {
  SPVSTATE s = DefaultFragmentState();
  s.eAction = action;
  s.SilenceMSecs = silence;
  return s;
}

TEST(CollectTextItemsTest, SpellingAndSpaceRepair) {
  {
    FragmentList l(u"x");
    l.AddSourceFragment(State(SPVA_Speak), 0, 1);
    EXPECT_EQ(Collect(l), (std::vector<Item>{{kSpellOutItem, u"x", 0, 0}})) << "one character";
  }
  {
    FragmentList l(u"xy");
    l.AddSourceFragment(State(SPVA_Speak), 0, 1);
    l.AddSourceFragment(State(SPVA_Speak), 1, 1);
    EXPECT_EQ(Collect(l), (std::vector<Item>{{kSpeakItem, u"x", 0, 0}, {kSpeakItem, u"y", 1, 0}}));
  }
  {
    FragmentList l(u"x");
    l.AddSourceFragment(State(SPVA_Pronounce), 0, 1);
    EXPECT_EQ(Collect(l), (std::vector<Item>{{kSpeakItem, u"x", 0, 0}})) << "no speak fragment";
  }
  const struct {
    const char* what;
    std::u16string source;
    size_t secondOffset;
    std::vector<Item> items;
  } repairs[] = {
      {"a space before is taken in", u"abc def", 4, {{0, u"abc", 0, 0}, {0, u" def", 3, 0}}},
      {"not when it starts with a space", u"abc  ef", 4, {{0, u"abc", 0, 0}, {0, u" ef", 4, 0}}},
      {"not after a carriage return", u"abc\rdef", 4, {{0, u"abc", 0, 0}, {0, u"def", 4, 0}}},
      {"a tab counts", u"abc\tdef", 4, {{0, u"abc", 0, 0}, {0, u"\tdef", 3, 0}}},
  };
  for (const auto& r : repairs) {
    FragmentList l(r.source);
    l.AddSourceFragment(State(SPVA_Speak), 0, 3);
    l.AddSourceFragment(State(SPVA_Speak), r.secondOffset, r.source.size() - r.secondOffset);
    EXPECT_EQ(Collect(l), r.items) << r.what;
  }
  FragmentList first(u" abc");
  first.AddSourceFragment(State(SPVA_Speak), 1, 3);
  EXPECT_EQ(Collect(first), (std::vector<Item>{{0, u"abc", 1, 0}})) << "no previous fragment";
}

TEST(CollectTextItemsTest, SilencesBookmarksAndSkippedFragments) {
  FragmentList l(u"ab");
  l.AddSourceFragment(State(SPVA_Silence, 100), 0, 0);
  l.AddSourceFragment(State(SPVA_Silence, 250), 0, 0);
  l.AddOwnFragment(State(SPVA_Bookmark), u"m", 0);
  l.AddSourceFragment(State(SPVA_Silence, 100), 0, 0);
  l.AddSourceFragment(State(SPVA_ParseUnknownTag), 0, 0);
  l.AddSourceFragment(State(SPVA_Silence, 250), 0, 0);
  l.AddSourceFragment(State(SPVA_Section), 0, 2);
  l.AddSourceFragment(State(SPVA_Speak), 0, 0);
  EXPECT_EQ(Collect(l), (std::vector<Item>{{kSilenceItem, u"", 0, 350},
                                           {kBookmarkItem, u"", 0, 0},
                                           {kSilenceItem, u"", 0, 100},
                                           {kSilenceItem, u"", 0, 250}}));
  // Lengths past what an item holds saturate instead of wrapping around.
  FragmentList long_(u"ab");
  long_.AddSourceFragment(State(SPVA_Silence, 0xFFFFFFFFu), 0, 0);
  long_.AddOwnFragment(State(SPVA_Bookmark), u"m", 0);
  long_.AddSourceFragment(State(SPVA_Silence, 0x7FFFFFFFu), 0, 0);
  long_.AddSourceFragment(State(SPVA_Silence, 0x7FFFFFFFu), 0, 0);
  EXPECT_EQ(Collect(long_), (std::vector<Item>{{kSilenceItem, u"", 0, INT32_MAX},
                                               {kBookmarkItem, u"", 0, 0},
                                               {kSilenceItem, u"", 0, INT32_MAX}}));
  FragmentList none(u"ab");
  none.AddSourceFragment(State(SPVA_Section), 0, 1);
  none.AddSourceFragment(State(SPVA_ParseUnknownTag), 0, 1);
  EXPECT_TRUE(Collect(none).empty());
}

TEST(CollectTextItemsTest, EveryItemCarriesItsFragmentsProsody) {
  FragmentList l(u"ab");
  SPVSTATE s = State(SPVA_Speak);
  s.RateAdj = 3;
  s.Volume = 40;
  s.PitchAdj.MiddleAdj = -4;
  l.AddSourceFragment(s, 0, 1);
  s.eAction = SPVA_Silence;
  s.RateAdj = -2;
  l.AddSourceFragment(s, 0, 0);
  s.RateAdj = 7;
  l.AddSourceFragment(s, 0, 0);
  DynArray* items = collectTextItems(l.First());
  ASSERT_EQ(items->count, 2);
  EXPECT_EQ(TextItemAt(items, 0).rateAdj, 3);
  EXPECT_EQ(TextItemAt(items, 0).volume, 40);
  EXPECT_EQ(TextItemAt(items, 0).pitchAdj, -4);
  EXPECT_EQ(TextItemAt(items, 1).rateAdj, 7) << "the last fragment of the run";
  DynArrayRelease(items);
}

TEST(SiteAdapterTest, VisemesAndBookmarkNumbers) {
  EXPECT_EQ(VisemeOf('_'), 0);
  EXPECT_EQ(VisemeOf('b'), 21);
  EXPECT_EQ(VisemeOf('a'), 1);
  EXPECT_EQ(VisemeOf('&'), 15);
  EXPECT_EQ(VisemeOf('#'), 16);
  EXPECT_EQ(VisemeOf('\''), 6);
  const struct {
    std::u16string text;
    LONG value;
  } numbers[] = {{u"42abc", 42},
                 {u"abc", 0},
                 {u"  -17x", -17},
                 {u"+5", 5},
                 {u"", 0},
                 {u"99999999999", 2147483647},
                 {u"-99999999999", -2147483647 - 1}};
  for (const auto& n : numbers)
    EXPECT_EQ(LeadingInteger(AsWide(n.text.c_str())), n.value);
}

}  // namespace
