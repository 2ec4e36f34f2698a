// `brelvox transcribe`: what the installed voice's grammar makes of a text, as phoneme characters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brelvox::command {

struct TranscribeOptions {
  std::vector<std::string> text;  // joined by single spaces
  std::string voice;              // empty: the default voice
  bool stress = false;
};

// Runs the command; returns the exit status (0 success, 1 the voice's files fail, 2 unusable
// input).
int RunTranscribe(const TranscribeOptions& options);

// The phonemes of a final stream as PhonemeAlphabet characters, word by word (the phonemes
// between word markers), words separated by single spaces; with `stress` each phoneme is
// followed by the level of its stress symbol (0 to 9, X for 10).
std::string TranscriptionOf(const int32_t* symbols, int32_t count, bool stress);

}  // namespace brelvox::command
