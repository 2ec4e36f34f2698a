#include "translator/qt/speech_voices.h"

namespace brelvox::translator::qt {
namespace {

// Records what the main window asks the voice to do.
class TracedVoice final : public SpeechVoice {
 public:
  TracedVoice(std::unique_ptr<SpeechVoice> voice, Trace* trace)
      : voice_(std::move(voice)), trace_(trace) {}
  bool SetRate(int rate) override {
    TraceLine(trace_, "rate", std::to_string(rate));
    return voice_->SetRate(rate);
  }
  bool Speak(const std::string& text, unsigned flags) override {
    TraceLine(trace_, "speak", std::to_string(flags) + " " + text);
    return voice_->Speak(text, flags);
  }

 private:
  std::unique_ptr<SpeechVoice> voice_;
  Trace* trace_;
};

}  // namespace

PlatformVoiceFactory::~PlatformVoiceFactory() {
  for (std::thread& finishing : retiring_) {
    if (finishing.joinable()) finishing.join();
  }
}

std::unique_ptr<SpeechVoice> PlatformVoiceFactory::Create(std::string_view prog_id) {
  if (prog_id != kVoiceProgId) return nullptr;
  std::unique_ptr<SpeechVoice> voice = MakeVoice();
  TraceLine(trace_, "voice", voice ? "created" : "none");
  if (!voice) return nullptr;
  if (!trace_) return voice;
  return std::make_unique<TracedVoice>(std::move(voice), trace_);
}

}  // namespace brelvox::translator::qt
