// The speech platform's application-side voice object: an integer rate and an asynchronous
// speak that queues behind speech still playing, speaking with the default voice. The translator
// ignores every failure of it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace brelvox::translator {

inline constexpr char kVoiceProgId[] = "sapi.spvoice";
inline constexpr unsigned kSpeakAsync = 1;

class SpeechVoice {
 public:
  virtual ~SpeechVoice() = default;
  // Rate from -10 to 10; false when the voice refuses it.
  virtual bool SetRate(int rate) = 0;
  // Queues `text` (UTF-8); with kSpeakAsync it returns at once. False when it fails.
  virtual bool Speak(const std::string& text, unsigned flags) = 0;
};

class SpeechVoiceFactory {
 public:
  virtual ~SpeechVoiceFactory() = default;
  // A voice object for the class `prog_id`, or null when the platform cannot make one.
  virtual std::unique_ptr<SpeechVoice> Create(std::string_view prog_id) = 0;
};

}  // namespace brelvox::translator
