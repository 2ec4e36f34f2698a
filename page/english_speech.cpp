#include "page/english_speech.h"

#include <espeak-ng/speak_lib.h>

#include <cstdint>
#include <mutex>
#include <vector>

namespace brelvox::page {
namespace {

std::mutex& LibraryMutex() {
  static std::mutex m;
  return m;
}

int OnSamples(short* samples, int count, espeak_EVENT* events) {
  if (samples && count > 0 && events && events->user_data) {
    auto* out = static_cast<std::vector<std::int16_t>*>(events->user_data);
    out->insert(out->end(), samples, samples + count);
  }
  return 0;
}

void PutLe(std::string* out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

std::shared_ptr<EnglishSpeech> EnglishSpeech::Create(std::string* error) {
  std::lock_guard lock(LibraryMutex());
  static std::weak_ptr<EnglishSpeech> shared;
  static int sample_rate = 0;
  if (auto existing = shared.lock()) return existing;
  if (sample_rate <= 0) {
    sample_rate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (sample_rate <= 0) {
      *error = "English speech is unavailable: espeak-ng could not start (install espeak-ng-data).";
      return nullptr;
    }
    espeak_SetSynthCallback(OnSamples);
    if (espeak_SetVoiceByName("en") != EE_OK) {
      sample_rate = 0;
      *error =
          "English speech is unavailable: espeak-ng has no English voice (install espeak-ng-data).";
      return nullptr;
    }
  }
  std::shared_ptr<EnglishSpeech> speech(new EnglishSpeech(sample_rate));
  shared = speech;
  return speech;
}

bool EnglishSpeech::Speak(std::string_view text, std::string* wav, std::string* error) {
  std::vector<std::int16_t> samples;
  {
    std::lock_guard lock(LibraryMutex());
    const std::string copy(text);
    const espeak_ERROR rc = espeak_Synth(copy.c_str(), copy.size() + 1, 0, POS_CHARACTER, 0,
                                         espeakCHARS_UTF8, nullptr, &samples);
    if (rc != EE_OK) {
      *error = "English speech failed for this text.";
      return false;
    }
  }
  const auto data_bytes = static_cast<std::uint32_t>(samples.size() * 2);
  wav->clear();
  wav->reserve(44 + data_bytes);
  wav->append("RIFF");
  PutLe(wav, 36 + data_bytes, 4);
  wav->append("WAVEfmt ");
  PutLe(wav, 16, 4);
  PutLe(wav, 1, 2);  // PCM
  PutLe(wav, 1, 2);  // mono
  PutLe(wav, static_cast<std::uint32_t>(sample_rate_), 4);
  PutLe(wav, static_cast<std::uint32_t>(sample_rate_ * 2), 4);
  PutLe(wav, 2, 2);
  PutLe(wav, 16, 2);
  wav->append("data");
  PutLe(wav, data_bytes, 4);
  for (std::int16_t s : samples)
    PutLe(wav, static_cast<std::uint16_t>(s), 2);
  return true;
}

}  // namespace brelvox::page
