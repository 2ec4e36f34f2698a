// The voice object the main window speaks Bulgarian with: the speech platform's voice
// ("sapi.spvoice"), speaking with the default voice token. Where the build has no speech
// platform the factory makes no voice, and the main window speaks nothing.
#pragma once

#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "translator/qt/trace.h"
#include "translator/speech_voice.h"

namespace brelvox::translator::qt {

class PlatformVoiceFactory final : public SpeechVoiceFactory {
 public:
  explicit PlatformVoiceFactory(Trace* trace) : trace_(trace) {}
  // Waits for voices that are still finishing their queued speech.
  ~PlatformVoiceFactory() override;

  std::unique_ptr<SpeechVoice> Create(std::string_view prog_id) override;

  // Whether this build speaks through the speech platform.
  static bool Available();

  // A voice let go while it still speaks finishes on a thread of its own, so that the window that
  // let it go (a restart, the exit) does not wait for it.
  void Retire(std::thread finishing) { retiring_.push_back(std::move(finishing)); }

 private:
  // The platform's voice, or null (platform_voice.cpp).
  std::unique_ptr<SpeechVoice> MakeVoice();

  Trace* trace_;
  std::vector<std::thread> retiring_;
};

}  // namespace brelvox::translator::qt
