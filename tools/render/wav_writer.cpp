#include "wav_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void PutLittle(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

bool WriteWavFile(const std::string& path, const std::vector<int16_t>& samples, int32_t sampleRate,
                  std::string* error) {
  const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> header;
  header.insert(header.end(), {'R', 'I', 'F', 'F'});
  PutLittle(header, 36 + dataBytes, 4);
  header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutLittle(header, 16, 4);
  PutLittle(header, 1, 2);  // PCM
  PutLittle(header, 1, 2);  // mono
  PutLittle(header, static_cast<uint32_t>(sampleRate), 4);
  PutLittle(header, static_cast<uint32_t>(sampleRate) * 2, 4);
  PutLittle(header, 2, 2);
  PutLittle(header, 16, 2);
  header.insert(header.end(), {'d', 'a', 't', 'a'});
  PutLittle(header, dataBytes, 4);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  std::vector<uint8_t> data(dataBytes);
  for (size_t i = 0; i < samples.size(); ++i) {
    const auto v = static_cast<uint16_t>(samples[i]);
    data[2 * i] = static_cast<uint8_t>(v & 0xFF);
    data[2 * i + 1] = static_cast<uint8_t>(v >> 8);
  }
  bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size();
  ok = ok && std::fwrite(data.data(), 1, data.size(), file) == data.size();
  ok = (std::fclose(file) == 0) && ok;
  if (!ok) *error = "cannot write " + path + ": " + std::strerror(errno);
  return ok;
}
