// Writes 16-bit mono PCM as a RIFF WAVE file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

bool WriteWavFile(const std::string& path, const std::vector<int16_t>& samples, int32_t sampleRate,
                  std::string* error);
