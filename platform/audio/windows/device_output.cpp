#include "platform/com/windows_types.h"
// After windows.h, which mmsystem.h needs first.
#include <mmsystem.h>

#include <vector>

#include "platform/audio/audio_output.h"

// The default sound device through the system's wave output: each block is handed over with its
// own header and played in order; finishing waits until the last one has been played.
namespace {

class DeviceOutput final : public AudioOutput {
 public:
  ~DeviceOutput() override {
    std::string ignored;
    if (device_ != nullptr) Finish(&ignored);
  }
  bool Start(const WAVEFORMATEX& format, std::string* error) override {
    done_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (waveOutOpen(&device_, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(done_), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR) {
      device_ = nullptr;
      *error = "no sound device can play the audio";
      return false;
    }
    return true;
  }
  bool Write(const void* data, size_t bytes) override {
    if (device_ == nullptr || bytes == 0) return device_ != nullptr;
    Block& block = blocks_.emplace_back();
    block.data.assign(static_cast<const char*>(data), static_cast<const char*>(data) + bytes);
    block.header = std::make_unique<WAVEHDR>();
    block.header->lpData = block.data.data();
    block.header->dwBufferLength = static_cast<DWORD>(bytes);
    return waveOutPrepareHeader(device_, block.header.get(), sizeof(WAVEHDR)) == MMSYSERR_NOERROR &&
           waveOutWrite(device_, block.header.get(), sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
  }
  bool Finish(std::string*) override {
    if (device_ == nullptr) return false;
    for (Block& block : blocks_) {
      while ((block.header->dwFlags & WHDR_DONE) == 0)
        WaitForSingleObject(done_, 100);
      waveOutUnprepareHeader(device_, block.header.get(), sizeof(WAVEHDR));
    }
    blocks_.clear();
    waveOutClose(device_);
    CloseHandle(done_);
    device_ = nullptr;
    return true;
  }

 private:
  struct Block {
    std::vector<char> data;
    std::unique_ptr<WAVEHDR> header;
  };
  HWAVEOUT device_ = nullptr;
  HANDLE done_ = nullptr;
  std::vector<Block> blocks_;
};

}  // namespace

std::unique_ptr<AudioOutput> MakeDeviceOutput() {
  return std::make_unique<DeviceOutput>();
}
