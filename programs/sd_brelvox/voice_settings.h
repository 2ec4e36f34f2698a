// The settings speech-dispatcher sends before every message, and what they become for the engine.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brelvox::speechd {

struct MessageSettings {
  int rate = 0;    // -100..100
  int pitch = 0;   // -100..100
  int volume = 0;  // -100..100
  enum class Punctuation { kNone, kSome, kMost, kAll } punctuation = Punctuation::kNone;
  bool spelling = false;
  enum class Capitals { kNone, kSpell, kIcon } capitals = Capitals::kNone;
  std::string voiceType;       // male1, female1, ...
  std::string language;        // bg, bg-bg, ...
  std::string synthesisVoice;  // a name from LIST VOICES, or empty
};

// Applies one `name=value` of a SET block. NULL resets the setting; names the module does not use
// are accepted and ignored. False with a sentence in `error` for a value out of range or unknown.
bool ApplySetting(MessageSettings* settings, std::string_view name, std::string_view value,
                  std::string* error);

// What the engine gets. Rate and pitch map linearly onto the engine's -10..10 (rate r speaks
// 2^(r/100) times as fast: -100 half, 100 twice as fast; pitch p moves p/20 semitones); volume
// -100..0 becomes the engine's 0..100, and 1..100 a gain of up to twice the engine's full volume.
struct EngineSettings {
  int rate = 0;
  int pitch = 0;
  int volume = 100;
  double gain = 1.0;
  bool punctuation = false;  // the engine's punctuation-by-name option
};
EngineSettings MapSettings(const MessageSettings& settings);

struct InstalledVoice {
  std::string name;
  std::string language;  // bg
  std::string variant;   // none
};

// The voice a message is spoken with: `synthesis_voice` when it names an installed voice; else the
// configured default voice, or the first voice of the requested language, or the first voice.
// Empty with a sentence in `error` when `synthesis_voice` names no installed voice, or nothing is
// installed.
std::string ChooseMessageVoice(const MessageSettings& settings,
                               const std::vector<InstalledVoice>& voices,
                               const std::string& defaultVoice, std::string* error);

}  // namespace brelvox::speechd
