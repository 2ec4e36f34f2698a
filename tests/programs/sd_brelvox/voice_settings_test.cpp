#include "programs/sd_brelvox/voice_settings.h"

#include <gtest/gtest.h>

namespace brelvox::speechd {

namespace {

TEST(VoiceSettingsTest, SetLinesChangeTheSettingsAndNullResets) {
  MessageSettings s;
  std::string error;
  for (const auto& [name, value] :
       std::vector<std::pair<const char*, const char*>>{{"rate", "50"},
                                                        {"pitch", "-20"},
                                                        {"volume", "100"},
                                                        {"punctuation_mode", "most"},
                                                        {"spelling_mode", "on"},
                                                        {"cap_let_recogn", "icon"},
                                                        {"language", "bg-BG"},
                                                        {"synthesis_voice", "X"},
                                                        {"pitch_range", "10"}}) {
    EXPECT_TRUE(ApplySetting(&s, name, value, &error)) << name;
  }
  EXPECT_EQ(s.rate, 50);
  EXPECT_EQ(s.pitch, -20);
  EXPECT_EQ(s.punctuation, MessageSettings::Punctuation::kMost);
  EXPECT_TRUE(s.spelling);
  EXPECT_EQ(s.capitals, MessageSettings::Capitals::kIcon);
  EXPECT_EQ(s.synthesisVoice, "X");
  for (const char* name : {"rate", "punctuation_mode", "spelling_mode", "synthesis_voice"}) {
    EXPECT_TRUE(ApplySetting(&s, name, "NULL", &error));
  }
  EXPECT_EQ(s.rate, 0);
  EXPECT_EQ(s.punctuation, MessageSettings::Punctuation::kNone);
  EXPECT_FALSE(s.spelling);
  EXPECT_EQ(s.synthesisVoice, "");
}

TEST(VoiceSettingsTest, BadValuesAreRefusedAndLeaveTheSetting) {
  MessageSettings s;
  std::string error;
  for (const auto& [name, value] :
       std::vector<std::pair<const char*, const char*>>{{"rate", "101"},
                                                        {"rate", "1x"},
                                                        {"volume", ""},
                                                        {"punctuation_mode", "every"},
                                                        {"spelling_mode", "yes"},
                                                        {"cap_let_recogn", "beep"}}) {
    EXPECT_FALSE(ApplySetting(&s, name, value, &error)) << name << "=" << value;
    EXPECT_NE(error.find(name), std::string::npos) << error;
  }
  EXPECT_EQ(s.rate, 0);
}

TEST(VoiceSettingsTest, TheFullRangeMapsOntoTheEngine) {
  const struct {
    int rate, pitch, volume;
    int engineRate, enginePitch, engineVolume;
    double gain;
  } cases[] = {
      {0, 0, 0, 0, 0, 100, 1.0},
      {100, 100, 100, 10, 10, 100, 2.0},
      {-100, -100, -100, -10, -10, 0, 1.0},
      {45, -14, -30, 5, -1, 70, 1.0},
      {-5, 5, 50, -1, 1, 100, 1.5},
  };
  for (const auto& c : cases) {
    MessageSettings s;
    s.rate = c.rate;
    s.pitch = c.pitch;
    s.volume = c.volume;
    const EngineSettings e = MapSettings(s);
    EXPECT_EQ(e.rate, c.engineRate) << c.rate;
    EXPECT_EQ(e.pitch, c.enginePitch) << c.pitch;
    EXPECT_EQ(e.volume, c.engineVolume) << c.volume;
    EXPECT_DOUBLE_EQ(e.gain, c.gain) << c.volume;
  }
  MessageSettings s;
  for (auto [mode, on] : {std::pair{MessageSettings::Punctuation::kNone, false},
                          {MessageSettings::Punctuation::kSome, true},
                          {MessageSettings::Punctuation::kAll, true}}) {
    s.punctuation = mode;
    EXPECT_EQ(MapSettings(s).punctuation, on);
  }
}

TEST(VoiceSettingsTest, TheVoiceOfAMessage) {
  const std::vector<InstalledVoice> voices = {
      {"Other", "en", "none"}, {"Slow", "bg", "none"}, {"Main", "bg", "none"}};
  const auto choose = [&](const char* synthesisVoice, const char* language,
                          const char* defaultVoice) {
    MessageSettings s;
    s.synthesisVoice = synthesisVoice;
    s.language = language;
    std::string error;
    const std::string name = ChooseMessageVoice(s, voices, defaultVoice, &error);
    return name.empty() ? "error: " + error : name;
  };
  EXPECT_EQ(choose("slow", "", "Main"), "Slow") << "by name, whatever the case";
  EXPECT_EQ(choose("", "bg-BG", "Main"), "Main") << "the default voice speaks the language";
  EXPECT_EQ(choose("", "bg", "Other"), "Slow") << "the first voice of the language";
  EXPECT_EQ(choose("", "de", "Main"), "Main") << "no voice of the language: the default";
  EXPECT_EQ(choose("nosuch", "bg", "Main"),
            "error: there is no BRELVOX voice nosuch; spd-say -o brelvox -L lists the "
            "installed ones");
  MessageSettings s;
  std::string error;
  EXPECT_EQ(ChooseMessageVoice(s, {}, "", &error), "");
  EXPECT_NE(error.find("no BRELVOX voice is installed"), std::string::npos);
}

}  // namespace

}  // namespace brelvox::speechd
