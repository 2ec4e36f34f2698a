#include "pitch_marks.h"

#include <algorithm>
#include <cmath>

namespace brelvox::voicebuild {

namespace {

double At(const std::vector<double>& signal, double position) {
  const auto i = static_cast<int64_t>(std::floor(position));
  if (i < 0 || i + 1 >= static_cast<int64_t>(signal.size())) return 0.0;
  const double f = position - static_cast<double>(i);
  return signal[static_cast<size_t>(i)] * (1.0 - f) + signal[static_cast<size_t>(i + 1)] * f;
}

double FoldEnergy(const std::vector<double>& signal, SampleRange range, double period) {
  const auto length = static_cast<int32_t>(std::floor(period));
  double energy = 0.0;
  for (double v : FoldPeriod(signal, range, period, length))
    energy += v * v;
  return energy / length;
}

// Phase (0 to length - 1) at which the folded period best matches the reference.
int32_t BestLag(const std::vector<double>& folded, const std::vector<double>& reference) {
  const auto length = static_cast<int32_t>(std::min(folded.size(), reference.size()));
  int32_t best = 0;
  double bestScore = -1e300;
  for (int32_t lag = 0; lag < length; ++lag) {
    double score = 0.0;
    for (int32_t j = 0; j < length; ++j)
      score += folded[static_cast<size_t>((j + lag) % length)] * reference[static_cast<size_t>(j)];
    if (score > bestScore) {
      bestScore = score;
      best = lag;
    }
  }
  return best;
}

}  // namespace

std::vector<double> FoldPeriod(const std::vector<double>& signal, SampleRange range, double period,
                               int32_t length) {
  std::vector<double> folded(static_cast<size_t>(std::max(length, 0)), 0.0);
  int32_t count = 0;
  for (double origin = range.start; origin + period <= range.end; origin += period) {
    for (int32_t j = 0; j < length; ++j)
      folded[static_cast<size_t>(j)] += At(signal, origin + j);
    ++count;
  }
  if (count > 0) {
    for (double& v : folded)
      v /= count;
  }
  return folded;
}

double MeasureFlatPeriod(const std::vector<double>& signal, SampleRange range, double shortest,
                         double longest) {
  double best = shortest;
  double bestEnergy = -1.0;
  for (double p = shortest; p <= longest; p += 0.25) {
    const double e = FoldEnergy(signal, range, p);
    if (e > bestEnergy) {
      bestEnergy = e;
      best = p;
    }
  }
  const double coarse = best;
  for (double p = coarse - 0.3; p <= coarse + 0.3; p += 0.002) {
    const double e = FoldEnergy(signal, range, p);
    if (e > bestEnergy) {
      bestEnergy = e;
      best = p;
    }
  }
  return best;
}

PitchGrid MakePitchGrid(const std::vector<double>& signal, SampleRange range, double period) {
  PitchGrid grid;
  grid.period = period;
  const auto length = static_cast<int32_t>(std::lround(period));
  const std::vector<double> folded = FoldPeriod(signal, range, period, length);
  size_t peak = 0;
  for (size_t j = 1; j < folded.size(); ++j) {
    if (std::fabs(folded[j]) > std::fabs(folded[peak])) peak = j;
  }
  grid.reference.resize(folded.size());
  for (size_t j = 0; j < folded.size(); ++j)
    grid.reference[j] = folded[(j + peak) % folded.size()];
  return grid;
}

std::vector<int32_t> PlacePitchMarks(const std::vector<double>& signal,
                                     const std::vector<SampleRange>& voiced,
                                     const PitchGrid& grid) {
  const double period = grid.period;
  const auto length = static_cast<int32_t>(grid.reference.size());
  const auto total = static_cast<int32_t>(signal.size());
  std::vector<int32_t> marks;
  for (const SampleRange& range : voiced) {
    if (range.end - range.start < period) continue;  // too short to phase: filled below
    const std::vector<double> folded = FoldPeriod(signal, range, period, length);
    const int32_t lag = BestLag(folded, grid.reference);
    for (double m = range.start + lag; m < range.end; m += period) {
      const auto mark = static_cast<int32_t>(std::lround(m));
      if (mark >= 0 && mark < total) marks.push_back(mark);
    }
  }
  std::sort(marks.begin(), marks.end());
  marks.erase(std::unique(marks.begin(), marks.end()), marks.end());

  return FillMarkGaps(marks, total, period);
}

std::vector<int32_t> FillMarkGaps(const std::vector<int32_t>& marks, int32_t total, double period) {
  std::vector<int32_t> filled;
  const auto step = std::max<int32_t>(1, static_cast<int32_t>(std::lround(period)));
  if (marks.empty()) {
    for (int32_t m = step / 2; m < total; m += step)
      filled.push_back(m);
    return filled;
  }
  std::vector<int32_t> before;
  for (int32_t m = marks.front() - step; m >= 0; m -= step)
    before.push_back(m);
  filled.assign(before.rbegin(), before.rend());
  for (size_t i = 0; i < marks.size(); ++i) {
    filled.push_back(marks[i]);
    if (i + 1 == marks.size()) break;
    const int32_t gap = marks[i + 1] - marks[i];
    if (gap > 1.5 * period) {
      const auto n = static_cast<int32_t>(std::lround(gap / period));
      for (int32_t q = 1; q < n; ++q)
        filled.push_back(marks[i] + static_cast<int32_t>(std::lround(double(gap) * q / n)));
    }
  }
  for (int32_t m = marks.back() + step; m < total; m += step)
    filled.push_back(m);
  return filled;
}

double NormalisedCorrelation(const std::vector<double>& signal, int32_t a, int32_t b,
                             int32_t length) {
  double xy = 0.0, xx = 0.0, yy = 0.0;
  for (int32_t i = 0; i < length; ++i) {
    const double x = signal[static_cast<size_t>(a + i)];
    const double y = signal[static_cast<size_t>(b + i)];
    xy += x * y;
    xx += x * x;
    yy += y * y;
  }
  return xy / std::sqrt(xx * yy + 1e-12);
}

double LocalPeriod(const std::vector<double>& signal, int32_t centre, int32_t shortest,
                   int32_t longest) {
  const auto total = static_cast<int32_t>(signal.size());
  const int32_t from = std::max(0, centre - longest);
  const int32_t to = std::min(total - longest, centre + longest);
  if (to - from < longest / 2) return 0.0;
  double best = 0.0;
  int32_t bestLag = 0;
  for (int32_t lag = shortest; lag <= longest; ++lag) {
    const double score = NormalisedCorrelation(signal, from, from + lag, to - from);
    if (score > best) {
      best = score;
      bestLag = lag;
    }
  }
  return best >= 0.5 ? bestLag : 0.0;
}

std::vector<int32_t> TrackPitchMarks(const std::vector<double>& signal,
                                     const std::vector<SampleRange>& voiced, int32_t shortest,
                                     int32_t longest, double nominalPeriod,
                                     std::vector<double>* spacings) {
  const auto total = static_cast<int32_t>(signal.size());
  // The dominant polarity: the sign of the largest sample in the voiced ranges.
  double largest = 0.0;
  for (const SampleRange& r : voiced) {
    for (int32_t i = std::max(r.start, 0); i < std::min(r.end, total); ++i) {
      if (std::fabs(signal[static_cast<size_t>(i)]) > std::fabs(largest))
        largest = signal[static_cast<size_t>(i)];
    }
  }
  const double polarity = largest < 0.0 ? -1.0 : 1.0;
  auto peakIn = [&](int32_t from, int32_t to) {
    int32_t best = from;
    for (int32_t i = from; i < to; ++i) {
      if (polarity * signal[static_cast<size_t>(i)] > polarity * signal[static_cast<size_t>(best)])
        best = i;
    }
    return best;
  };
  std::vector<int32_t> marks;
  for (const SampleRange& r : voiced) {
    const int32_t start = std::max(r.start, 0);
    const int32_t end = std::min(r.end, total);
    double period = LocalPeriod(signal, (start + end) / 2, shortest, longest);
    if (period <= 0.0 || end - start < period) continue;  // not periodic: filled below
    int32_t mark = peakIn(start, start + static_cast<int32_t>(period));
    marks.push_back(mark);
    while (true) {
      const double local = LocalPeriod(signal, mark, shortest, longest);
      if (local > 0.0) period = local;
      const auto from = mark + static_cast<int32_t>(0.8 * period);
      const auto to = std::min(end, mark + static_cast<int32_t>(1.2 * period) + 1);
      if (from >= to) break;
      const int32_t next = peakIn(from, to);
      spacings->push_back(next - mark);
      marks.push_back(next);
      mark = next;
    }
  }
  std::sort(marks.begin(), marks.end());
  marks.erase(std::unique(marks.begin(), marks.end()), marks.end());
  return FillMarkGaps(marks, total, nominalPeriod);
}

}  // namespace brelvox::voicebuild
