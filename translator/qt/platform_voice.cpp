// The voice over the speech platform's application-side voice object.
#include <memory>

#include "platform/speech/sp_voice.h"
#include "translator/qt/speech_voices.h"

namespace brelvox::translator::qt {
namespace {

class PlatformVoice final : public SpeechVoice {
 public:
  explicit PlatformVoice(PlatformVoiceFactory& factory)
      : factory_(factory), voice_(std::make_unique<SpVoice>()) {}
  ~PlatformVoice() override {
    // SpVoice finishes what is queued before it goes; let it do so off the window's thread.
    factory_.Retire(std::thread([voice = std::move(voice_)]() mutable { voice.reset(); }));
  }
  bool SetRate(int rate) override {
    voice_->SetRate(static_cast<LONG>(rate));
    return true;
  }
  bool Speak(const std::string& text, unsigned flags) override {
    return voice_->Speak(text, static_cast<DWORD>(flags)) >= 0;
  }

 private:
  PlatformVoiceFactory& factory_;
  std::unique_ptr<SpVoice> voice_;
};

}  // namespace

bool PlatformVoiceFactory::Available() {
  return true;
}

std::unique_ptr<SpeechVoice> PlatformVoiceFactory::MakeVoice() {
  return std::make_unique<PlatformVoice>(*this);
}

}  // namespace brelvox::translator::qt
