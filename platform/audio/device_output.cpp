#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "platform/audio/audio_output.h"

namespace {

// Runs `body` with the process's standard error sent to /dev/null: the sound libraries print
// diagnostics there while probing devices that are not present.
template <typename Body>
auto Quietly(Body body) {
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null >= 0) dup2(null, STDERR_FILENO);
  auto result = body();
  std::fflush(stderr);
  if (saved >= 0) {
    dup2(saved, STDERR_FILENO);
    close(saved);
  }
  if (null >= 0) close(null);
  return result;
}

class DeviceOutput final : public AudioOutput {
 public:
  ~DeviceOutput() override { Close(); }
  bool Start(const WAVEFORMATEX& format, std::string* error) override {
    Close();
    const PaError initialized = Quietly([] { return Pa_Initialize(); });
    if (initialized != paNoError) {
      *error = "the sound system could not be started";
      return false;
    }
    initialized_ = true;
    blockAlign_ = format.nBlockAlign == 0 ? 2 : format.nBlockAlign;
    const PaError opened = Quietly([&] {
      return Pa_OpenDefaultStream(&stream_, 0, format.nChannels, paInt16, format.nSamplesPerSec,
                                  paFramesPerBufferUnspecified, nullptr, nullptr);
    });
    if (opened != paNoError || Pa_StartStream(stream_) != paNoError) {
      *error = "no sound device could be opened";
      Close();
      return false;
    }
    return true;
  }
  bool Write(const void* data, size_t bytes) override {
    if (stream_ == nullptr) return false;
    return Pa_WriteStream(stream_, data, bytes / blockAlign_) == paNoError;
  }
  bool Finish(std::string*) override {
    Close();
    return true;
  }

 private:
  void Close() {
    if (stream_ != nullptr) {
      Pa_StopStream(stream_);
      Pa_CloseStream(stream_);
      stream_ = nullptr;
    }
    if (initialized_) Pa_Terminate();
    initialized_ = false;
  }
  PaStream* stream_ = nullptr;
  bool initialized_ = false;
  size_t blockAlign_ = 2;
};

}  // namespace

std::unique_ptr<AudioOutput> MakeDeviceOutput() {
  return std::make_unique<DeviceOutput>();
}
