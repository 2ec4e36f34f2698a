// The second input of the voice builder: a folder of recordings with phoneme labels. Each
// NAME.wav (16-bit mono PCM, all at one rate) has a NAME.lab beside it, one phoneme a line:
// "START END PHONEME", START and END in samples (END one past the last sample), PHONEME one of the
// voice's phoneme characters; empty lines and lines starting with "--" are skipped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unit_cutter.h"

namespace brelvox::voicebuild {

// The whole of a file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* bytes);

// The samples as reals with their mean taken away.
std::vector<double> WithoutDc(const std::vector<int16_t>& samples);

// Reads a 16-bit mono PCM WAV file.
bool ReadWavFile(const std::string& path, std::vector<int16_t>* samples, int32_t* sampleRate,
                 std::string* error);

// Writes a 16-bit mono PCM WAV file.
bool WriteWavSamples(const std::string& path, const std::vector<int16_t>& samples,
                     int32_t sampleRate, std::string* error);

// Parses a label file's text for a recording of `sampleCount` samples: segments in order, not
// overlapping, inside the recording.
bool ParseLabels(const std::string& text, int32_t sampleCount,
                 std::vector<PhonemeSegment>* segments, std::string* error);

struct RecordingFolder {
  int32_t sampleRate = 0;
  std::vector<std::string> names;
  std::vector<LabelledRecording> recordings;  // DC removed
};

// Reads every NAME.wav with its NAME.lab from `folder`, in name order.
bool ReadRecordingFolder(const std::string& folder, RecordingFolder* result, std::string* error);

}  // namespace brelvox::voicebuild
