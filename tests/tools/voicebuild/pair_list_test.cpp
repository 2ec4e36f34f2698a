// The default pair list and pair files.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/core/sound/phoneme_set.h"
#include "tools/voicebuild/donor_phonemes.h"
#include "tools/voicebuild/pair_list.h"
#include "tools/voicebuild/voice_builder.h"

using namespace brelvox::voicefile;

namespace brelvox::voicebuild {

namespace {

bool Has(const std::vector<PhonemePair>& pairs, char a, char b) {
  return std::find(pairs.begin(), pairs.end(), PhonemePair{a, b}) != pairs.end();
}

TEST(PairList, DefaultListKeepsPalatalisedAndGlidePairsBeforeVowelsOnly) {
  const std::vector<PhonemePair> pairs = DefaultPairList();
  EXPECT_TRUE(Has(pairs, '_', '_'));
  EXPECT_TRUE(Has(pairs, 't', 'a'));
  EXPECT_TRUE(Has(pairs, 'B', 'A'));
  EXPECT_TRUE(Has(pairs, 'i', '\''));
  EXPECT_TRUE(Has(pairs, '\'', 'a'));
  EXPECT_TRUE(Has(pairs, 'a', 'B'));
  EXPECT_FALSE(Has(pairs, 'B', 't'));
  EXPECT_FALSE(Has(pairs, 'L', '_'));
  EXPECT_FALSE(Has(pairs, 't', '\''));
  EXPECT_FALSE(Has(pairs, '\'', 'n'));
  // 53 x 53, less the 17 palatalised before the 41 non-vowels, less the glide after the 24
  // other non-vowels and before the 40 other non-vowels.
  EXPECT_EQ(pairs.size(), 2809u - 17 * 41 - 24 - 40);
}

TEST(PairList, ParsesPairFilesAndNamesTheBadLine) {
  std::vector<PhonemePair> pairs;
  std::string error;
  ASSERT_TRUE(ParsePairList("ta\n-- a comment\n\n a _ \r\n#%\n", &pairs, &error)) << error;
  EXPECT_EQ(pairs, (std::vector<PhonemePair>{{'t', 'a'}, {'a', '_'}, {'#', '%'}}));

  for (const char* bad : {"ta\nabc\n", "ta\nx\n", "ta\nQa\n"}) {
    pairs.clear();
    EXPECT_FALSE(ParsePairList(bad, &pairs, &error)) << bad;
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
  }
  EXPECT_FALSE(ReadPairFile("/nonexistent/pairs.txt", &pairs, &error));
  EXPECT_NE(error.find("/nonexistent/pairs.txt"), std::string::npos);
}

TEST(DonorText, SeparatesPhonemesAndMarksStress) {
  EXPECT_EQ(DonorPhonemeText("tAc"), "t|'a|ts");
  EXPECT_EQ(DonorPhonemeText("Da4"), "d;|a|tS");
  // A plain l before a consonant is the donor's syllable-final l.
  EXPECT_EQ(DonorPhonemeText("ylt"), "@|l/|t");
  EXPECT_EQ(DonorPhonemeText("yla"), "@|l|a");
  // The donor drops its glide before j (the front end's -ия), so a short i stands for it.
  EXPECT_EQ(DonorPhonemeText("t'jA"), "t|i|j|'a");
  EXPECT_EQ(DonorPhonemeText("t'A"), "t|;|'a");
}

TEST(PairList, UnionOfSourcesAndItsCoverage) {
  std::vector<PhonemePair> pairs{{'t', 'a'}, {'a', '_'}};
  MergePairs(&pairs, {{'a', '_'}, {'t', '\''}, {'t', 'a'}, {'\'', 'j'}});
  EXPECT_EQ(pairs, (std::vector<PhonemePair>{{'t', 'a'}, {'a', '_'}, {'t', '\''}, {'\'', 'j'}}));

  // A voice holding ta and a_ only: the grammar's list lacks t' and 'j, and says so.
  VoiceFileContents voice;
  voice.units.assign(53 * 53, DiphoneUnit{0, 0, 0, 0, 0});
  voice.units[static_cast<size_t>(VoiceIndexOf('t') * 53 + VoiceIndexOf('a'))].duration = 10;
  voice.units[static_cast<size_t>(VoiceIndexOf('a') * 53 + VoiceIndexOf('_'))].duration = 10;
  int32_t missing = -1;
  const std::string report =
      CoverageReport({{"sensible", {{'t', 'a'}}}, {"grammar", pairs}}, voice, &missing);
  EXPECT_EQ(missing, 2);
  EXPECT_NE(report.find("coverage of sensible: 1 of 1 pairs"), std::string::npos) << report;
  EXPECT_NE(report.find("coverage of grammar: 2 of 4 pairs"), std::string::npos) << report;
  EXPECT_NE(report.find("missing from grammar: t' 'j"), std::string::npos) << report;
  EXPECT_EQ(report.find("missing from sensible"), std::string::npos) << report;
}

}  // namespace

}  // namespace brelvox::voicebuild
