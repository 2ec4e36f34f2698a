// Renders a final symbol stream (phonemes with stress, pauses, tones) to audio through the host's
// callbacks, without text marks: the synthesis loop on its own.
#pragma once

#include <cstdint>

#include "engine_site.h"
#include "voice_inventory.h"

// Returns 0 when the stream was rendered to the end or the host aborted, otherwise the first
// non-zero status of a callback.
int32_t RenderSymbolStream(VoiceInventory* voice, const int32_t* symbols, int32_t count,
                           const EngineSite* site);
