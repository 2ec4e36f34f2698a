// A build without the speech platform: the main window gets no voice object, which it takes as
// "no speech platform installed" and speaks nothing.
#include "translator/qt/speech_voices.h"

namespace brelvox::translator::qt {

bool PlatformVoiceFactory::Available() {
  return false;
}

std::unique_ptr<SpeechVoice> PlatformVoiceFactory::MakeVoice() {
  return nullptr;
}

}  // namespace brelvox::translator::qt
