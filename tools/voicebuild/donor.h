// The donor: a formant synthesizer (espeak-ng, through its C library) that speaks carrier words
// given as phonemes, at a flat pitch, and reports where each of its phonemes starts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brelvox::voicebuild {

struct DonorEvent {
  std::string mnemonic;  // the donor's phoneme name
  int32_t sample;        // first sample of the phoneme
};

struct DonorUtterance {
  std::vector<int16_t> samples;
  std::vector<DonorEvent> events;  // in time order, the donor's pauses included
};

struct DonorOptions {
  // The flat-pitch voice variant (a file in the donor's variant format).
  std::string variantFile;
  // A folder the builder may write: the donor's data is mirrored there (by links) together with
  // the variant, since the donor looks for variants only inside its data folder.
  std::string workFolder;
  int pitch = 75;  // the donor's pitch setting; its range is set to 0
  int rate = 175;  // the donor's speaking rate in words per minute (its own default is 175)
};

// Starts the donor. The library is process-wide: open it once. False with a sentence in `error`
// when the donor's data or its Bulgarian voice is missing.
bool OpenDonor(const DonorOptions& options, std::string* error);

// The donor's sample rate (valid after OpenDonor).
int32_t DonorSampleRate();

// Speaks `phonemeText` (the donor's phoneme notation, without brackets).
bool DonorSay(const std::string& phonemeText, DonorUtterance* utterance, std::string* error);

}  // namespace brelvox::voicebuild
