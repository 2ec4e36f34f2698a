#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "engine/core/sound/phoneme_set.h"
#include "engine/core/sound/portable_trig.h"
#include "engine/core/sound/synthesis_state.h"
#include "engine/core/sound/unit_renderer.h"
#include "engine/core/symbols.h"
#include "engine/core/synthesize.h"
#include "tests/support/recording_site.h"
#include "tests/support/test_voices.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace {

// The impulse voice: 16 kHz, periods of 100 samples, units of 1000 samples, boundary at 500,
// base F0 160 Hz, lead-in 320 samples.
int32_t Render(LoadedVoice& loaded, const std::vector<int32_t>& symbols, RecordingSite& host) {
  const EngineSite site = host.Table();
  return RenderSymbolStream(&loaded.voice, symbols.data(), static_cast<int32_t>(symbols.size()),
                            &site);
}

std::vector<int32_t> Gaps(const std::vector<int32_t>& positions) {
  std::vector<int32_t> gaps;
  for (size_t i = 1; i < positions.size(); ++i)
    gaps.push_back(positions[i] - positions[i - 1]);
  return gaps;
}

std::vector<int32_t> Range(int32_t first, int32_t last, int32_t step) {
  std::vector<int32_t> v;
  for (int32_t x = first; x <= last; x += step)
    v.push_back(x);
  return v;
}

TEST(UnitRendererTest, FirstUnitStartsAtTheLeadInAndPeriodsFollowTheBasePitch) {
  LoadedVoice loaded(MakeImpulseVoice({}));
  RecordingSite host;
  EXPECT_EQ(Render(loaded, PhonemeSymbols("a"), host), 0);
  // Unit clock from 320 to 1000 in periods of 16000 / 160 = 100 samples.
  EXPECT_EQ(NonZeroPositions(host.audio), Range(320, 920, 100));
  EXPECT_EQ(host.audio[320], 10000);
  // The last frame ends 50 samples after its mark; the final block stops there.
  EXPECT_EQ(host.writes, std::vector<int32_t>{970});
  // The boundary (500) is crossed after the second period: the event covers the pause "_".
  EXPECT_EQ(host.phonemes,
            (std::vector<PhonemeEvent>{{kPauseVoiceIndex, 200, VoiceIndexOf('a'), 0, 320}}));
}

TEST(UnitRendererTest, PeriodsGlideLinearlyBetweenTheStressesOfBothPhonemes) {
  LoadedVoice loaded(MakeImpulseVoice({}));
  RecordingSite host;
  std::vector<int32_t> symbols = PhonemeSymbols("a", 5);
  const std::vector<int32_t> stressed = PhonemeSymbols("e", 10);
  symbols.insert(symbols.end(), stressed.begin(), stressed.end());
  Render(loaded, symbols, host);

  // Second unit: T0 at factor 1.0, T1 at factor 2^(5/12), from unit clock 20 (the overshoot).
  const double t0 = 16000.0 / (1.0 * 160.0 * 1.0);
  const double t1 = 16000.0 / (1.334839854 * 160.0 * 1.0);
  const double n = 2.0 * 1000.0 / (t0 + t1);
  const double increment = (t1 - t0) / (n - 1.0);
  std::vector<int32_t> expected;
  for (int32_t j = 0, clock = 20; clock < 1000; ++j) {
    const auto period = static_cast<int32_t>(t0 + j * increment);
    expected.push_back(period);
    clock += period;
  }
  // Gaps: six inside the first unit, its last period, then every period of the second unit but
  // its last, whose end no impulse marks.
  const std::vector<int32_t> gaps = Gaps(NonZeroPositions(host.audio));
  ASSERT_EQ(gaps.size(), 7 + expected.size() - 1);
  EXPECT_EQ(std::vector<int32_t>(gaps.begin(), gaps.begin() + 7), std::vector<int32_t>(7, 100));
  expected.pop_back();
  EXPECT_EQ(std::vector<int32_t>(gaps.begin() + 7, gaps.end()), expected);
  EXPECT_LT(expected.back(), 80) << "the pitch rises towards the stressed phoneme";
}

