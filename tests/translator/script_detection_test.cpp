#include "translator/script_detection.h"

#include <gtest/gtest.h>

namespace brelvox::translator {
namespace {

TEST(ScriptDetectionTest, PositiveExactlyWhenABasicCyrillicLetterOccurs) {
  struct Case {
    const char* text;
    bool bulgarian;
  };
  const Case cases[] = {
      {"Старт", true},    {"Start", false}, {"ёж", true},  // ж counts, ё does not
      {"Ё", false},       {"ё", false},     {"", false},
      {"123 !?.", false}, {"cаt", true},  // Cyrillic а inside an English word
      {"Эы", true},       {"ѓє", false},  // Cyrillic letters outside А..я
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CyrillicScoreOf(c.text) > 0, c.bulgarian) << c.text;
  }
}

TEST(ScriptDetectionTest, ScoreIsTheSumOfFirstPositionsInCharacters) {
  // А at 1 and 3 (first: 1), б at 2, я at 4: 1 + 2 + 4.
  EXPECT_EQ(CyrillicScoreOf("АбАя"), 7);
  // Case-sensitive: а and А are different letters.
  EXPECT_EQ(CyrillicScoreOf("xаА"), 2 + 3);
}

TEST(ScriptDetectionTest, EachCallOverwritesTheSharedScore) {
  ModuleProverka module;
  EXPECT_EQ(module.CyrillicScore, 0);
  module.HasCyrillic("котка");
  EXPECT_GT(module.CyrillicScore, 0);
  module.HasCyrillic("cat");
  EXPECT_EQ(module.CyrillicScore, 0);
}

}  // namespace
}  // namespace brelvox::translator
