// The numbers behind speaking a result: the delay of the English click and the speech rate; and
// the text the voice reads.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace brelvox::translator {

// The delay in ms between the pronunciation scheduler and the click on the page's listen button.
// It leaves time for the Bulgarian speech, by the length (in characters) of the Bulgarian text:
// the result for an English source, the request for a Bulgarian one.
//   English source:   1500; with Bulgarian speech on >15: 2000, >25: 2500, >35: 3000,
//                     >50: 3500, >65: 4000, >75: 6500
//   Bulgarian source: with Bulgarian speech on 750, >10: 1500, >15: 2500, >35: 3500,
//                     >50: 4500, >75: 5500; off: 10
int ListenClickDelay(bool bulgarian_source, bool bulgarian_speech_on, std::size_t bulgarian_length);

// The rate handed to the voice for the caption of the rate label: its numeric value / 10 - 5,
// rounded to the nearest integer, halves to even. nullopt when the caption is not a number.
std::optional<int> SpeechRateFromCaption(std::string_view caption);

// The text the voice reads for a text box's text: its lines (one translation each) joined so that
// the voice pauses between them, blank lines dropped.
std::string SpokenText(std::string_view text);

}  // namespace brelvox::translator
