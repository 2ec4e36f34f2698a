// The natural-recordings input (made-up speech "pau aa s aa pau", made_up_speech.h): the corpus's
// label and track files, epochs and spectral boundaries on made-up speech, and a voice cut from a
// one-recording corpus with its fallbacks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <numbers>

#include "engine/core/sound/phoneme_set.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_voices.h"
#include "tests/tools/voicebuild/made_up_speech.h"
#include "tools/voicebuild/corpus.h"
#include "tools/voicebuild/corpus_voice.h"
#include "tools/voicebuild/epochs.h"
#include "tools/voicebuild/recordings.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace brelvox::voicebuild {

namespace {

constexpr int32_t kRate = 16000;

// A binary track file of frame times (seconds) with one channel.
std::string TrackFile(const std::vector<double>& seconds, bool littleEndian = true) {
  std::string text = "EST_File Track\nDataType binary\nByteOrder " +
                     std::string(littleEndian ? "01" : "10") + "\nNumFrames " +
                     std::to_string(seconds.size()) +
                     "\nNumChannels 1\nBreaksPresent true\nEST_Header_End\n";
  for (double t : seconds) {
    for (float v : {static_cast<float>(t), 1.0f, 0.5f}) {
      char bytes[4];
      std::memcpy(bytes, &v, 4);
      if (!littleEndian) std::swap(bytes[0], bytes[3]), std::swap(bytes[1], bytes[2]);
      text.append(bytes, 4);
    }
  }
  return text;
}

TEST(Corpus, LabelsRunFromZeroAndBadLinesAreNamed) {
  std::vector<CorpusSegment> segments;
  std::string error;
  ASSERT_TRUE(ParseCorpusLabels("separator\n#\n0.1 125 pau\n0.15 125 kk\n\n0.20001 125 aa\n", kRate,
                                &segments, &error))
      << error;
  ASSERT_EQ(segments.size(), 3u);
  EXPECT_EQ(segments[0].start, 0);
  EXPECT_EQ(segments[1].start, 1600);
  EXPECT_EQ(segments[1].end, 2400);
  EXPECT_EQ(segments[2].end, 3200);
  EXPECT_EQ(segments[1].phone, CorpusPhoneIndex("kk"));
  for (const char* bad : {"#\n0.1 125 pau\n0.2 125 qq\n", "#\n0.1 125 pau\n0.05 125 a\n",
                          "#\n0.1 125 pau\n0.2 a\n"}) {
    segments.clear();
    EXPECT_FALSE(ParseCorpusLabels(bad, kRate, &segments, &error)) << bad;
    EXPECT_NE(error.find("line 3"), std::string::npos) << bad << ": " << error;
  }
  EXPECT_FALSE(ParseCorpusLabels("0.1 125 pau\n", kRate, &segments, &error));
}

TEST(Corpus, TrackTimesInEitherByteOrderAndSizeChecked) {
  std::vector<int32_t> times;
  std::string error;
  for (bool little : {true, false}) {
    ASSERT_TRUE(ParseTrackTimes(TrackFile({0.01, 0.0185}, little), kRate, &times, &error)) << error;
    EXPECT_EQ(times, (std::vector<int32_t>{160, 296}));
  }
  std::string cut = TrackFile({0.01, 0.0185});
  cut.pop_back();
  EXPECT_FALSE(ParseTrackTimes(cut, kRate, &times, &error));
  EXPECT_FALSE(ParseTrackTimes("EST_File Track\nNumFrames 1\n", kRate, &times, &error));
}

TEST(Corpus, EveryPhonemeHasCorpusSounds) {
  for (char c : PhonemeAlphabet) {
    const auto& alternatives = CorpusAlternatives(c);
    ASSERT_FALSE(alternatives.empty()) << c;
    for (const auto& sequence : alternatives) {
      ASSERT_FALSE(sequence.empty()) << c;
      for (int32_t phone : sequence)
        EXPECT_GE(phone, 0) << c;
    }
  }
  EXPECT_EQ(CorpusSequenceName(CorpusAlternatives('#').front()), "d+zh");
}

TEST(Epochs, MarksFollowThePulsesWhereTheFramesOnlyHint) {
  std::vector<int32_t> pulses;
  const std::vector<double> signal = MadeUpSpeech(&pulses);
  // The corpus frames: near the pulses (off by up to 9 samples, every fifth missing) and every
  // 10 ms elsewhere.
  std::vector<int32_t> seeds;
  for (int32_t t = 0; t < 1600; t += 160)
    seeds.push_back(t);
  for (size_t k = 0; k < pulses.size(); ++k) {
    if (k % 5 != 4) seeds.push_back(pulses[k] + static_cast<int32_t>(k % 19) - 9);
    if (k + 1 < pulses.size() && pulses[k + 1] - pulses[k] > 1000) {  // the noise between
      for (int32_t t = 4600; t < 6100; t += 160)
        seeds.push_back(t);
    }
  }
  std::sort(seeds.begin(), seeds.end());
  const Epochs epochs =
      DetectEpochs(signal, seeds, {{1600, 4600}, {6100, 9100}}, kRate / 400, kRate / 60, 125.0);
  ASSERT_EQ(epochs.marks.size(), epochs.voiced.size());
  std::vector<int32_t> offsets;
  for (int32_t p : pulses) {
    if (p < 1800 || (p > 4400 && p < 6300) || p > 8900) continue;
    const auto it =
        std::min_element(epochs.marks.begin(), epochs.marks.end(),
                         [&](int32_t a, int32_t b) { return std::abs(a - p) < std::abs(b - p); });
    EXPECT_TRUE(epochs.voiced[static_cast<size_t>(it - epochs.marks.begin())]) << p;
    offsets.push_back(*it - p);
  }
  ASSERT_GT(offsets.size(), 30u);
  for (int32_t o : offsets)
    EXPECT_NEAR(o, offsets.front(), 1);
  EXPECT_GT(VoicedFraction(epochs, 2000, 4000), 0.9);
  EXPECT_LT(VoicedFraction(epochs, 4700, 6000), 0.1);
  EXPECT_NEAR(PeriodAt(epochs, 2000), 138.0, 3.0);
  EXPECT_EQ(PeriodAt(epochs, 5300), 0.0);
}

TEST(Epochs, BoundaryMovesToTheSpectralChange) {
  // A vowel-like tone, then noise from sample 3000 (each fading over 2 ms).
  std::vector<double> signal(6000);
  uint32_t state = 7;
  for (size_t i = 0; i < signal.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    const double fade = std::clamp((static_cast<double>(i) - 2984.0) / 32.0, 0.0, 1.0);
    const double tone =
        8000.0 * std::sin(2 * std::numbers::pi * 500.0 * static_cast<double>(i) / kRate);
    signal[i] =
        (1.0 - fade) * tone + fade * static_cast<double>(static_cast<int32_t>(state >> 20) - 2048);
  }
  SpectralFrames spectra(signal);
  EXPECT_NEAR(spectra.Boundary(3160, 320, 0, 6000), 3000, 32);
  EXPECT_NEAR(spectra.Boundary(2850, 320, 0, 6000), 3000, 32);
  // Kept inside the bounds it is given.
  EXPECT_GE(spectra.Boundary(3160, 320, 3100, 6000), 3100);
}

TEST(CorpusVoice, BestOccurrencesAndFallbacksCoverEveryPair) {
  TempDir dir;
  for (const char* sub : {"wav", "lab", "mcep"})
    std::filesystem::create_directories(dir.File(sub));
  std::vector<int32_t> pulses;
  const std::vector<int16_t> samples = MadeUpSamples(&pulses);
  const auto total = static_cast<int32_t>(samples.size());
  std::string error;
  ASSERT_TRUE(WriteWavSamples(dir.File("wav/ru_0001.wav"), samples, kRate, &error)) << error;
  const std::string labels =
      "#\n0.1 125 pau\n0.2875 125 aa\n0.38125 125 s\n0.56875 125 aa\n"
      "0.66875 125 pau\n";
  dir.Write("lab/ru_0001.lab", labels.data(), labels.size());
  std::vector<double> frames;
  for (int32_t t = 80; t < total; t += 160) {
    if ((t > 1600 && t < 4600) || (t > 6100 && t < 9100)) continue;
    frames.push_back(static_cast<double>(t) / kRate);
  }
  for (int32_t p : pulses)
    frames.push_back(static_cast<double>(p + 3) / kRate);
  std::sort(frames.begin(), frames.end());
  const std::string track = TrackFile(frames);
  dir.Write("mcep/ru_0001.mcep", track.data(), track.size());

  VoiceBuildOptions options;
  //  _A As sA A_: found as they are; as: unstressed а from the stressed one; AA, ss: a long
  //  phone split in two; s_: no s before a pause, so two half units joined; Ak: no k at all.
  options.pairs = {{'_', 'A'}, {'A', 's'}, {'s', 'A'}, {'A', '_'}, {'a', 's'},
                   {'A', 'A'}, {'s', 's'}, {'s', '_'}, {'A', 'k'}, {'_', '_'}};
  VoiceFileContents contents;
  VoiceBuildReport report;
  ASSERT_TRUE(BuildCorpusVoice(options, CorpusSelection{}, dir.Path(), dir.File("cache"), &contents,
                               &report, &error))
      << error;
  EXPECT_EQ(report.built, 9);
  ASSERT_EQ(report.failed.size(), 1u);
  EXPECT_EQ(report.failed[0].pair, (PhonemePair{'A', 'k'}));
  std::string fallbacks;
  for (const PairNote& n : report.fallbacks)
    fallbacks += std::string(1, n.pair.first) + n.pair.second + " ";
  EXPECT_EQ(fallbacks, "as AA ss s_ ");
  EXPECT_EQ(contents.header.sampleRate, kRate);
  EXPECT_GT(contents.header.baseF0, kRate / 141.0);
  EXPECT_LT(contents.header.baseF0, kRate / 109.0);
  LoadedVoice loaded(contents);
  ASSERT_TRUE(loaded.loaded);
  for (auto [a, b] : options.pairs) {
    EXPECT_EQ(UnitOf(contents, a, b).duration > 0, a != 'A' || b != 'k') << a << b;
  }
  // A second build takes the kept epochs and makes the same voice; so does one whose kept file
  // is damaged (the epochs are found again).
  const std::string kept = dir.File("cache/ru_0001.epochs");
  ASSERT_TRUE(std::filesystem::exists(kept));
  for (bool damage : {false, true}) {
    if (damage) std::filesystem::resize_file(kept, 30);
    VoiceFileContents again;
    VoiceBuildReport againReport;
    ASSERT_TRUE(BuildCorpusVoice(options, CorpusSelection{}, dir.Path(), dir.File("cache"), &again,
                                 &againReport, &error))
        << error;
    EXPECT_EQ(again.samples, contents.samples) << damage;
    EXPECT_EQ(again.marks.size(), contents.marks.size()) << damage;
  }
  EXPECT_GT(std::filesystem::file_size(kept), 30u);

  // A folder that is not a corpus is named.
  EXPECT_FALSE(BuildCorpusVoice(options, CorpusSelection{}, dir.File("wav"), "", &contents, &report,
                                &error));
  EXPECT_NE(error.find("lab"), std::string::npos) << error;
}

}  // namespace

}  // namespace brelvox::voicebuild
