// Acoustic measures of natural speech for cutting diphones: glottal epochs (pitch marks) found by
// peak picking guided by autocorrelation around the corpus's own pitch-synchronous frames, and
// phone boundaries moved to the nearest strong spectral change.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "pitch_marks.h"

namespace brelvox::voicebuild {

struct Epochs {
  std::vector<int32_t> marks;    // ascending, the whole signal covered
  std::vector<uint8_t> voiced;   // per mark: 1 where it is a glottal epoch, 0 where it fills a gap
  std::vector<double> spacings;  // spacing of neighbouring voiced marks, samples
};

// The epochs of a recording. In each voiced range the marks step from peak to peak of the
// recording's dominant polarity, each next mark the largest peak between 0.8 and 1.2 local
// periods after the last; the local period is the lag of the strongest normalised
// autocorrelation near the spacing of the corpus frames (`seeds`) around that point, and where
// that correlation is below 0.5 the speech is taken as not voiced there. Gaps and voiceless
// stretches get marks `nominalPeriod` apart.
Epochs DetectEpochs(const std::vector<double>& signal, const std::vector<int32_t>& seeds,
                    const std::vector<SampleRange>& voicedRanges, int32_t shortest, int32_t longest,
                    double nominalPeriod);

// The fraction of [start, end) covered by spacings between neighbouring voiced marks.
double VoicedFraction(const Epochs& epochs, int32_t start, int32_t end);

// The mean period of up to three spacings of voiced marks around `position`; 0 where there is no
// voiced mark pair there.
double PeriodAt(const Epochs& epochs, int32_t position);

// The short-time spectra of a signal in 16 log band energies, 16 ms frames, computed on demand
// and kept.
class SpectralFrames {
 public:
  explicit SpectralFrames(const std::vector<double>& signal) : signal_(signal) {}

  // The spectral change at `position`: the distance between the spectra 8 ms before and after.
  double Change(int32_t position);

  // The position within `reach` samples of `label` (and inside [lowest, highest]) where the
  // spectral change is greatest, on a 2 ms grid; `label` when nothing beats it.
  int32_t Boundary(int32_t label, int32_t reach, int32_t lowest, int32_t highest);

 private:
  const std::array<float, 16>& Frame(int32_t centre);

  const std::vector<double>& signal_;
  std::unordered_map<int32_t, std::array<float, 16>> frames_;
};

}  // namespace brelvox::voicebuild
