#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/core/sound/synthesis_state.h"
#include "tests/support/recording_site.h"
#include "tests/support/test_voices.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace {

TEST(PeriodHooksTest, AFlushMovesOnlyIndicesBelowTwiceTheHalf) {
  ImpulseVoiceSpec spec;
  spec.sampleRate = 16001;
  VoiceFileContents contents = MakeImpulseVoice(spec);
  contents.header.samplingFrequency = 16001.0;
  LoadedVoice loaded(contents);
  ASSERT_TRUE(loaded.loaded);
  RecordingSite host;
  const EngineSite site = host.Table();
  SynthesisState state{};
  InitSynthesisState(&state, &loaded.voice, &site);
  ASSERT_TRUE(StartSynthesis(&state));
  double* mix = loaded.voice.mixBuffer;
  mix[0] = 1.0;
  mix[8000] = 2.0;
  mix[15999] = 3.0;
  mix[16000] = 4.0;  // the odd last sample
  state.fillLevel = 12000;
  state.centre = 12100;
  ASSERT_TRUE(RunPeriodHooks(&state));
  EXPECT_EQ(host.writes, std::vector<int32_t>{8000});
  EXPECT_EQ(host.audio[0], 1);
  EXPECT_EQ(mix[0], 2.0);
  EXPECT_EQ(mix[7999], 3.0);
  EXPECT_EQ(mix[8000], 0.0);
  EXPECT_EQ(mix[15999], 0.0);
  EXPECT_EQ(mix[16000], 4.0) << "neither moved nor cleared";
  EXPECT_EQ(state.fillLevel, 4000);
  EXPECT_EQ(state.centre, 4100);
}

}  // namespace
