// The pieces of the front-end check: text passages, the stream's phonemes with their pitch, the
// pairs a stream needs, and events tied back to the stream's phonemes.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/core/sound/phoneme_set.h"
#include "engine/core/symbols.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_voices.h"
#include "tests/support/text_grammar.h"
#include "tools/voicebuild/front_end_check.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace brelvox::voicebuild {

namespace {

TEST(FrontEndCheck, ReadsFortunePassagesAndParagraphsAndCountsWords) {
  TempDir dir;
  const std::string path = dir.Path() + "/text.u8";
  std::ofstream(path) << "Добър ден,\n  как сте?\n%\nEnd.\n%\n\nПърви абзац.\r\n\nВтори 2-ри.\n";
  std::vector<std::string> passages;
  std::string error;
  ASSERT_TRUE(ReadTextPassages(path, &passages, &error)) << error;
  EXPECT_EQ(passages, (std::vector<std::string>{"Добър ден, как сте?", "End.", "Първи абзац.",
                                                "Втори 2-ри."}));
  EXPECT_EQ(CountWords("Добър ден, как сте?"), 4);
  EXPECT_EQ(CountWords("Втори 2-ри -- x"), 3);
  EXPECT_FALSE(ReadTextPassages(dir.Path() + "/none.u8", &passages, &error));
  EXPECT_NE(error.find("none.u8"), std::string::npos);
}

TEST(FrontEndCheck, StreamPhonemesCarryStressAndPitchAsTheEngineReadsThem) {
  const int32_t a = PhonemeBase + static_cast<int32_t>(PhonemeAlphabet.find('a'));
  const int32_t t = PhonemeBase + static_cast<int32_t>(PhonemeAlphabet.find('t'));
  // A pause at the very start is passed over; a phoneme without its stress symbol is passed over
  // together with the symbol after it; characters and markers are silent.
  const std::vector<int32_t> stream{PauseSymbol,    'x',         t, StressBase + 10, a, 'y', a,
                                    StressBase + 0, PauseSymbol, t, StressBase + 5};
  const double pitch = PitchFactorForAdjust(6);
  const std::vector<StreamPhoneme> phonemes =
      StreamPhonemes(stream.data(), static_cast<int32_t>(stream.size()), pitch);
  ASSERT_EQ(phonemes.size(), 4u);
  EXPECT_EQ(phonemes[0].phoneme, 't');
  EXPECT_DOUBLE_EQ(phonemes[0].factor, 1.334839854 * pitch);
  EXPECT_EQ(phonemes[1].phoneme, 'a');
  EXPECT_DOUBLE_EQ(phonemes[1].factor, 0.7491535384 * pitch);
  EXPECT_EQ(phonemes[2].phoneme, '_');
  EXPECT_DOUBLE_EQ(phonemes[2].factor, pitch);
  EXPECT_EQ(phonemes[3].phoneme, 't');
}

TEST(FrontEndCheck, CountsPairsFromTheStartingPauseAndNamesThoseWithoutUnit) {
  VoiceFileContents contents = MakeImpulseVoice(ImpulseVoiceSpec{});
  UnitOf(contents, 'a', 't').duration = 0;
  LoadedVoice loaded(contents);
  ASSERT_TRUE(loaded.loaded);
  PairCoverage coverage;
  CountPairs(loaded.voice, {{'t', 1.0}, {'a', 1.0}, {'t', 1.0}, {'a', 1.0}, {'t', 1.0}}, &coverage);
  EXPECT_EQ(coverage.pairs, 5);
  EXPECT_EQ(coverage.distinct, (std::vector<PhonemePair>{{'_', 't'}, {'t', 'a'}, {'a', 't'}}));
  EXPECT_EQ(coverage.missing, (std::vector<PhonemePair>{{'a', 't'}}));
}

TEST(FrontEndCheck, EventsOfARenderedTextCarryTheirPhonemesPitch) {
  // The test grammar reads vowels at neutral stress; the item's pitch adjust scales them all.
  TestGrammar grammar;
  LoadedVoice loaded(MakeImpulseVoice(ImpulseVoiceSpec{}));
  ASSERT_TRUE(loaded.loaded);
  RenderedSpeech speech;
  std::string error;
  ASSERT_TRUE(RenderText(&loaded.voice, *grammar.grammar, {"aeio. ua"}, -4, &speech, &error))
      << error;
  const double pitch = PitchFactorForAdjust(-4);
  ASSERT_GE(speech.phonemes.size(), 6u);
  EXPECT_EQ(std::string(speech.phonemes.begin(), speech.phonemes.begin() + 6), "_aeio_");
  for (size_t i = 0; i < speech.factors.size(); ++i)
    EXPECT_DOUBLE_EQ(speech.factors[i], pitch) << i;
  EXPECT_FALSE(speech.audio.empty());
  for (size_t i = 1; i < speech.phonemeMiddles.size(); ++i)
    EXPECT_GT(speech.phonemeMiddles[i], speech.phonemeMiddles[i - 1]);
}

}  // namespace

}  // namespace brelvox::voicebuild
