// Checks of the voice on the front end's real output: Bulgarian text run through the compiled
// grammar (the engine's own cascade), its phoneme pairs looked up in the voice, and the text
// spoken by the engine with the stream's own stress and an item pitch adjust.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/sound/voice_inventory.h"
#include "engine/core/text/grammar.h"
#include "pair_list.h"
#include "voice_check.h"

namespace brelvox::voicebuild {

// The passages of a text file: fortune files (passages between lines holding only '%') or plain
// text (one passage a paragraph, paragraphs between blank lines). Lines of a passage are joined by
// a space.
bool ReadTextPassages(const std::string& path, std::vector<std::string>* passages,
                      std::string* error);

// The number of words (runs of letters) of a UTF-8 text.
int32_t CountWords(const std::string& text);

// A phoneme of the final stream with the pitch it asks for (stress factor x pitch factor; 1 x
// pitch factor for a pause).
struct StreamPhoneme {
  char phoneme;
  double factor;
};

// The phonemes of a final stream in the order the engine renders them (a leading pause symbol is
// passed over, as the engine does).
std::vector<StreamPhoneme> StreamPhonemes(const int32_t* symbols, int32_t count,
                                          double pitchFactor);

struct PairCoverage {
  int64_t pairs = 0;                  // pairs met in the stream, counted each time
  std::vector<PhonemePair> distinct;  // every distinct pair met
  std::vector<PhonemePair> missing;   // those without a unit in the voice
};

// The pairs the engine asks the voice for while rendering the stream phonemes (the first one
// joined to the pause the engine starts from), and those the voice lacks.
void CountPairs(const VoiceInventory& voice, const std::vector<StreamPhoneme>& phonemes,
                PairCoverage* coverage);

// Runs the passages through the grammar as one speak request each at item pitch adjust
// `pitchAdjust` and adds the stream's phonemes to `phonemes` (a pause between passages).
bool FrontEndPhonemes(const Grammar& grammar, const std::vector<std::string>& passages,
                      int32_t pitchAdjust, std::vector<StreamPhoneme>* phonemes,
                      std::string* error);

// Speaks the passages as one request through the engine's whole path (text items, grammar,
// units) at item pitch adjust `pitchAdjust`, and ties each phoneme event to the phoneme of the
// stream it reports, with that phoneme's pitch factor.
bool RenderText(VoiceInventory* voice, const Grammar& grammar,
                const std::vector<std::string>& passages, int32_t pitchAdjust,
                RenderedSpeech* speech, std::string* error);

}  // namespace brelvox::voicebuild
