// Builds voice file images: the 80-byte header, the unit table, the pitch marks and the samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/sound/voice_inventory.h"

namespace brelvox::voicefile {

struct VoiceFileHeader {
  int32_t sampleRate = 16000;
  double samplingFrequency = 16000.0;
  double leadInFrequency = 50.0;
  int32_t sampleBytes = 2;
  int32_t maxHalfFrame = 256;
  double baseF0 = 125.0;
  int32_t smoothBack = 2;
  int32_t smoothForward = 2;
};

struct VoiceFileContents {
  VoiceFileHeader header;
  std::vector<DiphoneUnit> units;  // usually kUnitTableEntries records
  std::vector<PitchMark> marks;
  std::vector<int16_t> samples;
};

// The file image, little-endian, section sizes taken from the contents.
std::vector<uint8_t> SerializeVoiceFile(const VoiceFileContents& contents);

// Writes the image to `path`; false with a message in `error` when the file cannot be written.
bool WriteVoiceFile(const std::string& path, const VoiceFileContents& contents, std::string* error);

}  // namespace brelvox::voicefile
