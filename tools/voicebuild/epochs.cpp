#include "epochs.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace brelvox::voicebuild {

namespace {

constexpr double kVoicedCorrelation = 0.5;

// Normalised correlation of the signal around `centre` with itself `lag` samples later, over a
// window of `half` samples to either side; 0 where the window leaves the signal.
double Correlation(const std::vector<double>& x, int32_t centre, int32_t lag, int32_t half) {
  if (centre - half < 0 || centre + half + lag > static_cast<int32_t>(x.size())) return 0.0;
  return NormalisedCorrelation(x, centre - half, centre - half + lag, 2 * half);
}

// The period near `guess` at `centre`: the best lag from 0.8 to 1.25 times the guess (the whole
// range when the guess is outside it); 0 when no lag correlates well enough.
double PeriodNear(const std::vector<double>& x, int32_t centre, double guess, int32_t shortest,
                  int32_t longest) {
  int32_t from = shortest, to = longest, step = 2;
  if (guess >= shortest && guess <= longest) {
    from = std::max(shortest, static_cast<int32_t>(0.8 * guess));
    to = std::min(longest, static_cast<int32_t>(1.25 * guess) + 1);
    step = 1;
  }
  double best = 0.0;
  int32_t bestLag = 0;
  for (int32_t lag = from; lag <= to; lag += step) {
    const double c = Correlation(x, centre, lag, std::max(lag, shortest));
    if (c > best) {
      best = c;
      bestLag = lag;
    }
  }
  if (step > 1 && bestLag > 0) {  // refine the coarse search
    for (int32_t lag = std::max(shortest, bestLag - 1); lag <= std::min(longest, bestLag + 1);
         ++lag) {
      const double c = Correlation(x, centre, lag, std::max(lag, shortest));
      if (c > best) {
        best = c;
        bestLag = lag;
      }
    }
  }
  return best >= kVoicedCorrelation ? bestLag : 0.0;
}

void Fft(std::vector<std::complex<double>>* data) {
  auto& a = *data;
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1)
      j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const double angle = -2.0 * std::numbers::pi / static_cast<double>(len);
    const std::complex<double> w(std::cos(angle), std::sin(angle));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> wk(1.0, 0.0);
      for (size_t k = 0; k < len / 2; ++k) {
        const std::complex<double> u = a[i + k];
        const std::complex<double> v = a[i + k + len / 2] * wk;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        wk *= w;
      }
    }
  }
}

}  // namespace

Epochs DetectEpochs(const std::vector<double>& signal, const std::vector<int32_t>& seeds,
                    const std::vector<SampleRange>& voicedRanges, int32_t shortest, int32_t longest,
                    double nominalPeriod) {
  const auto total = static_cast<int32_t>(signal.size());
  // The dominant polarity of the glottal pulses: the sign of the skew in the voiced ranges.
  double skew = 0.0;
  for (const SampleRange& r : voicedRanges) {
    for (int32_t i = std::max(r.start, 0); i < std::min(r.end, total); ++i) {
      const double v = signal[static_cast<size_t>(i)];
      skew += v * v * v;
    }
  }
  const double polarity = skew < 0.0 ? -1.0 : 1.0;
  auto peakIn = [&](int32_t from, int32_t to) {
    from = std::clamp(from, 0, total - 1);
    to = std::clamp(to, from + 1, total);
    int32_t best = from;
    for (int32_t i = from; i < to; ++i) {
      if (polarity * signal[static_cast<size_t>(i)] > polarity * signal[static_cast<size_t>(best)])
        best = i;
    }
    return best;
  };
  // The next epoch after `mark` in [from, to): where a period-long stretch best matches the one
  // at `mark` (so that every mark sits at the same point of the waveform's shape, as overlap-add
  // needs), or the largest peak where nothing matches well.
  auto followShape = [&](int32_t mark, int32_t from, int32_t to, int32_t period) {
    const int32_t half = period / 2;
    if (mark - half < 0 || to + half >= total) return peakIn(from, to);
    double best = -1.0;
    int32_t bestAt = from;
    for (int32_t t = from; t < to; ++t) {
      const double c = NormalisedCorrelation(signal, mark - half, t - half, 2 * half);
      if (c > best) {
        best = c;
        bestAt = t;
      }
    }
    return best >= 0.7 ? bestAt : peakIn(from, to);
  };
  // The period at the seed nearest a position, from the seeds' spacing checked against the
  // waveform (computed once a seed).
  std::vector<double> seedPeriod(seeds.size(), -1.0);
  auto periodAt = [&](int32_t position) {
    if (seeds.empty()) return PeriodNear(signal, position, 0.0, shortest, longest);
    const auto it = std::lower_bound(seeds.begin(), seeds.end(), position);
    size_t k = static_cast<size_t>(it - seeds.begin());
    if (k == seeds.size() || (k > 0 && position - seeds[k - 1] < seeds[k] - position)) --k;
    if (seedPeriod[k] < 0.0) {
      const double before = k > 0 ? seeds[k] - seeds[k - 1] : 0.0;
      const double after = k + 1 < seeds.size() ? seeds[k + 1] - seeds[k] : before;
      const double guess = before > 0.0 ? std::min(before, after) : after;
      seedPeriod[k] = PeriodNear(signal, seeds[k], guess, shortest, longest);
    }
    return seedPeriod[k];
  };

  Epochs epochs;
  std::vector<int32_t> voicedMarks;
  for (const SampleRange& r : voicedRanges) {
    const int32_t start = std::max(r.start, 0);
    const int32_t end = std::min(r.end, total);
    int32_t at = start;
    while (at + shortest < end) {
      double period = periodAt(at);
      if (period <= 0.0) {  // not voiced here: try from the next seed
        const auto next = std::upper_bound(seeds.begin(), seeds.end(), at);
        at = next == seeds.end() ? end : std::max(*next, at + shortest);
        continue;
      }
      int32_t mark = peakIn(at, std::min(end, at + static_cast<int32_t>(period)));
      voicedMarks.push_back(mark);
      while (true) {
        const double local = periodAt(mark);
        if (local <= 0.0) break;
        period = local;
        const auto from = mark + static_cast<int32_t>(0.8 * period);
        const auto to = std::min(end, mark + static_cast<int32_t>(1.2 * period) + 1);
        if (from >= to) break;
        const int32_t next = followShape(mark, from, to, static_cast<int32_t>(period));
        epochs.spacings.push_back(next - mark);
        voicedMarks.push_back(next);
        mark = next;
      }
      at = mark + shortest;
    }
  }
  std::sort(voicedMarks.begin(), voicedMarks.end());
  voicedMarks.erase(std::unique(voicedMarks.begin(), voicedMarks.end()), voicedMarks.end());
  epochs.marks = FillMarkGaps(voicedMarks, total, nominalPeriod);
  epochs.voiced.reserve(epochs.marks.size());
  for (int32_t m : epochs.marks)
    epochs.voiced.push_back(std::binary_search(voicedMarks.begin(), voicedMarks.end(), m) ? 1 : 0);
  return epochs;
}

