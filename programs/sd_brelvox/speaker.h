// What the module needs of a speech engine: the installed voices, and speaking pieces of a message
// with a voice, its audio and index marks handed over in order, stoppable from another thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "programs/sd_brelvox/speech_pieces.h"
#include "programs/sd_brelvox/voice_settings.h"

namespace brelvox::speechd {

struct SpeakRequest {
  std::string voice;
  SpeechPieces pieces;
  EngineSettings settings;
};

class SpeechSink {
 public:
  virtual ~SpeechSink() = default;
  // 16-bit mono samples at the voice's rate; everything before a mark arrives before it.
  virtual void Audio(const int16_t* samples, size_t count) = 0;
  virtual void Mark(const std::string& name) = 0;
};

class Speaker {
 public:
  virtual ~Speaker() = default;
  virtual std::vector<InstalledVoice> Voices() = 0;
  // The platform's default voice, or empty.
  virtual std::string DefaultVoice() = 0;
  // Opens the voice (kept open for later messages); its sample rate, or 0 with a sentence in
  // `error`.
  virtual int Prepare(const std::string& voice, std::string* error) = 0;
  // Speaks until done or until `abort` is raised; false with a sentence in `error` when the engine
  // failed.
  virtual bool Speak(const SpeakRequest& request, SpeechSink* sink, const std::atomic<bool>& abort,
                     std::string* error) = 0;
};

}  // namespace brelvox::speechd
