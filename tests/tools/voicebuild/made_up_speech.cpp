#include "made_up_speech.h"

#include <cmath>
#include <numbers>

namespace brelvox::voicebuild {

std::vector<double> MadeUpSpeech(std::vector<int32_t>* pulses) {
  constexpr double kRate = 16000.0;
  std::vector<double> signal(1600, 0.0);
  auto vowel = [&](int32_t length) {
    const size_t start = signal.size();
    signal.resize(start + static_cast<size_t>(length), 0.0);
    for (double t = 20.0; t < length - 20; t += 140.0 - 30.0 * t / length) {
      const auto at = static_cast<int32_t>(start) + static_cast<int32_t>(t);
      pulses->push_back(at);
      for (int32_t i = 0; i < 300 && at + i < static_cast<int32_t>(signal.size()); ++i) {
        signal[static_cast<size_t>(at + i)] +=
            9000.0 * std::exp(-i / 40.0) * std::sin(2 * std::numbers::pi * 700.0 * i / kRate);
      }
    }
  };
  vowel(3000);
  uint32_t state = 1;
  for (int32_t i = 0; i < 1500; ++i) {
    state = state * 1664525u + 1013904223u;
    signal.push_back(static_cast<double>(static_cast<int32_t>(state >> 20) - 2048));
  }
  vowel(3000);
  signal.resize(signal.size() + 1600, 0.0);
  return signal;
}

std::vector<int16_t> MadeUpSamples(std::vector<int32_t>* pulses) {
  std::vector<int16_t> samples;
  for (double v : MadeUpSpeech(pulses))
    samples.push_back(static_cast<int16_t>(std::lround(v)));
  return samples;
}

}  // namespace brelvox::voicebuild