TEST(UnitRendererTest, RateStretchesTimeAndReadsTheSourceAtTheStretchedTime) {
  ImpulseVoiceSpec spec;
  spec.smoothBack = spec.smoothForward = 0;  // keep the marks' amplitudes unmixed
  VoiceFileContents contents = MakeImpulseVoice(spec);
  for (int32_t k = 0; k <= 10; ++k) {
    contents.samples[static_cast<size_t>(100 + 100 * k)] = static_cast<int16_t>(1000 * (k + 1));
  }
  const std::vector<int32_t> symbols = PhonemeSymbols("aa");
  const struct {
    int32_t rate;
    std::vector<int16_t> secondUnit;
  } cases[] = {
      {0, {1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000}},
      {10, {1000, 3000, 5000, 7000, 9000}},  // rate factor 0.5: half the periods, every other mark
  };
  for (const auto& c : cases) {
    LoadedVoice loaded(contents);
    RecordingSite host;
    host.rate = c.rate;
    Render(loaded, symbols, host);
    std::vector<int16_t> amplitudes;
    for (int32_t p : NonZeroPositions(host.audio))
      amplitudes.push_back(host.audio[p]);
    const size_t firstUnit = c.rate == 0 ? 7 : 2;
    ASSERT_EQ(amplitudes.size(), firstUnit + c.secondUnit.size()) << "rate " << c.rate;
    EXPECT_EQ(std::vector<int16_t>(amplitudes.begin() + firstUnit, amplitudes.end()), c.secondUnit)
        << "rate " << c.rate;
  }
}

TEST(UnitRendererTest, APhonemeWithoutItsStressSymbolIsPassedOver) {
  LoadedVoice loaded(MakeImpulseVoice({}));
  const int32_t a = PhonemeBase + static_cast<int32_t>(PhonemeAlphabet.find('a'));
  const struct {
    const char* what;
    std::vector<int32_t> symbols;
  } cases[] = {{"followed by a character", {a, 'x'}},
               {"followed by a phoneme", {a, a}},
               {"in the last position", {'x', a}},
               {"a leading pause", {PauseSymbol}},
               {"markers and characters", {0x10003, 'a', 0x10004, 0x1000E, 0x10023, -1}}};
  for (const auto& c : cases) {
    RecordingSite host;
    EXPECT_EQ(Render(loaded, c.symbols, host), 0) << c.what;
    EXPECT_TRUE(NonZeroPositions(host.audio).empty()) << c.what;
    EXPECT_EQ(host.writes, std::vector<int32_t>{320}) << c.what << ": only the lead-in";
    EXPECT_TRUE(host.phonemes.empty()) << c.what;
  }
}

TEST(UnitRendererTest, PausesAfterTheStartRenderThePausePhoneme) {
  LoadedVoice loaded(MakeImpulseVoice({}));
  RecordingSite host;
  std::vector<int32_t> symbols = {PauseSymbol};
  for (int32_t s : PhonemeSymbols("a"))
    symbols.push_back(s);
  symbols.push_back(PauseSymbol);
  Render(loaded, symbols, host);
  ASSERT_EQ(host.phonemes.size(), 2u);
  EXPECT_EQ(host.phonemes[0].phoneme, kPauseVoiceIndex);
  EXPECT_EQ(host.phonemes[1].phoneme, VoiceIndexOf('a'));
  EXPECT_EQ(host.phonemes[1].next, kPauseVoiceIndex);
}

TEST(UnitRendererTest, APairWithoutAUnitStillBecomesTheLeftSide) {
  VoiceFileContents contents = MakeImpulseVoice({});
  UnitOf(contents, 'a', 'e').duration = 0;
  LoadedVoice loaded(contents);
  RecordingSite host;
  Render(loaded, PhonemeSymbols("aei"), host);
  ASSERT_EQ(host.phonemes.size(), 2u);
  EXPECT_EQ(host.phonemes[0].next, VoiceIndexOf('a'));
  EXPECT_EQ(host.phonemes[1].phoneme, VoiceIndexOf('e')) << "(e, i) follows (_, a) directly";
  EXPECT_EQ(host.phonemes[1].next, VoiceIndexOf('i'));
  EXPECT_EQ(Gaps(NonZeroPositions(host.audio)), std::vector<int32_t>(6 + 10, 100));
}

