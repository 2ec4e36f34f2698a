// `brelvox speak`: the platform's precise test host for an engine.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brelvox::command {

struct SpeakOptions {
  std::string text;
  std::string textFile;
  bool xml = false;
  std::string fragmentsFile;
  std::optional<std::string> voiceData, grammarData, userDictData;
  long long rate = 0;
  long long volume = 100;
  std::optional<long long> speakFlags;
  std::optional<long long> maxWrite;
  std::vector<std::string> actions;  // BYTES:WHAT
  std::string wav, raw, events;
};

// Runs the command; returns the exit status (0 success, 1 engine failure, 2 unusable input).
int RunSpeak(const SpeakOptions& options);

}  // namespace brelvox::command
