#include "overlap_add.h"

#include <algorithm>
#include <cmath>

namespace {

template <typename Sample>
void ApplyHalf(const double* weights, double (*weight)(int32_t, int32_t), const Sample* source,
               double* frame, int32_t n) {
  if (weights != nullptr) {
    for (int32_t i = 0; i < n; ++i)
      frame[i] = weights[i] * source[i];
  } else {
    for (int32_t i = 0; i < n; ++i)
      frame[i] = weight(i, n) * source[i];
  }
}

template <typename Sample>
int32_t Window(const WindowTable& table, const Sample* source, double* frame, int32_t a, int32_t b,
               int32_t c, int32_t e) {
  int32_t out = 0;
  if (a > c) source += a - c;
  for (; out < c - a; ++out)
    frame[out] = 0.0;
  const int32_t n = std::min(a, c);
  const int32_t m = std::min(b, e);
  ApplyHalf(RisingWindow(table, n), RisingWindowWeight, source, frame + out, n);
  ApplyHalf(FallingWindow(table, m), FallingWindowWeight, source + n, frame + out + n, m);
  return c + m;
}

int32_t ClampHalf(const VoiceInventory& voice, int32_t length) {
  return std::clamp(length, 0, voice.maxHalfFrame);
}

}  // namespace

int32_t WindowFrame(const WindowTable& table, const int16_t* source, double* frame, int32_t a,
                    int32_t b, int32_t c, int32_t e) {
  return Window(table, source, frame, a, b, c, e);
}

int32_t WindowFrame(const WindowTable& table, const double* source, double* frame, int32_t a,
                    int32_t b, int32_t c, int32_t e) {
  return Window(table, source, frame, a, b, c, e);
}

JunctionSpan JunctionDifference(const int16_t* previous, int32_t a, int32_t b,
                                const int16_t* current, int32_t c, int32_t d, double* delta) {
  const JunctionSpan span{std::min(a, c), std::min(b, d)};
  previous += std::max(0, a - c);
  current += std::max(0, c - a);
  const int32_t length = span.left + span.right;
  for (int32_t i = 0; i < length; ++i) {
    delta[i] = static_cast<double>(previous[i]) - static_cast<double>(current[i]);
  }
  return span;
}

int32_t MixFrame(double* mix, int32_t mixLength, const double* frame, int32_t length,
                 int32_t position, double weight) {
  const int64_t first = std::max<int64_t>(0, -int64_t{position});
  const int64_t end = std::min<int64_t>(length, int64_t{mixLength} - position);
  for (int64_t i = first; i < end; ++i)
    mix[position + i] += weight * frame[i];
  return position + length;
}

void ConvertToPcm(const double* mix, int16_t* pcm, int32_t count, double gain) {
  // For |x| < 32768 truncation gives at most 32767 in size, so clamping before truncating gives the
  // same samples as clipping the truncated value to +-32767 by the sign of the mix.
  for (int32_t i = 0; i < count; ++i) {
    const double x = std::fmin(std::fmax(gain * mix[i], -32767.0), 32767.0);
    pcm[i] = static_cast<int16_t>(x);
  }
}

int32_t PeriodLength(const VoiceInventory& voice, double startPeriod, double increment, int32_t j) {
  const double length = startPeriod + j * increment;
  const int32_t longest = voice.bufferLength / 4;
  if (!(length >= 1.0)) return 1;
  if (length >= longest) return longest;
  return static_cast<int32_t>(length);
}

int32_t SynthesizePeriod(VoiceInventory& voice, const PreviousFrame& previous,
                         JunctionSpan& junction, int32_t j, int32_t L, int32_t R,
                         const PeriodWindow& window, bool smoothing, int32_t centre) {
  const WindowTable& table = voice.windows;
  L = ClampHalf(voice, L);
  R = ClampHalf(voice, R);
  // A call's first unit has no previous frame to be smoothed against.
  smoothing = smoothing && previous.windowStart != nullptr;
  if (j == 0 && smoothing) {
    junction = JunctionDifference(previous.windowStart, previous.left, previous.right, window.start,
                                  window.left, window.right, voice.deltaBuffer);
    // Walk back from the junction into the previous unit, one period at a time.
    const int32_t back = voice.smoothBack;
    int32_t position = centre;
    for (int32_t q = 0; q < back && position > -voice.maxHalfFrame; ++q) {
      const int32_t k = previous.lastPeriod - q;
      const int32_t left = PeriodLength(voice, previous.startPeriod, previous.increment, k - 1);
      const int32_t right = PeriodLength(voice, previous.startPeriod, previous.increment, k);
      const int32_t targetLeft = ClampHalf(voice, left);
      const int32_t length = WindowFrame(table, voice.deltaBuffer, voice.frameBuffer, junction.left,
                                         junction.right, targetLeft, ClampHalf(voice, right));
      position -= right;
      const double weight = -((back - q) - 0.5) / (2.0 * back);
      MixFrame(voice.mixBuffer, voice.bufferLength, voice.frameBuffer, length,
               position - targetLeft, weight);
    }
  }
  int32_t length =
      WindowFrame(table, window.start, voice.frameBuffer, window.left, window.right, L, R);
  const int32_t fill =
      MixFrame(voice.mixBuffer, voice.bufferLength, voice.frameBuffer, length, centre - L, 1.0);
  if (j < voice.smoothForward && smoothing) {
    length = WindowFrame(table, voice.deltaBuffer, voice.frameBuffer, junction.left, junction.right,
                         L, R);
    const double weight = ((voice.smoothForward - j) - 0.5) / (2.0 * voice.smoothForward);
    MixFrame(voice.mixBuffer, voice.bufferLength, voice.frameBuffer, length, centre - L, weight);
  }
  return fill;
}
