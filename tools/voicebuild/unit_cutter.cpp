#include "unit_cutter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "donor_phonemes.h"

namespace brelvox::voicebuild {

namespace {

size_t NearestMark(const std::vector<int32_t>& marks, int32_t position) {
  size_t best = 0;
  for (size_t i = 1; i < marks.size(); ++i) {
    if (std::abs(marks[i] - position) < std::abs(marks[best] - position)) best = i;
  }
  return best;
}

double Rms(const std::vector<double>& signal, int32_t start, int32_t end) {
  start = std::max(start, 0);
  end = std::min(end, static_cast<int32_t>(signal.size()));
  if (end <= start) return 0.0;
  double sum = 0.0;
  for (int32_t i = start; i < end; ++i)
    sum += signal[static_cast<size_t>(i)] * signal[static_cast<size_t>(i)];
  return std::sqrt(sum / (end - start));
}

}  // namespace

std::vector<SampleRange> VoicedRanges(const std::vector<PhonemeSegment>& segments) {
  std::vector<SampleRange> ranges;
  for (const PhonemeSegment& s : segments) {
    const DonorPhoneme* p = FindDonorPhoneme(s.phoneme);
    if (p == nullptr || !p->voiced) continue;
    if (!ranges.empty() && ranges.back().end == s.start) {
      ranges.back().end = s.end;
    } else {
      ranges.push_back(SampleRange{s.start, s.end});
    }
  }
  return ranges;
}

bool CutDiphone(const LabelledRecording& recording, const std::vector<int32_t>& marks, size_t index,
                double period, int32_t maxHalfFrame, CutUnit* unit, std::string* error) {
  const PhonemeSegment& a = recording.segments[index];
  const PhonemeSegment& b = recording.segments[index + 1];
  const auto total = static_cast<int32_t>(recording.signal.size());
  if (marks.size() < 2) {
    *error = "the recording has no pitch marks";
    return false;
  }
  const size_t firstMark = NearestMark(marks, (a.start + a.end) / 2);
  const size_t endMark = NearestMark(marks, (b.start + b.end) / 2);
  const int32_t c1 = marks[firstMark];
  const int32_t c2 = marks[endMark];
  if (c2 - c1 < 2.0 * period) {
    *error = "the middles of the two phonemes are less than two periods apart";
    return false;
  }
  const auto nominal = static_cast<int32_t>(std::lround(period));
  std::vector<std::pair<int32_t, CutMark>> windows;  // absolute mark, window
  int32_t regionStart = c1;
  int32_t regionEnd = c2;
  for (size_t k = firstMark; k < endMark; ++k) {
    const int32_t m = marks[k];
    int32_t left = k > 0 ? m - marks[k - 1] : nominal;
    int32_t right = k + 1 < marks.size() ? marks[k + 1] - m : nominal;
    left = std::min({left, maxHalfFrame, m});
    right = std::min({right, maxHalfFrame, total - m});
    windows.emplace_back(m, CutMark{m - left - c1, left, right});
    regionStart = std::min(regionStart, m - left);
    regionEnd = std::max(regionEnd, m + right);
  }
  regionEnd = std::min(regionEnd, total);
  if (regionEnd < c2) {
    *error = "the recording ends inside the unit";
    return false;
  }
  unit->left = a.phoneme;
  unit->right = b.phoneme;
  unit->samples.assign(recording.signal.begin() + regionStart,
                       recording.signal.begin() + regionEnd);
  unit->first = c1 - regionStart;
  unit->duration = c2 - c1;
  unit->boundary = std::clamp(a.end - c1, 0, unit->duration);
  unit->marks.clear();
  for (const auto& w : windows)
    unit->marks.push_back(w.second);
  unit->leftLevel = Rms(recording.signal, c1, a.end);
  unit->rightLevel = Rms(recording.signal, b.start, c2);
  return true;
}

}  // namespace brelvox::voicebuild
