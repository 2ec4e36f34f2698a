#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/core/sound/phoneme_set.h"
#include "engine/core/synthesize.h"
#include "tests/support/recording_site.h"
#include "tests/support/test_voices.h"
#include "tests/support/text_grammar.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace {

// The impulse voice renders every unit as 1000 samples of periods of 100 (the first unit of a call
// 700, from the lead-in at 320 on); the test grammar reads vowels, words and "." sentences.
class SynthesizeTest : public testing::Test {
 protected:
  SynthesizeTest() : voice_(MakeImpulseVoice({})) {}

  int32_t Speak(TextItems& items, const TestGrammar& grammar) {
    const EngineSite site = host_.Table();
    return Synthesize(&voice_.voice, grammar.grammar, nullptr, items.List(), 1, &site);
  }
  int32_t Speak(TextItems& items) { return Speak(items, grammar_); }

  // Requests a skip of `count` sentences once the n-th boundary event (from 1) has been posted.
  void SkipAfterBoundary(size_t n, int32_t count) {
    host_.afterBoundary = [n, count](RecordingSite& h) {
      if (h.boundaries.size() == n) {
        h.actions |= ActionSkip;
        h.skipCount = count;
      }
    };
  }

  // Boundary events as "S<position>" and "W<position>".
  std::vector<std::string> Boundaries() const {
    std::vector<std::string> out;
    for (const BoundaryEvent& b : host_.boundaries) {
      out.push_back((b.kind == 1 ? "S" : "W") + std::to_string(b.position));
    }
    return out;
  }

  LoadedVoice voice_;
  TestGrammar grammar_;
  RecordingSite host_;
};

TEST_F(SynthesizeTest, PostsBookmarkWordAndSentenceEventsInStreamOrder) {
  int bookmark = 0;
  TextItems items(u"ae. io.");
  items.Speak(0, 3).Bookmark(&bookmark).Silence(100).Speak(3, 4);
  EXPECT_EQ(Speak(items), 0);
  EXPECT_EQ(host_.boundaries,
            (std::vector<BoundaryEvent>{
                {1, 0, 3, 320}, {0, 0, 2, 320}, {1, 3, 4, 2020}, {0, 4, 2, 3020}}));
  EXPECT_EQ(host_.bookmarks, (std::vector<BookmarkEvent>{{&bookmark, 3020}}));
  std::vector<std::string> events;
  for (const std::string& call : host_.calls) {
    if (call == "postBoundary" || call == "postBookmark") events.push_back(call);
  }
  EXPECT_EQ(events, (std::vector<std::string>{"postBoundary", "postBoundary", "postBoundary",
                                              "postBookmark", "postBoundary"}));
  // Phonemes: _a ae e_ _i io o_ then the final pause; each event starts where the last ended.
  ASSERT_EQ(host_.phonemes.size(), 6u);
  for (size_t i = 1; i < host_.phonemes.size(); ++i) {
    EXPECT_EQ(host_.phonemes[i].start,
              host_.phonemes[i - 1].start + host_.phonemes[i - 1].duration);
  }
  EXPECT_EQ(host_.phonemes[3].phoneme, kPauseVoiceIndex);
  EXPECT_EQ(host_.phonemes[3].next, VoiceIndexOf('i'));
}

TEST_F(SynthesizeTest, ABookmarkAtTheEndIsPostedWhenTheStreamEndsOnAStress) {
  const TestGrammar noClosingMarker(false);  // the stream ends "... e, phoneme e, stress"
  int bookmark = 0;
  TextItems items(u"ae");
  items.Speak(0, 2).Bookmark(&bookmark);
  EXPECT_EQ(Speak(items, noClosingMarker), 0);
  ASSERT_EQ(host_.bookmarks.size(), 1u);
  EXPECT_EQ(host_.bookmarks[0].sample, 2020);
  EXPECT_EQ(host_.calls.back(), "writeAudio") << "the bookmark comes before the final block";
}

TEST_F(SynthesizeTest, TextOfOnlyBookmarksAndSilences) {
  int first = 0;
  int second = 0;
  TextItems items(u"");
  items.Bookmark(&first).Silence(200).Bookmark(&second);
  EXPECT_EQ(Speak(items), 0);
  EXPECT_EQ(host_.bookmarks, (std::vector<BookmarkEvent>{{&first, 320}, {&second, 320}}));
  ASSERT_EQ(host_.phonemes.size(), 1u) << "one pause unit";
  EXPECT_EQ(host_.phonemes[0].phoneme, kPauseVoiceIndex);
  EXPECT_EQ(host_.phonemes[0].next, kPauseVoiceIndex);
}

