#include "engine/core/sound/overlap_add.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

template <typename Sample>
void ApplyHalf(const double* __restrict weights, double (*weight)(int32_t, int32_t),
               const Sample* __restrict source, double* __restrict frame, int32_t n) {
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

// Where the system loader can choose between versions of a function (ELF's indirect functions);
// elsewhere there is one version.
#if defined(__ELF__)
#define BRELVOX_WIDER_CLONE __attribute__((target_clones("avx2", "default")))
#else
#define BRELVOX_WIDER_CLONE
#endif

// mix[position + i] += weights[i] * source[i] for i below n, inside [0, mixLength) only. The same
// sums as windowing into a frame and mixing it with weight 1. Compiled twice, the wider version
// taken on processors that have it (no fused multiply-add in either, so the sums are the same).
BRELVOX_WIDER_CLONE void AddWindowed(double* mix, int32_t mixLength, int32_t position,
                                     const double* weights, const int16_t* source, int32_t n) {
  const int32_t first = std::max(0, -position);
  const int32_t end = static_cast<int32_t>(std::min<int64_t>(n, int64_t{mixLength} - position));
  double* __restrict out = mix + position;
  const double* __restrict w = weights;
  const int16_t* __restrict in = source;
  for (int32_t i = first; i < end; ++i)
    out[i] += w[i] * in[i];
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
  double* __restrict out = mix + position;
  const double* __restrict in = frame;
  for (int64_t i = first; i < end; ++i)
    out[i] += weight * in[i];
  return position + length;
}

int32_t WindowIntoMix(const WindowTable& table, const int16_t* source, int32_t a, int32_t b,
                      int32_t c, int32_t e, double* frame, double* mix, int32_t mixLength,
                      int32_t position) {
  const int32_t n = std::min(a, c);
  const int32_t m = std::min(b, e);
  const double* rising = RisingWindow(table, n);
  const double* falling = FallingWindow(table, m);
  if ((n > 0 && rising == nullptr) || (m > 0 && falling == nullptr)) {
    // Halves longer than the tables are weighted per sample through the frame buffer.
    const int32_t length = WindowFrame(table, source, frame, a, b, c, e);
    return MixFrame(mix, mixLength, frame, length, position, 1.0);
  }
  // The zeros in front of a short left part add nothing; the rising half starts after them.
  const int32_t risingAt = position + (c - n);
  AddWindowed(mix, mixLength, risingAt, rising, source + (a - n), n);
  AddWindowed(mix, mixLength, risingAt + n, falling, source + a, m);
  return position + c + m;
}

void ConvertToPcm(const double* mix, int16_t* pcm, int32_t count, double gain) {
  // For |x| < 32768 truncation gives at most 32767 in size, so clamping before truncating gives the
  // same samples as clipping the truncated value to +-32767 by the sign of the mix. max and min
  // take their second operand when the first is a NaN, so a NaN becomes -32767 as with fmax.
  int32_t i = 0;
#if defined(__SSE2__)
  const __m128d scale = _mm_set1_pd(gain);
  const __m128d low = _mm_set1_pd(-32767.0);
  const __m128d high = _mm_set1_pd(32767.0);
  const auto clamp = [&](const double* at) {
    return _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(_mm_mul_pd(scale, _mm_loadu_pd(at)), low), high));
  };
  for (; i + 8 <= count; i += 8) {
    const __m128i a = _mm_unpacklo_epi64(clamp(mix + i), clamp(mix + i + 2));
    const __m128i b = _mm_unpacklo_epi64(clamp(mix + i + 4), clamp(mix + i + 6));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pcm + i), _mm_packs_epi32(a, b));
  }
#endif
  for (; i < count; ++i) {
    double x = gain * mix[i];
    x = x > -32767.0 ? x : -32767.0;
    x = x < 32767.0 ? x : 32767.0;
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
  const int32_t fill =
      WindowIntoMix(table, window.start, window.left, window.right, L, R, voice.frameBuffer,
                    voice.mixBuffer, voice.bufferLength, centre - L);
  if (j < voice.smoothForward && smoothing) {
    const int32_t length = WindowFrame(table, voice.deltaBuffer, voice.frameBuffer, junction.left,
                                       junction.right, L, R);
    const double weight = ((voice.smoothForward - j) - 0.5) / (2.0 * voice.smoothForward);
    MixFrame(voice.mixBuffer, voice.bufferLength, voice.frameBuffer, length, centre - L, weight);
  }
  return fill;
}
