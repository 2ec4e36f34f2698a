// The engine's front end on its own: the half of a speak request that turns the platform's
// fragments into the final symbol stream, with the same text items and option bits the engine
// object hands to Synthesize. `brelvox transcribe` prints what it makes of a text.
#pragma once

#include "engine/core/text/grammar.h"
#include "engine/core/text/speech_marks.h"
#include "engine/core/text/transducer.h"
#include "platform/registry/registry.h"
#include "platform/speech/sapi.h"

// The option bits a speak request runs with: the value "settings" under the engine's settings key
// (kDefaultEngineOptions when the key or value is missing), with kSpeakPunctuationOption added
// when `speakFlags` hold SPF_NLP_SPEAK_PUNC. `settingsKey` keeps the key open between calls: null
// at first, closed by the caller.
DWORD ReadEngineOptions(HKEY* settingsKey, DWORD speakFlags);

// The symbol stream and marks the engine speaks for the fragments: their text items through the
// grammar's cascade and the user dictionary (or none) with the option bits. Both arrays belong to
// the caller; both are null when storage cannot be allocated.
SymbolStream FrontEndStream(const Grammar& grammar, const Transducer* userDictionary,
                            const SPVTEXTFRAG* fragments, DWORD options);