TEST_F(SynthesizeTest, AbortBeforeTheStartAndAFailingVolume) {
  TextItems items(u"ae.");
  items.Speak(0, 3);
  host_.actions = ActionAbort;
  EXPECT_EQ(Speak(items), 0);
  EXPECT_TRUE(host_.calls.empty());
  EXPECT_EQ(host_.actionQueries, 1);

  RecordingSite failing;
  failing.volumeStatus = static_cast<int32_t>(0x80004005);
  const EngineSite site = failing.Table();
  EXPECT_EQ(Synthesize(&voice_.voice, grammar_.grammar, nullptr, items.List(), 1, &site),
            static_cast<int32_t>(0x80004005));
  EXPECT_EQ(failing.calls, std::vector<std::string>{"getVolume"});
}

TEST_F(SynthesizeTest, SentenceSkips) {
  // Sentences "a." at 0, " e." at 2, " o." at 5; words at 0, 3, 6.
  const std::vector<std::string> all = {"S0", "W0", "S2", "W3", "S5", "W6"};
  const struct {
    const char* what;
    size_t after;
    int32_t count;
    std::vector<std::string> boundaries;
    std::vector<int32_t> completed;
  } cases[] = {
      {"+1 after a sentence announces it again",
       1,
       1,
       {"S0", "S0", "W0", "S2", "W3", "S5", "W6"},
       {1}},
      {"+1 after a word goes to the next sentence",
       2,
       1,
       {"S0", "W0", "S2", "W3", "S5", "W6"},
       {1}},
      {"+5 runs past the end, dropping the audio in the mix", 1, 5, {"S0"}, {3}},
      {"0 restarts the sentence", 4, 0, {"S0", "W0", "S2", "W3", "S2", "W3", "S5", "W6"}, {0}},
      {"-1 goes to the sentence before",
       4,
       -1,
       {"S0", "W0", "S2", "W3", "S0", "W0", "S2", "W3", "S5", "W6"},
       {-1}},
      {"back past the start restarts from the first mark",
       2,
       -5,
       {"S0", "W0", "S0", "W0", "S2", "W3", "S5", "W6"},
       {0}},
  };
  for (const auto& c : cases) {
    host_ = RecordingSite{};
    SkipAfterBoundary(c.after, c.count);
    TextItems items(u"a. e. o.");
    items.Speak(0, 8);
    EXPECT_EQ(Speak(items), 0) << c.what;
    EXPECT_EQ(Boundaries(), c.boundaries) << c.what;
    EXPECT_EQ(host_.completedSkips, c.completed) << c.what;
    EXPECT_EQ(std::count(host_.clearedActions.begin(), host_.clearedActions.end(), ActionSkip), 1)
        << c.what;
    if (c.count == 5) {
      EXPECT_TRUE(host_.writes.empty()) << c.what;
    }
  }
}

TEST_F(SynthesizeTest, AForwardSkipPassesOverTheSkippedSpeech) {
  SkipAfterBoundary(2, 1);  // after the word event of "a."
  TextItems items(u"a. e. o.");
  items.Speak(0, 8);
  Speak(items);
  // No unit with 'a' is rendered; the speech goes on from the pause that ends "a.".
  ASSERT_FALSE(host_.phonemes.empty());
  for (const PhonemeEvent& e : host_.phonemes) {
    EXPECT_NE(e.phoneme, VoiceIndexOf('a'));
    EXPECT_NE(e.next, VoiceIndexOf('a'));
  }
  EXPECT_EQ(host_.phonemes[1].next, VoiceIndexOf('e'));
}

TEST_F(SynthesizeTest, ItemPitchAdjustsAreHalvedTowardZero) {
  const struct {
    int32_t adjust;
    int32_t period;
  } cases[] = {{1, 100},
               {-1, 100},
               {10, static_cast<int32_t>(16000 / (160 * 1.334839854))},
               {-10, static_cast<int32_t>(16000 / (160 * 0.7491535384))}};
  for (const auto& c : cases) {
    host_ = RecordingSite{};
    TextItems items(u"aa");
    items.Speak(0, 2, c.adjust);
    Speak(items);
    std::vector<int32_t> impulses = NonZeroPositions(host_.audio);
    ASSERT_GE(impulses.size(), 3u) << c.adjust;
    // The last gap lies inside the second unit, where both ends have the item's pitch.
    EXPECT_EQ(impulses.back() - impulses[impulses.size() - 2], c.period) << c.adjust;
  }
}

TEST_F(SynthesizeTest, ItemRateAdjustsAddToTheHostRate) {
  TextItems items(u"aaa");
  items.Speak(0, 3, 0, 10);
  host_.rate = -5;  // -5 + 10 = 5: units of 1000 / sqrt(2)
  Speak(items);
  ASSERT_GE(host_.phonemes.size(), 3u);
  EXPECT_EQ(host_.phonemes[2].duration, 700) << "seven periods of 100 each";
}

}  // namespace