TEST(UnitRendererTest, AnUnreachedBoundaryLetsTheNextEventCoverBothPhonemes) {
  VoiceFileContents contents = MakeImpulseVoice({});
  UnitOf(contents, '_', 'a').boundary = 5000;
  LoadedVoice loaded(contents);
  RecordingSite host;
  Render(loaded, PhonemeSymbols("ae"), host);
  ASSERT_EQ(host.phonemes.size(), 1u);
  // (a, e) starts at stream position 1020 with unit clock 20 and crosses 500 after 5 periods.
  EXPECT_EQ(host.phonemes[0],
            (PhonemeEvent{VoiceIndexOf('a'), 1520 - 320, VoiceIndexOf('e'), 0, 320}));
}

TEST(UnitRendererTest, ASinglePeriodUnitHasNoGlide) {
  VoiceFileContents contents = MakeImpulseVoice({});
  UnitOf(contents, 'a', 'e').duration = 100;  // n = 2 x 100 / (100 + 100) = 1
  LoadedVoice loaded(contents);
  const UnitProsody p =
      ComputeUnitProsody(loaded.voice, UnitOf(contents, 'a', 'e'), 1.0, 1.0, 1.0, 1.0);
  EXPECT_EQ(p.periodCount, 1.0);
  EXPECT_EQ(p.increment, 0.0);
  RecordingSite host;
  Render(loaded, PhonemeSymbols("aei"), host);
  // (_, a): 7 periods; (a, e), from unit clock 20: one period of 100; (e, i): 10 periods.
  EXPECT_EQ(Gaps(NonZeroPositions(host.audio)), std::vector<int32_t>(7 + 1 + 10 - 1, 100));
}

TEST(UnitRendererTest, AudioLeavesInHalfBufferBlocksWithoutSeams) {
  LoadedVoice loaded(MakeImpulseVoice({}));
  RecordingSite host;
  Render(loaded, PhonemeSymbols("aeiouaeiouaeiouaeiouaeiou"), host);  // 25 units
  ASSERT_GE(host.writes.size(), 3u);
  for (size_t i = 0; i + 1 < host.writes.size(); ++i)
    EXPECT_EQ(host.writes[i], 8000) << i;
  // 7 periods in the first unit, 10 in each of the 24 others; the last frame ends 50 samples after
  // the last mark.
  const int32_t periods = 7 + 24 * 10;
  EXPECT_EQ(host.audio.size(), static_cast<size_t>(320 + (periods - 1) * 100 + 50));
  const std::vector<int32_t> positions = NonZeroPositions(host.audio);
  EXPECT_EQ(positions.size(), static_cast<size_t>(periods));
  EXPECT_EQ(Gaps(positions), std::vector<int32_t>(periods - 1, 100));
}

TEST(UnitRendererTest, VolumeChangesTakeEffectAtTheNextFlush) {
  LoadedVoice loaded(MakeImpulseVoice({}));
  RecordingSite host;
  host.afterWrite = [](RecordingSite& h) {
    if (h.writes.size() == 1) {
      h.volume = 50;
      h.actions |= ActionVolume;
    }
  };
  Render(loaded, PhonemeSymbols("aeiouaeiouaeiou"), host);
  ASSERT_GE(host.writes.size(), 2u);
  for (int32_t p : NonZeroPositions(host.audio)) {
    EXPECT_EQ(host.audio[p], p < 8000 ? 10000 : 5000) << p;
  }
  EXPECT_EQ(host.clearedActions, std::vector<int32_t>{ActionVolume});
}

TEST(UnitRendererTest, RateChangesTakeEffectBetweenPeriods) {
  LoadedVoice loaded(MakeImpulseVoice({}));
  RecordingSite host;
  host.afterWrite = [](RecordingSite& h) {
    if (h.writes.size() == 1) {
      h.rate = 10;
      h.actions |= ActionRate;
    }
  };
  Render(loaded, PhonemeSymbols("aeiouaeiouaeiou"), host);
  EXPECT_EQ(host.clearedActions, std::vector<int32_t>{ActionRate});
  // Units before the change last 1000 samples, units begun after it 500.
  ASSERT_GE(host.phonemes.size(), 14u);
  EXPECT_EQ(host.phonemes[2].duration, 1000);
  EXPECT_EQ(host.phonemes.back().duration, 500);
}

