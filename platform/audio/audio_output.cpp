#include "platform/audio/audio_output.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class NullOutput final : public AudioOutput {
 public:
  bool Start(const WAVEFORMATEX&, std::string*) override { return true; }
  bool Write(const void*, size_t) override { return true; }
  bool Finish(std::string*) override { return true; }
};

void PutLittle(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A RIFF WAVE file whose sizes are filled in when it is finished. Its 32-bit sizes hold at most
// `limit` bytes of audio: past that the file keeps what fits and finishing it fails.
class WavFileOutput final : public AudioOutput {
 public:
  WavFileOutput(std::string path, uint64_t limit) : path_(std::move(path)), limit_(limit) {}
  ~WavFileOutput() override {
    if (file_ != nullptr && file_ != stdout) std::fclose(file_);
  }
  bool Start(const WAVEFORMATEX& format, std::string* error) override {
    file_ = path_ == "-" ? stdout : std::fopen(path_.c_str(), "wb");
    if (file_ == nullptr) {
      *error = "cannot create the audio file " + path_ + ": " + std::strerror(errno);
      return false;
    }
    // Large blocks: one system call per megabyte of audio rather than per engine write.
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    format_ = format;
    bytes_ = 0;
    tooLong_ = false;
    return WriteHeader();
  }
  bool Write(const void* data, size_t bytes) override {
    if (file_ == nullptr || tooLong_) return false;
    if (bytes > limit_ - bytes_) {
      tooLong_ = true;
      return false;
    }
    if (std::fwrite(data, 1, bytes, file_) != bytes) return false;
    bytes_ += bytes;
    return true;
  }
  bool Finish(std::string* error) override {
    if (file_ == nullptr) return false;
    bool ok = true, closed = true;
    finishing_ = true;
    if (file_ == stdout) {
      // A pipe keeps the header written at the start, which says "as long as the stream"; a file
      // gets the real lengths.
      if (std::fflush(stdout) == 0 && std::fseek(stdout, 0, SEEK_SET) == 0) ok = WriteHeader();
      closed = std::fflush(stdout) == 0;
    } else {
      ok = std::fseek(file_, 0, SEEK_SET) == 0 && WriteHeader();
      closed = std::fclose(file_) == 0;
    }
    file_ = nullptr;
    if (!ok || !closed) {
      *error = "cannot write the audio file " + path_;
    } else if (tooLong_) {
      *error = "the audio is longer than a WAV file can hold (4 GiB); " + path_ +
               " keeps the first " + std::to_string(bytes_) + " bytes: speak the text in parts";
    }
    return ok && closed && !tooLong_;
  }

 private:
  bool WriteHeader() {
    std::vector<uint8_t> h;
    // Standard output's first header cannot know the length: the largest the fields can say.
    const bool streaming = file_ == stdout && !finishing_;
    const auto data = streaming ? 0xFFFFFFFFu - 36 : static_cast<uint32_t>(bytes_);
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    PutLittle(h, 36 + data, 4);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLittle(h, 16, 4);
    PutLittle(h, format_.wFormatTag, 2);
    PutLittle(h, format_.nChannels, 2);
    PutLittle(h, format_.nSamplesPerSec, 4);
    PutLittle(h, format_.nAvgBytesPerSec, 4);
    PutLittle(h, format_.nBlockAlign, 2);
    PutLittle(h, format_.wBitsPerSample, 2);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    PutLittle(h, data, 4);
    return std::fwrite(h.data(), 1, h.size(), file_) == h.size();
  }
  std::string path_;
  uint64_t limit_;
  FILE* file_ = nullptr;
  WAVEFORMATEX format_{};
  uint64_t bytes_ = 0;
  bool tooLong_ = false;
  bool finishing_ = false;
};

// A device output that quietly becomes a null one when no device can be opened.
class FallbackOutput final : public AudioOutput {
 public:
  explicit FallbackOutput(std::string* note) : note_(note) {}
  bool Start(const WAVEFORMATEX& format, std::string*) override {
    std::string reason;
    if (!device_->Start(format, &reason)) {
      useDevice_ = false;
      if (note_ != nullptr) {
        *note_ = reason + "; the audio is not played (set BRELVOX_AUDIO=file:PATH to keep it)";
      }
    }
    return true;
  }
  bool Write(const void* data, size_t bytes) override {
    return !useDevice_ || device_->Write(data, bytes);
  }
  bool Finish(std::string* error) override { return !useDevice_ || device_->Finish(error); }

 private:
  std::unique_ptr<AudioOutput> device_ = MakeDeviceOutput();
  bool useDevice_ = true;
  std::string* note_;
};

}  // namespace

std::unique_ptr<AudioOutput> MakeNullOutput() {
  return std::make_unique<NullOutput>();
}
std::unique_ptr<AudioOutput> MakeWavFileOutput(std::string path, uint64_t dataLimit) {
  return std::make_unique<WavFileOutput>(std::move(path), dataLimit);
}

std::unique_ptr<AudioOutput> MakeDefaultOutput(std::string* note) {
  const char* choice = std::getenv("BRELVOX_AUDIO");
  const std::string audio = choice != nullptr ? choice : "";
  if (audio == "null") return MakeNullOutput();
  if (audio.rfind("file:", 0) == 0) return MakeWavFileOutput(audio.substr(5));
  return std::make_unique<FallbackOutput>(note);
}
