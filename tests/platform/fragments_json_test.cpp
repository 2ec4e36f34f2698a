// The fragment list of `brelvox speak --fragments`: fields of the wrong type or out of range are
// refused with a sentence naming the field, never trusted.
#include "platform/speech/fragments_json.h"

#include <gtest/gtest.h>

namespace {

TEST(FragmentsJsonTest, BuildsFragmentsOverTheSource) {
  const FragmentsJson r = ParseFragmentsJson(R"({"source": "ae io", "speak_flags": 8,
    "fragments": [{"offset": 0, "length": 2, "rate": -3, "volume": 50, "pitch": 2},
                  {"action": "bookmark", "text": "7", "offset": 2},
                  {"action": "speak", "offset": 3, "length": 2}]})");
  ASSERT_NE(r.fragments, nullptr) << r.error;
  EXPECT_EQ(r.speakFlags, 8);
  const SPVTEXTFRAG* f = r.fragments->First();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->ulTextLen, 2u);
  EXPECT_EQ(f->State.RateAdj, -3);
  EXPECT_EQ(f->State.Volume, 50u);
  EXPECT_EQ(f->pNext->State.eAction, SPVA_Bookmark);
  EXPECT_EQ(f->pNext->pNext->ulTextSrcOffset, 3u);
  EXPECT_EQ(f->pNext->pNext->pTextStart, r.fragments->Source().data() + 3);
  EXPECT_NE(ParseFragmentsJson(R"({"source": "ae", "fragments": []})").fragments, nullptr);
  EXPECT_NE(ParseFragmentsJson("{}").fragments, nullptr) << "nothing to speak is no error";
}

TEST(FragmentsJsonTest, RefusesWrongTypesAndRanges) {
  const struct {
    const char* json;
    const char* error;  // part of the message
  } cases[] = {
      {"[1]", "not a JSON object"},
      {"{\"source\": ", "not a JSON object"},
      {R"({"source": 5})", "\"source\" must be a string"},
      {R"({"speak_flags": "x"})", "\"speak_flags\""},
      {R"({"speak_flags": -1})", "\"speak_flags\""},
      {R"({"fragments": 5})", "\"fragments\" must be an array"},
      {R"({"fragments": [5]})", "fragment 0 is not a JSON object"},
      {R"({"fragments": [{"action": 3}]})", "\"action\""},
      {R"({"fragments": [{"action": "shout"}]})", "unknown action"},
      {R"({"fragments": [{"rate": "fast"}]})", "\"rate\""},
      {R"({"fragments": [{"rate": 1.5}]})", "\"rate\""},
      {R"({"fragments": [{"rate": 3000000000}]})", "\"rate\""},
      {R"({"fragments": [{"volume": 101}]})", "\"volume\""},
      {R"({"fragments": [{"pitch": null}]})", "\"pitch\""},
      {R"({"fragments": [{"action": "silence", "silence_ms": -5}]})", "\"silence_ms\""},
      {R"({"fragments": [{"action": "bookmark", "text": 42}]})", "\"text\""},
      {R"({"source": "ab", "fragments": [{"offset": 1, "length": 2}]})", "\"length\""},
      {R"({"source": "ab", "fragments": [{"offset": 3, "length": 0}]})", "\"offset\""},
      {R"({"source": "ab", "fragments": [{"offset": -1, "length": 1}]})", "\"offset\""},
      // offset + length wraps around to a small number
      {R"({"source": "ab", "fragments": [{"offset": 9223372036854775807, "length": 9223372036854775807}]})",
       "\"offset\""},
      {R"({"source": "ab", "fragments": [{"offset": 18446744073709551615, "length": 1}]})",
       "\"offset\""},
      {R"({"source": "ab", "fragments": [{"offset": 0, "length": 1}, {"offset": 2, "length": 1}]})",
       "fragment 1: \"length\""},
  };
  for (const auto& c : cases) {
    const FragmentsJson r = ParseFragmentsJson(c.json);
    EXPECT_EQ(r.fragments, nullptr) << c.json;
    EXPECT_NE(r.error.find(c.error), std::string::npos) << c.json << " -> " << r.error;
    EXPECT_EQ(r.error.back(), '.') << r.error;
  }
}

}  // namespace
