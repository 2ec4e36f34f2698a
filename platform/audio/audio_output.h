// Where synthesized audio goes: the default sound device, a WAV file, or nowhere. BRELVOX_AUDIO
// chooses for the platform's voices: "null" (nowhere), "file:PATH" (a WAV file), anything else or
// unset the default device, falling back to nowhere when no device can be opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/com/windows_types.h"

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // Prepares for audio in `format`; false with one sentence in `error` when it cannot.
  virtual bool Start(const WAVEFORMATEX& format, std::string* error) = 0;
  virtual bool Write(const void* data, size_t bytes) = 0;
  // Plays out (or closes the file); false with a sentence in `error` when that failed.
  virtual bool Finish(std::string* error) = 0;
};

std::unique_ptr<AudioOutput> MakeNullOutput();
// The most audio a WAV file's 32-bit sizes can describe (its RIFF size counts 36 header bytes).
inline constexpr uint64_t kWavDataLimit = 0xFFFFFFFFull - 36;
// A WAV file ("-" writes it to standard output); audio past `dataLimit` bytes is refused and
// finishing the file then fails with a sentence saying so (tests pass a small limit).
std::unique_ptr<AudioOutput> MakeWavFileOutput(std::string path,
                                               uint64_t dataLimit = kWavDataLimit);
std::unique_ptr<AudioOutput> MakeDeviceOutput();

// The output BRELVOX_AUDIO asks for. When the device cannot be used, a null output and a note
// saying so in `note` (which the caller may show).
std::unique_ptr<AudioOutput> MakeDefaultOutput(std::string* note);
