// Cuts a donor utterance into the voice's phonemes, from the donor's phoneme events.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "donor.h"

namespace brelvox::voicebuild {

struct PhonemeSegment {
  char phoneme;
  int32_t start;  // first sample
  int32_t end;    // one past the last sample
};

struct Segmentation {
  std::vector<PhonemeSegment> segments;
  std::vector<std::string> notes;  // where the donor said something else than asked
};

// The longest closure silence given to a stop, in samples at 22050 Hz scaled to the rate.
int32_t MaxClosureSamples(int32_t sampleRate);

// Matches the donor's events to `phonemes` (the carrier, no pauses): palatalisation glides the
// donor writes after a consonant are folded into it, a glide the donor inserts between vowels is
// folded into the vowel before it, and the closure silence before a stop's burst is given to the
// stop. False with the reason when the events do not match the phonemes one for one.
bool SegmentUtterance(std::string_view phonemes, const DonorUtterance& utterance,
                      Segmentation* result, std::string* error);

}  // namespace brelvox::voicebuild
