// The voice a command works with: the one named on its command line, or the default voice.
#pragma once

#include <string>

// The token's name, or empty with a one-sentence reason when there is no such voice.
std::string ChooseVoice(const std::string& requested, std::string* error);

// The registry key of a voice token, under HKEY_LOCAL_MACHINE.
std::string VoiceTokenKey(const std::string& name);
