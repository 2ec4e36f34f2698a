// The module's configuration file (brelvox.conf) and what it says about reading single characters,
// keys and capital letters.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "programs/sd_brelvox/speech_pieces.h"
#include "programs/sd_brelvox/voice_settings.h"

namespace brelvox::speechd {

struct ModuleConfig {
  std::string defaultVoice;         // empty: the platform's default voice
  int audioBlockSamples = 1024;     // samples in each audio event to the server
  size_t maxMessageBytes = 500000;  // longer messages are refused
  std::string capitalWord = "главна";
  int capitalPitch = 6;  // engine pitch steps added to a capital with cap_let_recogn icon
  std::map<std::string, std::string> charNames;  // a character (UTF-8) and its name
  std::map<std::string, std::string> keyNames;   // a key name and what is said for it
};

// Reads the file's settings over `config`. Lines are `Name value...`, values optionally in double
// quotes (\" and \\ inside them); '#' starts a comment; unknown names are left to other readers.
// False with a sentence naming the file and line when a line of ours is malformed.
bool ParseModuleConfig(std::string_view text, const std::string& fileName, ModuleConfig* config,
                       std::string* error);
bool LoadModuleConfig(const std::string& path, ModuleConfig* config, std::string* error);

// Text read letter by letter: letters and digits by their names, characters of the table by theirs,
// white space silent; capitals with the `capitals` setting.
SpeechPieces SpelledPieces(std::string_view text, const ModuleConfig& config,
                           MessageSettings::Capitals capitals);

// CHAR: one character by its name (a longer text, such as "space", is read as a key name).
SpeechPieces CharPieces(std::string_view character, const ModuleConfig& config,
                        MessageSettings::Capitals capitals);

// KEY: a key name (space, Return, shift_a, control_alt_delete, ...) in words.
SpeechPieces KeyPieces(std::string_view key, const ModuleConfig& config);

}  // namespace brelvox::speechd
