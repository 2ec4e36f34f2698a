#include "programs/sd_brelvox/module_config.h"

#include <gtest/gtest.h>

namespace brelvox::speechd {

namespace {

using Kind = SpeechPiece::Kind;

// Pieces as one line: text as it is, spelled text in <>, a raised pitch as ^.
std::string Show(const SpeechPieces& pieces) {
  std::string out;
  for (const SpeechPiece& p : pieces) {
    if (!out.empty()) out += "|";
    if (p.pitch > 0) out += "^";
    out += p.kind == Kind::kSpelled ? "<" + p.text + ">" : p.text;
  }
  return out;
}

TEST(ModuleConfigTest, ReadsQuotedValuesAndSaysWhichLineIsWrong) {
  ModuleConfig config;
  std::string error;
  ASSERT_TRUE(
      ParseModuleConfig("# comment\n"
                        "BrelvoxDefaultVoice \"BRELVOX Bulgarian\"  # the voice\n"
                        "BrelvoxAudioBlockSize 512\r\n"
                        "BrelvoxCharName \"\\\"\" \"кавички\"\n"
                        "BrelvoxKeyName \"space\" \"интервал\"\n"
                        "GenericExecuteSynth \"something else\"\n",
                        "brelvox.conf", &config, &error))
      << error;
  EXPECT_EQ(config.defaultVoice, "BRELVOX Bulgarian");
  EXPECT_EQ(config.audioBlockSamples, 512);
  EXPECT_EQ(config.charNames.at("\""), "кавички");
  EXPECT_EQ(config.keyNames.at("space"), "интервал");

  const struct {
    const char* text;
    const char* error;
  } bad[] = {
      {"\nBrelvoxAudioBlockSize 10\n", "brelvox.conf line 2: BrelvoxAudioBlockSize takes"},
      {"BrelvoxCharName \"x\n", "brelvox.conf line 1: a quoted value is not closed"},
      {"BrelvoxKeyName \"a\"\n", "brelvox.conf line 1: BrelvoxKeyName takes two"},
      {"BrelvoxCapitalPitch high\n", "brelvox.conf line 1: BrelvoxCapitalPitch takes"},
  };
  for (const auto& b : bad) {
    EXPECT_FALSE(ParseModuleConfig(b.text, "brelvox.conf", &config, &error)) << b.text;
    EXPECT_EQ(error.rfind(b.error, 0), 0u) << error;
  }
}

class NamesTest : public testing::Test {
 protected:
  NamesTest() {
    std::string error;
    loaded_ = LoadModuleConfig(BRELVOX_MODULE_CONF, &config_, &error);
    EXPECT_TRUE(loaded_) << error;
  }
  ModuleConfig config_;
  bool loaded_ = false;
};

TEST_F(NamesTest, CharactersByName) {
  using C = MessageSettings::Capitals;
  const struct {
    const char* text;
    C capitals;
    const char* expected;
  } cases[] = {
      {"ж", C::kNone, "<ж>"},
      {"w", C::kNone, "<w>"},
      {"!", C::kNone, "удивителен знак"},
      {" ", C::kNone, "интервал"},
      {"space", C::kNone, "интервал"},
      {"Ж", C::kSpell, "главна|<Ж>"},
      {"Ж", C::kIcon, "^<Ж>"},
      {"ж", C::kIcon, "<ж>"},
      {"„", C::kNone, "долни кавички"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Show(CharPieces(c.text, config_, c.capitals)), c.expected) << c.text;
  }
}

TEST_F(NamesTest, KeysByName) {
  const struct {
    const char* key;
    const char* expected;
  } cases[] = {
      {"space", "интервал"},
      {"Return", "ентър"},
      {"shift_a", "шифт|<a>"},
      {"control_alt_delete", "контрол|алт|изтрий"},
      {"shift_kp-enter", "шифт|ентър на цифровата клавиатура"},
      {"_", "долна черта"},
      {"shift_&", "шифт|амперсанд"},
      {"XF86Search", "XF86Search"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Show(KeyPieces(c.key, config_)), c.expected) << c.key;
}

TEST_F(NamesTest, SpellingReadsLettersAndNamesMarks) {
  EXPECT_EQ(Show(SpelledPieces("Аб, в!", config_, MessageSettings::Capitals::kSpell)),
            "главна|<Аб>|запетая|<в>|удивителен знак");
}

}  // namespace

}  // namespace brelvox::speechd