TEST(UnitRendererTest, HostValuesAreClampedAndAMissingVolumeMeansFull) {
  const struct {
    int32_t volume;
    bool writes;
    int16_t amplitude;
  } cases[] = {{100, false, 10000}, {150, true, 10000}, {25, true, 2500}, {-5, true, 0}};
  for (const auto& c : cases) {
    LoadedVoice loaded(MakeImpulseVoice({}));
    RecordingSite host;
    host.volume = c.volume;
    host.writesVolume = c.writes;
    Render(loaded, PhonemeSymbols("a"), host);
    EXPECT_EQ(host.audio[320], c.amplitude) << "volume " << c.volume;
  }
  LoadedVoice loaded(MakeImpulseVoice({}));
  RecordingSite host;
  host.rate = 99;  // clamped to 10: units of 500 samples
  Render(loaded, PhonemeSymbols("aei"), host);
  EXPECT_EQ(host.phonemes.back().duration, 500);
}

TEST(UnitRendererTest, AbortAndFailingCallbacksEndTheCall) {
  LoadedVoice loaded(MakeImpulseVoice({}));
  const std::vector<int32_t> symbols = PhonemeSymbols("aeiouaeiouaeiouaeiou");
  {
    RecordingSite host;
    host.actions = ActionAbort;
    EXPECT_EQ(Render(loaded, symbols, host), 0);
    EXPECT_TRUE(host.calls.empty()) << "only getActions before the start";
  }
  {
    RecordingSite host;
    host.afterWrite = [](RecordingSite& h) { h.actions |= ActionAbort; };
    EXPECT_EQ(Render(loaded, symbols, host), 0);
    EXPECT_EQ(host.writes.size(), 1u) << "nothing written after the abort";
  }
  const struct {
    const char* what;
    int32_t RecordingSite::*status;
  } failures[] = {{"getVolume", &RecordingSite::volumeStatus},
                  {"getRate", &RecordingSite::rateStatus},
                  {"postPhoneme", &RecordingSite::phonemeStatus},
                  {"writeAudio", &RecordingSite::writeStatus}};
  for (const auto& f : failures) {
    RecordingSite host;
    host.*f.status = 77;
    EXPECT_EQ(Render(loaded, symbols, host), 77) << f.what;
    ASSERT_FALSE(host.calls.empty());
    EXPECT_EQ(host.calls.back(), f.what) << "nothing after the failing call";
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), f.what), 1) << f.what;
  }
  {
    RecordingSite host;
    host.volumeStatus = 5;
    EXPECT_EQ(Render(loaded, symbols, host), 5);
    EXPECT_EQ(host.calls, std::vector<std::string>{"getVolume"});
  }
}

// A tone tested on the mix buffer itself.
class ToneTest : public testing::Test {
 protected:
  ToneTest() : loaded_(MakeImpulseVoice({})), site_(host_.Table()) {
    InitSynthesisState(&state_, &loaded_.voice, &site_);
    StartSynthesis(&state_);
  }
  static double ToneSample(int32_t p, int32_t tone) {
    const double f = 440.0 * std::pow(2.0, tone);
    return PortableSin(p * 2.0 * std::numbers::pi * f / 16000.0) *
           (1.0 - PortableCos(p * 2.0 * std::numbers::pi / 3200)) * 0.5 * 15000.0;
  }
  LoadedVoice loaded_;
  RecordingSite host_;
  EngineSite site_;
  SynthesisState state_{};
};

TEST_F(ToneTest, ReplacesTheMixFromJustBeforeTheFillLevelAndStepsBack) {
  state_.fillLevel = state_.centre = state_.streamPosition = 1000;
  loaded_.voice.mixBuffer[856] = 123.0;
  loaded_.voice.mixBuffer[855] = 7.0;
  RenderTone(&state_, 3);
  const double* mix = loaded_.voice.mixBuffer;
  EXPECT_EQ(mix[855], 7.0) << "nothing before the lead of 144 samples";
  EXPECT_EQ(mix[856], 0.0) << "replaced, not added";
  for (int32_t p = 0; p < 3200; ++p)
    ASSERT_EQ(mix[856 + p], ToneSample(p, 3)) << p;
  EXPECT_EQ(mix[856 + 3200], 0.0);
  EXPECT_EQ(state_.fillLevel, 856);
  EXPECT_EQ(state_.centre, 856);
  EXPECT_EQ(state_.streamPosition, 856);
}

