// The recording-folder input: label files, pitch marks that follow a varying pitch, and a voice
// built from a small folder of made-up recordings.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "engine/core/sound/phoneme_set.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_voices.h"
#include "tests/tools/voicebuild/made_up_speech.h"
#include "tools/voicebuild/pitch_marks.h"
#include "tools/voicebuild/recordings.h"
#include "tools/voicebuild/voice_builder.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace brelvox::voicebuild {

namespace {

constexpr int32_t kRate = 16000;

constexpr const char* kLabels =
    "-- made up\n0 1600 _\n1600 4600 a\n4600 6100 s\n6100 9100 a\n9100 10700 _\n";

TEST(Recordings, LabelFilesAreCheckedLineByLine) {
  std::vector<PhonemeSegment> segments;
  std::string error;
  ASSERT_TRUE(ParseLabels("0 10 _\n\n10 30 A\n35 40 #\n", 40, &segments, &error)) << error;
  ASSERT_EQ(segments.size(), 3u);
  EXPECT_EQ(segments[2].phoneme, '#');
  EXPECT_EQ(segments[2].start, 35);
  for (const char* bad : {"0 10 _\n5 20 a\n", "0 10 _\n10 10 a\n", "0 10 _\n10 50 a\n",
                          "0 10 _\n10 20 Q\n", "0 10 _\n10 20\n", "0 10 _\n10 20 a b\n"}) {
    segments.clear();
    EXPECT_FALSE(ParseLabels(bad, 40, &segments, &error)) << bad;
    EXPECT_NE(error.find("line 2"), std::string::npos) << bad << ": " << error;
  }
}

TEST(Recordings, TrackedMarksFollowAVaryingPitch) {
  std::vector<int32_t> pulses;
  const std::vector<int16_t> samples = MadeUpSamples(&pulses);
  const std::vector<double> signal(samples.begin(), samples.end());
  std::vector<double> spacings;
  const std::vector<int32_t> marks = TrackPitchMarks(signal, {{1600, 4600}, {6100, 9100}},
                                                     kRate / 400, kRate / 60, 125.0, &spacings);
  // Every pulse away from the vowel edges has a mark at the same point of its cycle.
  int32_t matched = 0;
  std::vector<int32_t> offsets;
  for (int32_t p : pulses) {
    if (p < 1600 + 200 || (p > 4600 - 200 && p < 6100 + 200) || p > 9100 - 200) continue;
    int32_t nearest = marks.front();
    for (int32_t m : marks) {
      if (std::abs(m - p) < std::abs(nearest - p)) nearest = m;
    }
    offsets.push_back(nearest - p);
    ++matched;
  }
  ASSERT_GT(matched, 30);
  for (int32_t o : offsets)
    EXPECT_NEAR(o, offsets.front(), 1);
  EXPECT_GE(offsets.front(), 0);
  EXPECT_LT(offsets.front(), 20);
}

TEST(Recordings, FolderBuildsAVoiceThroughTheSameCutting) {
  TempDir dir;
  std::vector<int32_t> pulses;
  const std::vector<int16_t> samples = MadeUpSamples(&pulses);
  const std::string labels = kLabels;
  std::string error;
  ASSERT_TRUE(WriteWavSamples(dir.File("one.wav"), samples, kRate, &error)) << error;
  dir.Write("one.lab", labels.data(), labels.size());

  VoiceBuildOptions options;
  VoiceFileContents contents;
  VoiceBuildReport report;
  ASSERT_TRUE(BuildRecordedVoice(options, dir.Path(), &contents, &report, &error)) << error;
  EXPECT_EQ(report.built, 4);  // _a as sa a_
  EXPECT_TRUE(report.failed.empty());
  EXPECT_EQ(contents.header.sampleRate, kRate);
  EXPECT_GT(contents.header.baseF0, kRate / 141.0);
  EXPECT_LT(contents.header.baseF0, kRate / 109.0);
  LoadedVoice loaded(contents);
  ASSERT_TRUE(loaded.loaded);
  for (auto [a, b] : {std::pair{'_', 'a'}, {'a', 's'}, {'s', 'a'}, {'a', '_'}}) {
    EXPECT_GT(UnitOf(contents, a, b).duration, 0) << a << b;
  }

  // Asking for a pair the recordings do not hold reports it.
  options.pairs = {{'a', 's'}, {'t', 'a'}};
  report = VoiceBuildReport{};
  ASSERT_TRUE(BuildRecordedVoice(options, dir.Path(), &contents, &report, &error)) << error;
  EXPECT_EQ(report.built, 1);
  ASSERT_EQ(report.failed.size(), 1u);
  EXPECT_EQ(report.failed[0].pair, (PhonemePair{'t', 'a'}));

  // A recording without labels is named.
  ASSERT_TRUE(WriteWavSamples(dir.File("two.wav"), samples, kRate, &error)) << error;
  EXPECT_FALSE(BuildRecordedVoice(options, dir.Path(), &contents, &report, &error));
  EXPECT_NE(error.find("two.lab"), std::string::npos) << error;
}

}  // namespace

}  // namespace brelvox::voicebuild
