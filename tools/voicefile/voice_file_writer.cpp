#include "voice_file_writer.h"

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace brelvox::voicefile {

static_assert(std::endian::native == std::endian::little, "voice files are little-endian");

namespace {

template <typename T>
void Put(std::vector<uint8_t>& image, size_t offset, T value) {
  std::memcpy(image.data() + offset, &value, sizeof(T));
}

template <typename T>
void Append(std::vector<uint8_t>& image, const std::vector<T>& rows) {
  const size_t offset = image.size();
  image.resize(offset + rows.size() * sizeof(T));
  if (!rows.empty()) std::memcpy(image.data() + offset, rows.data(), rows.size() * sizeof(T));
}

}  // namespace

std::vector<uint8_t> SerializeVoiceFile(const VoiceFileContents& contents) {
  const VoiceFileHeader& h = contents.header;
  std::vector<uint8_t> image(kVoiceHeaderBytes, 0);
  Put<int32_t>(image, 0, h.sampleRate);
  Put<double>(image, 8, h.samplingFrequency);
  Put<double>(image, 16, h.leadInFrequency);
  Put<int32_t>(image, 24, h.sampleBytes);
  Put<int32_t>(image, 28, h.maxHalfFrame);
  Put<double>(image, 48, h.baseF0);
  Put<int32_t>(image, 56, h.smoothBack);
  Put<int32_t>(image, 60, h.smoothForward);
  Put<int32_t>(image, 64, static_cast<int32_t>(contents.units.size() * sizeof(DiphoneUnit)));
  Put<int32_t>(image, 68, static_cast<int32_t>(contents.marks.size() * sizeof(PitchMark)));
  Put<int32_t>(image, 72, static_cast<int32_t>(contents.samples.size() * sizeof(int16_t)));
  Append(image, contents.units);
  Append(image, contents.marks);
  Append(image, contents.samples);
  return image;
}

bool WriteVoiceFile(const std::string& path, const VoiceFileContents& contents,
                    std::string* error) {
  const std::vector<uint8_t> image = SerializeVoiceFile(contents);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(image.data(), 1, image.size(), file) == image.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace brelvox::voicefile
