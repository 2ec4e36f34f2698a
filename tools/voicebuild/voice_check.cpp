#include "voice_check.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "engine/core/engine_site.h"
#include "engine/core/sound/phoneme_set.h"
#include "engine/core/symbols.h"
#include "engine/core/synthesize.h"
#include "tools/voicefile/collecting_host.h"

using namespace brelvox::voicefile;

namespace brelvox::voicebuild {

namespace {

double Rms(const std::vector<int16_t>& audio, int64_t start, int64_t length) {
  double sum = 0.0;
  for (int64_t i = start; i < start + length; ++i)
    sum += double(audio[static_cast<size_t>(i)]) * audio[static_cast<size_t>(i)];
  return std::sqrt(sum / static_cast<double>(length));
}

// rms(period after `at` - period before `at`) / rms of both periods.
double Jump(const std::vector<int16_t>& audio, int64_t at, int32_t period) {
  if (at - period < 0 || at + period > static_cast<int64_t>(audio.size())) return -1.0;
  double diff = 0.0;
  for (int32_t i = 0; i < period; ++i) {
    const double d =
        double(audio[static_cast<size_t>(at + i)]) - audio[static_cast<size_t>(at - period + i)];
    diff += d * d;
  }
  const double level = Rms(audio, at - period, 2 * int64_t{period});
  if (level < 100.0) return -1.0;  // silence: nothing to join
  return std::sqrt(diff / period) / level;
}

}  // namespace

int32_t BestLag(const std::vector<int16_t>& audio, int64_t centre, int32_t lowest, int32_t highest,
                int32_t reach) {
  int32_t best = lowest;
  double bestScore = -2.0;
  for (int32_t lag = lowest; lag <= highest; ++lag) {
    double xy = 0, xx = 0, yy = 0;
    for (int64_t i = centre - reach * highest; i < centre + reach * highest; ++i) {
      const double x = audio[static_cast<size_t>(i - lag / 2)];
      const double y = audio[static_cast<size_t>(i - lag / 2 + lag)];
      xy += x * y;
      xx += x * x;
      yy += y * y;
    }
    const double score = xy / std::sqrt(xx * yy + 1e-9);
    if (score > bestScore) {
      bestScore = score;
      best = lag;
    }
  }
  return best;
}

bool RenderPhonemes(VoiceInventory* voice, const std::string& phonemes, int32_t stress,
                    RenderedSpeech* speech) {
  std::vector<int32_t> symbols{PauseSymbol};
  for (char c : phonemes) {
    if (c == ' ') {
      symbols.push_back(PauseSymbol);
      continue;
    }
    const size_t k = PhonemeAlphabet.find(c);
    if (k == std::string_view::npos) return false;
    symbols.push_back(PhonemeBase + static_cast<int32_t>(k));
    symbols.push_back(StressBase + stress);
  }
  symbols.push_back(PauseSymbol);
  symbols.push_back(PauseSymbol);
  CollectingHost host;
  const EngineSite site = host.Table();
  const bool rendered =
      RenderSymbolStream(voice, symbols.data(), static_cast<int32_t>(symbols.size()), &site) == 0;
  speech->audio = std::move(host.audio);
  const double factor = PitchTable[static_cast<size_t>(stress)];
  for (const PhonemeSpan& p : host.phonemes) {
    speech->phonemeMiddles.push_back(p.start + p.duration / 2);
    const char phoneme = kVoiceIndexOrder[static_cast<size_t>(p.phoneme)];
    speech->phonemes.push_back(phoneme);
    speech->factors.push_back(phoneme == kPausePhoneme ? 1.0 : factor);
  }
  return rendered;
}

VoiceCheck CheckSpeech(const VoiceInventory& voice, const RenderedSpeech& speech) {
  VoiceCheck check;
  check.seconds = static_cast<double>(speech.audio.size()) / voice.samplingFrequency;
  for (int16_t s : speech.audio) {
    const int32_t a = std::abs(static_cast<int32_t>(s));
    check.peak = std::max(check.peak, a);
    if (a >= 32767) ++check.clipped;
  }
  // Loudness over the speech: 20 ms frames within 40 dB of the loudest frame.
  const auto frame = static_cast<size_t>(voice.samplingFrequency / 50);
  std::vector<double> energies;
  for (size_t at = 0; frame > 0 && at + frame <= speech.audio.size(); at += frame) {
    double sum = 0.0;
    for (size_t i = at; i < at + frame; ++i)
      sum += static_cast<double>(speech.audio[i]) * speech.audio[i];
    energies.push_back(sum / static_cast<double>(frame));
  }
  const double loudest =
      energies.empty() ? 0.0 : *std::max_element(energies.begin(), energies.end());
  double active = 0.0;
  int64_t activeFrames = 0;
  for (double e : energies) {
    if (e > 0.0 && e >= loudest * 1e-4) {
      active += e;
      ++activeFrames;
    }
  }
  if (activeFrames > 0)
    check.speechRmsDb = 10.0 * std::log10(active / activeFrames / (32768.0 * 32768.0));
  const double fs = voice.samplingFrequency;
  auto periodOf = [&](size_t i) { return fs / (voice.baseF0 * speech.factors[i]); };
  const auto size = static_cast<int64_t>(speech.audio.size());
  double joinSum = 0.0, steadySum = 0.0;
  int32_t joins = 0, steadies = 0;
  for (size_t i = 0; i < speech.phonemeMiddles.size(); ++i) {
    const int64_t middle = speech.phonemeMiddles[i];
    if (speech.factors[i] <= 0.0) continue;  // not matched to the stream
    const double expected = periodOf(i);
    const auto period = static_cast<int32_t>(expected);
    // The period around the middle of a voiced, sounding phoneme.
    const bool voiced = std::string_view("AaEeIiOoUuYylLmnrjMNRwW").find(speech.phonemes[i]) !=
                        std::string_view::npos;
    // Next to a pause the pitch glides from the pause's neutral pitch, so only phonemes between
    // two sounding phonemes are held to the pitch of the rendering.
    const bool inside = i > 0 && i + 1 < speech.phonemes.size() && speech.phonemes[i - 1] != '_' &&
                        speech.phonemes[i + 1] != '_' && speech.factors[i - 1] > 0.0 &&
                        speech.factors[i + 1] > 0.0;
    if (voiced && inside) {
      // The measuring window reaches about two periods to either side, which in short phonemes
      // is past the neighbours' middles: the glide may come from the targets two phonemes away.
      double shortest = expected, longest = expected;
      for (size_t n = i - std::min<size_t>(i, 2); n <= i + 2 && n < speech.phonemes.size(); ++n) {
        if (speech.factors[n] <= 0.0) continue;
        shortest = std::min(shortest, periodOf(n));
        longest = std::max(longest, periodOf(n));
      }
      const auto lowest = static_cast<int32_t>(shortest * 0.75);
      const auto highest = static_cast<int32_t>(longest * 1.25);
      if (middle - 3 * highest >= 0 && middle + 3 * highest < size &&
          Rms(speech.audio, middle - highest, 2 * highest) > 300.0) {
        const bool level = speech.factors[i - 1] == speech.factors[i] &&
                           speech.factors[i + 1] == speech.factors[i];
        // Where the period glides through the middle, a window of about two periods sees the
        // middle's own period; where it is level, a longer window measures it more steadily.
        const int32_t lag = BestLag(speech.audio, middle, lowest, highest, level ? 2 : 1);
        // The engine renders whole periods: truncate(expected) samples each.
        const bool exact = std::abs(lag - period) <= 1;
        if (level) {
          ++check.periodsMeasured;
          ++check.levelPeriods[period];
          if (!exact) {
            ++check.periodsOff;
            check.offPhonemes += std::string(1, speech.phonemes[i]) + ":" + std::to_string(lag) +
                                 "/" + std::to_string(period) + " ";
          }
        } else {
          ++check.glidingMeasured;
          if (exact) ++check.glidingExact;
          // A unit's last period may overshoot its target by one step of the glide (its period
          // count is not whole); a glide between two middles has at least four periods.
          const double step = (longest - shortest) / 3.0;
          if (lag < static_cast<int32_t>(shortest - step) - 1 ||
              lag > static_cast<int32_t>(longest + step) + 1) {
            ++check.glidingOff;
            check.glidingOffPhonemes += std::string(1, speech.phonemes[i]) + ":" +
                                        std::to_string(lag) + "/" +
                                        std::to_string(static_cast<int32_t>(shortest)) + "-" +
                                        std::to_string(static_cast<int32_t>(longest)) + " ";
          }
        }
      }
    }
    // Units join near the middle of each phoneme (where its units meet); a quarter of the way to
    // the next phoneme's middle lies inside one unit.
    const double j = Jump(speech.audio, middle, period);
    if (j >= 0.0) {
      joinSum += j;
      ++joins;
    }
    if (i + 1 < speech.phonemeMiddles.size()) {
      const int64_t within = middle + (speech.phonemeMiddles[i + 1] - middle) / 4;
      const double s = Jump(speech.audio, within, period);
      if (s >= 0.0) {
        steadySum += s;
        ++steadies;
      }
    }
  }
  check.joinJump = joins > 0 ? joinSum / joins : 0.0;
  check.steadyJump = steadies > 0 ? steadySum / steadies : 0.0;
  return check;
}

std::string RandomPhonemeText(int32_t words, uint32_t seed) {
  constexpr std::string_view kVowels = "aeiouy";
  constexpr std::string_view kConsonants = "bwgdvzklmnprstfhc46j#";
  constexpr std::string_view kPalatalised = "BWGDZKLMNPRSTFHC";
  // Bulgarian assimilates voicing in obstruent clusters and devoices word ends, so the text only
  // has clusters of a consonant and a sonorant (or w) and ends words in sonorants.
  constexpr std::string_view kSecond = "lmnrw";
  constexpr std::string_view kFinal = "lmnrj";
  uint32_t state = seed * 2654435761u + 1;
  auto next = [&](uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  };
  auto pick = [&](std::string_view from) { return from[next(static_cast<uint32_t>(from.size()))]; };
  std::string text;
  for (int32_t w = 0; w < words; ++w) {
    if (w > 0 && next(6) == 0) text += ' ';  // a pause every few words
    const uint32_t syllables = 1 + next(3);
    const uint32_t stressed = next(syllables);
    for (uint32_t s = 0; s < syllables; ++s) {
      if (next(6) == 0) {
        text += pick(kPalatalised);
      } else {
        const char first = pick(kConsonants);
        text += first;
        if (first != 'j' && next(4) == 0) {
          const char second = pick(kSecond);
          if (second != first) text += second;
        }
      }
      const char vowel = pick(kVowels);
      text += s == stressed ? static_cast<char>(vowel == 'y' ? 'Y' : vowel - 32) : vowel;
    }
    if (next(3) == 0) text += pick(kFinal);
  }
  return text;
}

}  // namespace brelvox::voicebuild
