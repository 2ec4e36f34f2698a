// English speech for the page's listen element: a WAV file made with espeak-ng's English voice.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace brelvox::page {

// The longest text spoken at once, in bytes; longer text gets a 400 from the service.
inline constexpr std::size_t kMaxSpokenBytes = 2000;

class EnglishSpeech {
 public:
  // Starts the speech library for this process (once; later calls share it). Returns null with
  // *error set when the library or its English voice is missing.
  static std::shared_ptr<EnglishSpeech> Create(std::string* error);

  // Renders text (UTF-8, read as plain text, never as markup) into a complete 16-bit mono WAV file.
  // Calls are serialised: the library keeps one synthesis state per process.
  bool Speak(std::string_view text, std::string* wav, std::string* error);

  int sample_rate() const { return sample_rate_; }

 private:
  explicit EnglishSpeech(int sample_rate) : sample_rate_(sample_rate) {}
  int sample_rate_;
};

}  // namespace brelvox::page
