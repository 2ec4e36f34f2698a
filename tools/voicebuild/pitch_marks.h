// Pitch marks of a recording spoken at a flat pitch: in every voiced stretch a regular grid of the
// flat period, its phase found by cross-correlation with one reference period so that the marks
// of all recordings sit at the same point of the glottal cycle; in voiceless stretches marks every
// nominal period.
#pragma once

#include <cstdint>
#include <vector>

namespace brelvox::voicebuild {

struct SampleRange {
  int32_t start;
  int32_t end;  // one past the last sample
};

// The mean of the signal over [start, end) folded with a (fractional) period: `length` values,
// value j the mean of signal(start + k * period + j) over every whole period k in the range.
std::vector<double> FoldPeriod(const std::vector<double>& signal, SampleRange range, double period,
                               int32_t length);

// The period (in samples, to about 0.005) in [shortest, longest] that folds the range most
// coherently: the donor's flat pitch, measured.
double MeasureFlatPeriod(const std::vector<double>& signal, SampleRange range, double shortest,
                         double longest);

struct PitchGrid {
  double period = 0.0;            // the flat period in samples
  std::vector<double> reference;  // one period, its largest peak at index 0
};

// The reference period of `range` (a steady voiced stretch): its folded period turned so that
// its largest absolute value comes first.
PitchGrid MakePitchGrid(const std::vector<double>& signal, SampleRange range, double period);

// Mark positions (samples, ascending) for the whole signal: a grid in each voiced range phased by
// cross-correlation with the reference, and the gaps (voiceless sounds, pauses, the edges) filled
// with marks about one period apart.
std::vector<int32_t> PlacePitchMarks(const std::vector<double>& signal,
                                     const std::vector<SampleRange>& voiced, const PitchGrid& grid);

// Marks about one period apart filling the gaps between `marks` (ascending) longer than one and a
// half periods and the stretches before the first and after the last, inside [0, total).
std::vector<int32_t> FillMarkGaps(const std::vector<int32_t>& marks, int32_t total, double period);

// The normalised correlation of signal[a, a + length) with signal[b, b + length) (both inside
// the signal).
double NormalisedCorrelation(const std::vector<double>& signal, int32_t a, int32_t b,
                             int32_t length);

// The period of the signal around `centre` by normalised autocorrelation over lags from
// `shortest` to `longest`; 0 when no lag correlates by 0.5 or more (not periodic there).
double LocalPeriod(const std::vector<double>& signal, int32_t centre, int32_t shortest,
                   int32_t longest);

// Marks for a recording of varying pitch (real speech): in each voiced range the marks step from
// peak to peak, the next mark the largest peak of the recording's dominant polarity between 0.8
// and 1.2 local periods after the last; gaps filled with marks `nominalPeriod` apart. The spacing
// of neighbouring marks inside voiced ranges is added to `spacings`.
std::vector<int32_t> TrackPitchMarks(const std::vector<double>& signal,
                                     const std::vector<SampleRange>& voiced, int32_t shortest,
                                     int32_t longest, double nominalPeriod,
                                     std::vector<double>* spacings);

}  // namespace brelvox::voicebuild
