// A small voice built from the donor: it loads, its marks sit inside their windows on the donor's
// flat pitch grid, and rendered speech has the period the engine asks for around every phoneme
// middle.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/core/sound/phoneme_set.h"
#include "engine/core/synthesize.h"
#include "tests/support/recording_site.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_voices.h"
#include "tools/voicebuild/voice_builder.h"
#include "tools/voicebuild/voice_check.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace brelvox::voicebuild {

namespace {

constexpr const char* kWord = "zdrAvej";

class DonorVoice : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = std::make_unique<TempDir>();
    VoiceBuildOptions options;
    options.donor.variantFile = std::string(VOICEBUILD_DATA_DIR) + "/brelvox-flat";
    options.donor.workFolder = work_->Path();
    // The word's pairs with the pauses, a palatalised consonant, the glide (after a vowel, after a
    // consonant and before j, as the front end writes -ия) and a voiceless stop.
    const std::string word = std::string("_") + kWord + "_";
    for (size_t i = 0; i + 1 < word.size(); ++i)
      options.pairs.emplace_back(word[i], word[i + 1]);
    for (PhonemePair p : std::vector<PhonemePair>{{'_', '_'},
                                                  {'a', 'D'},
                                                  {'D', 'A'},
                                                  {'i', '\''},
                                                  {'\'', 'a'},
                                                  {'a', 't'},
                                                  {'t', 'a'},
                                                  {'t', '\''},
                                                  {'\'', 'j'}}) {
      options.pairs.push_back(p);
    }
    pairs_ = options.pairs;
    ok_ = BuildDonorVoice(options, &contents_, &report_, &error_);
  }
  static void TearDownTestSuite() { work_.reset(); }

  void SetUp() override { ASSERT_TRUE(ok_) << error_; }

  static std::unique_ptr<TempDir> work_;
  static VoiceFileContents contents_;
  static VoiceBuildReport report_;
  static std::vector<PhonemePair> pairs_;
  static std::string error_;
  static bool ok_;
};

std::unique_ptr<TempDir> DonorVoice::work_;
VoiceFileContents DonorVoice::contents_;
VoiceBuildReport DonorVoice::report_;
std::vector<PhonemePair> DonorVoice::pairs_;
std::string DonorVoice::error_;
bool DonorVoice::ok_ = false;

const DiphoneUnit& UnitOfPair(const VoiceFileContents& voice, char a, char b) {
  return voice.units[static_cast<size_t>(VoiceIndexOf(a) * 53 + VoiceIndexOf(b))];
}

TEST_F(DonorVoice, LoadsWithEveryAskedPairAndNoOther) {
  EXPECT_EQ(report_.built, report_.requested);
  EXPECT_TRUE(report_.failed.empty());
  LoadedVoice loaded(contents_);
  ASSERT_TRUE(loaded.loaded);
  const VoiceInventory& v = loaded.voice;
  EXPECT_EQ(v.sampleRate, 22050);
  EXPECT_NEAR(v.baseF0, 118.42, 0.2);  // the donor's flat pitch, measured
  int32_t present = 0;
  for (int32_t u = 0; u < v.unitCount; ++u)
    present += v.units[u].duration > 0 ? 1 : 0;
  EXPECT_EQ(present, static_cast<int32_t>(pairs_.size()));
  for (const PhonemePair& p : pairs_) {
    const DiphoneUnit& unit = UnitOfPair(contents_, p.first, p.second);
    EXPECT_GT(unit.duration, 0) << p.first << p.second;
    EXPECT_GE(unit.boundary, 0) << p.first << p.second;
    EXPECT_LE(unit.boundary, unit.duration) << p.first << p.second;
  }
  // The lead-in covers the longest period synthesis can ask for, the same by both formulas.
  const double longest = v.samplingFrequency / (v.baseF0 * PitchTable[0] * PitchTable[0]);
  const int32_t leadIn = LeadInSamples(v);
  EXPECT_GE(leadIn, longest);
  EXPECT_EQ(leadIn, static_cast<int32_t>(v.samplingFrequency / v.leadInFrequency));
  EXPECT_LE(longest, v.maxHalfFrame);
}

