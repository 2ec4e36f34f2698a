#include "platform/brelvox/chosen_voice.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/speech/voice_token.h"

std::string ChooseVoice(const std::string& requested, std::string* error) {
  if (requested.empty()) {
    const std::string name = DefaultVoiceToken();
    if (name.empty()) *error = "no voice is installed; install one with brelvox install-voice";
    return name;
  }
  const std::vector<std::string> names = ListVoiceTokens();
  // Token names are compared without regard to case, as the registry compares key names.
  const auto same = [&](const std::string& name) {
    return std::equal(name.begin(), name.end(), requested.begin(), requested.end(),
                      [](char a, char b) {
                        return std::tolower(static_cast<unsigned char>(a)) ==
                               std::tolower(static_cast<unsigned char>(b));
                      });
  };
  const auto found = std::find_if(names.begin(), names.end(), same);
  if (found == names.end()) {
    *error = "there is no voice " + requested + "; brelvox voices lists the installed ones";
    return {};
  }
  return *found;
}

std::string VoiceTokenKey(const std::string& name) {
  return std::string(kVoiceTokensKey) + "\\" + name;
}
