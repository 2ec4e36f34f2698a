#include "synthetic_voice.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/core/sound/phoneme_set.h"

namespace brelvox::voicefile {

namespace {

// A phoneme's model: formants excited by a pulse train, plus noise.
struct PhonemeModel {
  double voicing;     // amplitude of the pulse excitation
  double f1, f2, f3;  // formant frequencies (Hz)
  double noise;       // amplitude of the noise
  double closure;     // share of the phoneme's half that is silent before a burst (stops)
};

PhonemeModel ModelOf(char c) {
  const bool stressed =
      c >= 'A' && c <= 'Z' && std::string_view("AEIOUY").find(c) != std::string_view::npos;
  const double loud = stressed ? 1.0 : 0.8;
  switch (std::tolower(static_cast<unsigned char>(c))) {
    case 'a':
      return {loud, 750, 1250, 2600, 0, 0};
    case 'e':
      return {loud, 520, 1850, 2550, 0, 0};
    case 'i':
      return {loud, 300, 2250, 3000, 0, 0};
    case 'o':
      return {loud, 520, 900, 2500, 0, 0};
    case 'u':
      return {loud, 340, 780, 2300, 0, 0};
    case 'y':
      return {loud, 520, 1350, 2500, 0, 0};
    default:
      break;
  }
  // Consonants: palatalised ones (upper case) get a raised second formant.
  const double f2 = std::isupper(static_cast<unsigned char>(c)) ? 2000 : 1300;
  switch (std::tolower(static_cast<unsigned char>(c))) {
    case 'm':
    case 'n':
      return {0.45, 260, f2 - 300, 2300, 0, 0};
    case 'l':
    case 'r':
      return {0.55, 380, f2 - 100, 2500, 0, 0};
    case 'j':
    case '\'':
      return {0.5, 300, 2200, 2900, 0, 0};
    case 'b':
    case 'd':
    case 'g':
      return {0.3, 300, f2, 2400, 0.15, 0.6};
    case 'w':
    case 'z':
    case 'v':
    case '&':
    case '%':
    case '#':
      return {0.3, 300, f2, 2400, 0.25, 0};
    case 'p':
    case 't':
    case 'k':
    case 'c':
    case '4':
      return {0.0, 500, f2, 2500, 0.35, 0.6};
    case 'f':
    case 's':
    case '6':
    case 'h':
      return {0.0, 500, f2, 2500, 0.35, 0};
    default:
      return {0, 500, 1500, 2500, 0, 0};  // pause
  }
}

struct Resonators {
  double state[3][2] = {};
};

// One sample of three two-pole resonators at the given formants (bandwidth 90 Hz each).
double Resonate(Resonators& r, double input, const PhonemeModel& m, double fs) {
  const double formants[3] = {m.f1, m.f2, m.f3};
  double out = 0;
  for (int k = 0; k < 3; ++k) {
    const double radius = std::exp(-std::numbers::pi * 90.0 / fs);
    const double a1 = 2 * radius * std::cos(2 * std::numbers::pi * formants[k] / fs);
    const double a2 = -radius * radius;
    const double y = input + a1 * r.state[k][0] + a2 * r.state[k][1];
    r.state[k][1] = r.state[k][0];
    r.state[k][0] = y;
    out += y * (1.0 - radius) / (k + 1);
  }
  return out;
}

PhonemeModel Blend(const PhonemeModel& a, const PhonemeModel& b, double w) {
  auto mix = [w](double x, double y) { return x + (y - x) * w; };
  return {mix(a.voicing, b.voicing), mix(a.f1, b.f1),       mix(a.f2, b.f2),
          mix(a.f3, b.f3),           mix(a.noise, b.noise), 0};
}

}  // namespace

VoiceFileContents MakeSyntheticVoice(const SyntheticVoiceOptions& options) {
  VoiceFileContents voice;
  const double fs = options.sampleRate;
  const auto period = static_cast<int32_t>(fs / options.baseF0);
  VoiceFileHeader& h = voice.header;
  h.sampleRate = options.sampleRate;
  h.samplingFrequency = fs;
  h.baseF0 = fs / period;
  // Room for the longest period: lowest stress and lowest pitch adjust.
  h.maxHalfFrame = static_cast<int32_t>(period / (PitchTable[0] * PitchTable[0])) + 2;
  h.leadInFrequency = fs / (2.0 * h.maxHalfFrame);
  h.smoothBack = 2;
  h.smoothForward = 2;

  uint32_t seed = 12345;
  auto noise = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<double>(static_cast<int32_t>(seed)) / 2147483648.0;
  };
  const int32_t half = 5 * period;  // each phoneme half lasts five periods
  voice.units.resize(kUnitTableEntries);
  for (int32_t left = 0; left < kVoicePhonemeCount; ++left) {
    for (int32_t right = 0; right < kVoicePhonemeCount; ++right) {
      const PhonemeModel a = ModelOf(kVoiceIndexOrder[static_cast<size_t>(left)]);
      const PhonemeModel b = ModelOf(kVoiceIndexOrder[static_cast<size_t>(right)]);
      const int32_t duration = 2 * half;
      DiphoneUnit& unit = voice.units[static_cast<size_t>(left * kVoicePhonemeCount + right)];
      unit.start = static_cast<int32_t>(voice.samples.size()) + period;
      unit.duration = duration;
      unit.boundary = half;
      unit.firstMark = static_cast<int32_t>(voice.marks.size());
      unit.markCount = duration / period + 1;
      for (int32_t k = 0; k < unit.markCount; ++k) {
        voice.marks.push_back(PitchMark{k * period - period, period, period, 0});
      }
      Resonators resonators;
      for (int32_t n = -period; n < duration + period; ++n) {
        const double u = std::clamp((n - half * 0.6) / (half * 0.8), 0.0, 1.0);
        const PhonemeModel m = Blend(a, b, u);
        const bool inLeft = n < half;
        const PhonemeModel& own = inLeft ? a : b;
        const int32_t intoHalf = inLeft ? n : n - half;
        const bool silent =
            own.closure > 0 && intoHalf >= 0 && intoHalf < own.closure * half && !inLeft;
        const double pulse = (((n % period) + period) % period == 0) ? 1.0 : 0.0;
        double x = Resonate(resonators, pulse * m.voicing * 9000.0, m, fs);
        x += noise() * m.noise * 6000.0;
        if (silent) x *= 0.05;
        voice.samples.push_back(static_cast<int16_t>(std::clamp(3.0 * x, -30000.0, 30000.0)));
      }
    }
  }
  return voice;
}

}  // namespace brelvox::voicefile