TEST_F(DonorVoice, MarksLieInsideTheirWindowsOnTheFlatGrid) {
  const double period = contents_.header.samplingFrequency / contents_.header.baseF0;
  int32_t int16Peak = 0;
  for (int16_t s : contents_.samples)
    int16Peak = std::max(int16Peak, std::abs(static_cast<int32_t>(s)));
  EXPECT_LT(int16Peak, 32767);  // levelled with headroom, nothing clipped
  for (const PhonemePair& p : pairs_) {
    const DiphoneUnit& unit = UnitOfPair(contents_, p.first, p.second);
    ASSERT_GT(unit.markCount, 1) << p.first << p.second;
    int32_t previous = -1;
    for (int32_t k = 0; k < unit.markCount; ++k) {
      const PitchMark& m = contents_.marks[static_cast<size_t>(unit.firstMark + k)];
      const int32_t centre = m.start + m.left;
      EXPECT_GT(m.left, 0);
      EXPECT_GT(m.right, 0);
      EXPECT_LE(m.left, contents_.header.maxHalfFrame);
      EXPECT_LE(m.right, contents_.header.maxHalfFrame);
      EXPECT_GE(centre, 0) << p.first << p.second;
      EXPECT_LT(centre, unit.duration) << p.first << p.second;
      EXPECT_GT(centre, previous);
      // Marks a period apart, on the grid, wherever the marks are not filling a voiceless gap.
      if (previous >= 0) {
        EXPECT_LE(std::abs(centre - previous - period), 0.5 * period);
      }
      previous = centre;
    }
  }
  // Inside a vowel the marks follow the flat period to the sample.
  const DiphoneUnit& ra = UnitOfPair(contents_, 'r', 'A');
  const PitchMark* marks = &contents_.marks[static_cast<size_t>(ra.firstMark)];
  for (int32_t k = ra.markCount / 2; k + 1 < ra.markCount; ++k) {
    const int32_t spacing =
        (marks[k + 1].start + marks[k + 1].left) - (marks[k].start + marks[k].left);
    EXPECT_LE(std::abs(spacing - period), 1.0) << k;
  }
}

TEST_F(DonorVoice, RenderedPeriodAroundEachPhonemeMiddleFollowsThePitch) {
  LoadedVoice loaded(contents_);
  ASSERT_TRUE(loaded.loaded);
  for (int32_t stress : {5, 8, 2}) {
    RecordingSite site;
    const EngineSite table = site.Table();
    const std::vector<int32_t> symbols =
        PhonemeSymbols((std::string(" ") + kWord + "  ").c_str(), stress);
    ASSERT_EQ(RenderSymbolStream(&loaded.voice, symbols.data(),
                                 static_cast<int32_t>(symbols.size()), &table),
              0);
    const double expected =
        loaded.voice.samplingFrequency /
        (loaded.voice.baseF0 * PitchTable[static_cast<size_t>(stress - 5 + kNeutralPitchIndex)]);
    int32_t measured = 0;
    for (const PhonemeEvent& e : site.phonemes) {
      const char phoneme = kVoiceIndexOrder[static_cast<size_t>(e.phoneme)];
      // The voiced phonemes of the word with some length to measure over.
      if (std::string_view("rAvej").find(phoneme) == std::string_view::npos) continue;
      const int32_t middle = e.start + e.duration / 2;
      if (middle - 400 < 0 || middle + 400 >= static_cast<int32_t>(site.audio.size())) continue;
      const int32_t lag = BestLag(site.audio, middle, static_cast<int32_t>(expected * 0.75),
                                  static_cast<int32_t>(expected * 1.25), 1);
      EXPECT_LE(std::abs(lag - expected), 1.0)
          << "stress " << stress << ", phoneme " << phoneme << " at " << middle;
      ++measured;
    }
    EXPECT_GE(measured, 4) << "stress " << stress;
  }
}

}  // namespace

}  // namespace brelvox::voicebuild
