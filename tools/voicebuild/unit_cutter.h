// Diphone units cut from labelled recordings: each unit runs from the pitch mark nearest the middle
// of one phoneme to the pitch mark nearest the middle of the next, with the pitch marks between
// and enough samples around them for every analysis window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pitch_marks.h"
#include "segmentation.h"

namespace brelvox::voicebuild {

// A recording with its phonemes (one after another, covering the part that is cut).
struct LabelledRecording {
  std::vector<double> signal;
  std::vector<PhonemeSegment> segments;
};

struct CutMark {
  int32_t start;  // window start relative to the unit's first sample (may be negative)
  int32_t left;
  int32_t right;
};

struct CutUnit {
  char left = 0;
  char right = 0;
  std::vector<double> samples;  // the unit with its margins
  int32_t first = 0;            // index in `samples` of the unit's first sample
  int32_t duration = 0;
  int32_t boundary = 0;  // end of the left phoneme, from the first sample
  std::vector<CutMark> marks;
  double leftLevel = 0.0;   // RMS of the left phoneme's part
  double rightLevel = 0.0;  // RMS of the right phoneme's part
};

// The ranges of the recording spoken with glottal pulses (runs of voiced phonemes).
std::vector<SampleRange> VoicedRanges(const std::vector<PhonemeSegment>& segments);

// Cuts the unit of segments `index` and `index` + 1 using the recording's marks (ascending).
// Windows reach from the previous mark to the next, at most `maxHalfFrame` on each side. False
// with the reason when the two phoneme middles are less than two periods apart.
bool CutDiphone(const LabelledRecording& recording, const std::vector<int32_t>& marks, size_t index,
                double period, int32_t maxHalfFrame, CutUnit* unit, std::string* error);

}  // namespace brelvox::voicebuild
