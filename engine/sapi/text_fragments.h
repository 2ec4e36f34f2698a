// The platform's fragment list turned into the core's text items: only what the engine uses, with
// the text to spell decided, runs of silences merged and the word spacing that the splitting into
// fragments loses put back.
#pragma once

#include "engine/core/dyn_array.h"
#include "platform/speech/sapi.h"

// A new item list (the caller releases it), or null when it cannot be created. The fragments are
// not changed; the items point into their text.
DynArray* collectTextItems(const SPVTEXTFRAG* fragments);
