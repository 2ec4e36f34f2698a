// SSML as speech-dispatcher sends it, read into speech pieces: text with its entities decoded,
// <mark name>, <break time|strength>, <prosody rate pitch volume>, <say-as
// interpret-as="characters"> (spelled), <sub alias>; any other element is read for its text.
#pragma once

#include <string>
#include <string_view>

#include "programs/sd_brelvox/speech_pieces.h"

namespace brelvox::speechd {

// False with one sentence in `error` when the text is not well-formed XML.
bool SsmlToPieces(std::string_view ssml, SpeechPieces* pieces, std::string* error);

// Prosody values: named levels, relative or absolute percentages, semitones, decibels. Each returns
// false for a value it cannot read.
bool ParseRate(std::string_view value, int* rate);       // engine rate adjustment, -10..10
bool ParsePitch(std::string_view value, int* pitch);     // engine pitch adjustment, -10..10
bool ParseVolume(std::string_view value, int* percent);  // 0..200 percent
bool ParseBreakTime(std::string_view value, int* milliseconds);

}  // namespace brelvox::speechd