double VoicedFraction(const Epochs& epochs, int32_t start, int32_t end) {
  if (end <= start) return 0.0;
  double covered = 0.0;
  const auto& m = epochs.marks;
  const auto first = static_cast<size_t>(std::lower_bound(m.begin(), m.end(), start) - m.begin());
  for (size_t k = std::max<size_t>(first, 1); k < m.size() && m[k - 1] < end; ++k) {
    if (epochs.voiced[k - 1] && epochs.voiced[k])
      covered += std::min(m[k], end) - std::max(m[k - 1], start);
  }
  return std::clamp(covered / (end - start), 0.0, 1.0);
}

double PeriodAt(const Epochs& epochs, int32_t position) {
  const auto& m = epochs.marks;
  const auto k = static_cast<size_t>(std::lower_bound(m.begin(), m.end(), position) - m.begin());
  double sum = 0.0;
  int32_t count = 0;
  for (size_t j = k > 1 ? k - 1 : 1; j < m.size() && j <= k + 1; ++j) {
    if (epochs.voiced[j - 1] && epochs.voiced[j]) {
      sum += m[j] - m[j - 1];
      ++count;
    }
  }
  return count > 0 ? sum / count : 0.0;
}

const std::array<float, 16>& SpectralFrames::Frame(int32_t centre) {
  const auto found = frames_.find(centre);
  if (found != frames_.end()) return found->second;
  constexpr int32_t kSize = 256;
  std::vector<std::complex<double>> data(kSize);
  const auto total = static_cast<int32_t>(signal_.size());
  for (int32_t i = 0; i < kSize; ++i) {
    const int32_t at = centre - kSize / 2 + i;
    const double window = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / kSize);
    data[static_cast<size_t>(i)] =
        at >= 0 && at < total ? signal_[static_cast<size_t>(at)] * window : 0.0;
  }
  Fft(&data);
  // 16 bands on a roughly logarithmic scale over bins 1 to 127.
  static constexpr std::array<int32_t, 17> kEdges = {1,  3,  5,  7,  9,  12, 15,  19, 23,
                                                     28, 34, 42, 52, 64, 80, 100, 128};
  std::array<float, 16> bands{};
  for (size_t b = 0; b < 16; ++b) {
    double energy = 0.0;
    for (int32_t k = kEdges[b]; k < kEdges[b + 1]; ++k)
      energy += std::norm(data[static_cast<size_t>(k)]);
    // A floor about 40 dB under speech keeps faint noise from weighing like a change of sound.
    bands[b] = static_cast<float>(10.0 * std::log10(energy / (kEdges[b + 1] - kEdges[b]) + 1e6));
  }
  return frames_.emplace(centre, bands).first->second;
}

double SpectralFrames::Change(int32_t position) {
  constexpr int32_t kOffset = 128;  // 8 ms at 16 kHz
  const std::array<float, 16>& before = Frame(position - kOffset);
  const std::array<float, 16>& after = Frame(position + kOffset);
  double sum = 0.0;
  for (size_t b = 0; b < 16; ++b)
    sum += (after[b] - before[b]) * (after[b] - before[b]);
  return std::sqrt(sum / 16.0);
}

int32_t SpectralFrames::Boundary(int32_t label, int32_t reach, int32_t lowest, int32_t highest) {
  constexpr int32_t kStep = 32;  // 2 ms at 16 kHz
  int32_t best = label;
  double bestChange = Change(label);
  for (int32_t at = label - reach; at <= label + reach; at += kStep) {
    if (at < lowest || at > highest || at == label) continue;
    const double c = Change(at);
    if (c > bestChange) {
      bestChange = c;
      best = at;
    }
  }
  return best;
}

}  // namespace brelvox::voicebuild
