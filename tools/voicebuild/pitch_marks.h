// Pitch marks of a recording spoken at a flat pitch: in every voiced stretch a regular grid of the
// flat period, its phase found by cross-correlation with one reference period so that the marks
// of all recordings sit at the same point of the glottal cycle; in voiceless stretches marks every
// nominal period.
#pragma once

#include <cstdint>
#include <vector>

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
