// The engine core's entry point: one speak request rendered to audio through the host's callbacks.
#pragma once

#include <cstdint>

#include "engine/core/dyn_array.h"
#include "engine/core/engine_site.h"
#include "engine/core/sound/voice_inventory.h"
#include "engine/core/text/grammar.h"
#include "engine/core/text/transducer.h"

// What Synthesize returns when its own storage cannot be allocated (the platform's out-of-memory
// code, so that a host can hand it on unchanged).
inline constexpr int32_t kSynthesisOutOfMemory = static_cast<int32_t>(0x8007000Eu);

// Turns the text items into the final symbol stream and speech marks, walks the stream symbol by
// symbol posting bookmark, word, sentence and phoneme events, renders every phoneme pair, and hands
// 16-bit audio to the host in half-buffer blocks plus a final one. Between pitch periods it polls
// for abort, rate and volume; after word and sentence events it honours sentence skips.
//
// Returns 0 when the stream was rendered to the end, the host aborted or a skip ran past the last
// sentence; otherwise the first non-zero status of writeAudio, postBoundary, postPhoneme, getSkip,
// completeSkip, getRate or getVolume, unchanged. One call at a time may use a voice.
int32_t Synthesize(VoiceInventory* voice, const Grammar* grammar, const Transducer* userDictionary,
                   const DynArray* textItems, int32_t flags, const EngineSite* site);

// Renders a final symbol stream (phonemes with stress, pauses, tones) without text marks.
int32_t RenderSymbolStream(VoiceInventory* voice, const int32_t* symbols, int32_t count,
                           const EngineSite* site);
