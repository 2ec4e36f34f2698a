// What a message becomes before it is spoken: text, spelled text, index marks and pauses, each with
// its own prosody.
#pragma once

#include <string>
#include <vector>

namespace brelvox::speechd {

struct SpeechPiece {
  enum class Kind { kText, kSpelled, kMark, kBreak };
  Kind kind = Kind::kText;
  std::string text;  // UTF-8 text, or the name of a mark
  int rate = 0;      // the engine's rate adjustment, -10 (half speed) to 10 (double speed)
  int pitch = 0;     // the engine's pitch adjustment, -10 to 10 (two steps a semitone)
  int volume = 100;  // percent of the message's volume, 0 to 200
  int breakMs = 0;   // the pause of a break
};

using SpeechPieces = std::vector<SpeechPiece>;

}  // namespace brelvox::speechd