TEST_F(ToneTest, NeverWritesBeforeOrAfterTheMixBuffer) {
  RenderTone(&state_, 0);  // from the lead-in: 320 -> 176
  RenderTone(&state_, 0);  // 176 -> 32
  EXPECT_EQ(state_.fillLevel, 32);
  RenderTone(&state_, 1);  // would start at -112: starts at 0 instead
  EXPECT_EQ(state_.fillLevel, 0);
  EXPECT_EQ(state_.streamPosition, 0);
  for (int32_t p = 0; p < 3200; ++p)
    ASSERT_EQ(loaded_.voice.mixBuffer[p], ToneSample(p, 1)) << p;
  state_.fillLevel = state_.centre = loaded_.voice.bufferLength - 100;
  RenderTone(&state_, 2);  // runs into the end of the buffer: cut there
  EXPECT_EQ(state_.fillLevel, loaded_.voice.bufferLength - 100 - 144);
}

TEST_F(ToneTest, AToneInTheStreamPassesOverTheTwoSymbolsAfterIt) {
  const int32_t a = PhonemeBase + static_cast<int32_t>(PhonemeAlphabet.find('a'));
  const std::vector<int32_t> symbols = {ToneBase + 1, a, StressBase + 5};
  RecordingSite host;
  const EngineSite site = host.Table();
  RenderSymbolStream(&loaded_.voice, symbols.data(), 3, &site);
  EXPECT_TRUE(host.phonemes.empty());
  EXPECT_EQ(host.writes, std::vector<int32_t>{176});
}

TEST(UnitRendererTest, OddVoicesAndStreamsNeverWriteOutsideTheBuffers) {
  // Periods far longer than the windows allow, single-sample units, tone runs and random symbols:
  // the sanitizer build checks every access.
  std::mt19937 random(7);
  for (int32_t round = 0; round < 60; ++round) {
    ImpulseVoiceSpec spec;
    spec.period = 1 + static_cast<int32_t>(random() % 300);
    spec.periods = 1 + static_cast<int32_t>(random() % 8);
    spec.maxHalfFrame = std::max(spec.period, 1 + static_cast<int32_t>(random() % 500));
    spec.boundary = static_cast<int32_t>(random() % 2000);
    spec.smoothBack = static_cast<int32_t>(random() % 5);
    spec.smoothForward = static_cast<int32_t>(random() % 5);
    spec.leadInFrequency = 4.5 + (random() % 10000);
    VoiceFileContents contents = MakeImpulseVoice(spec);
    contents.header.baseF0 = 1.0 + (random() % 2000);
    for (DiphoneUnit& unit : contents.units) {
      if (random() % 5 == 0) unit.duration = static_cast<int32_t>(random() % 3);
    }
    LoadedVoice loaded(contents);
    ASSERT_TRUE(loaded.loaded) << round;
    std::vector<int32_t> symbols;
    for (int32_t i = 0; i < 400; ++i) {
      switch (random() % 6) {
        case 0:
          symbols.push_back(ToneBase + static_cast<int32_t>(random() % 4));
          break;
        case 1:
          symbols.push_back(PauseSymbol);
          break;
        case 2:
          symbols.push_back(static_cast<int32_t>(random()));
          break;
        case 3:
          symbols.push_back(StressBase + static_cast<int32_t>(random() % 11));
          break;
        default:
          symbols.push_back(PhonemeBase + static_cast<int32_t>(random() % 53));
          break;
      }
    }
    RecordingSite host;
    host.rate = static_cast<int32_t>(random() % 21) - 10;
    host.volume = static_cast<int32_t>(random() % 120);
    EXPECT_EQ(Render(loaded, symbols, host), 0) << round;
  }
}

}  // namespace
