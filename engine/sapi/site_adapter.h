// The shell's side of the core's callback table: each callback turns a request of the core into
// calls on the platform's engine site, converting sample positions to byte offsets and
// milliseconds, voice indices to phoneme ids and visemes, and folding the platform's pending
// actions into the engine's own set. Callbacks run only while Speak runs, on its thread.
#pragma once

#include <array>
#include <cstdint>

#include "engine/core/engine_site.h"
#include "platform/speech/sapi.h"

// S_SPEAK_ABORTED: a success code returned once the platform has asked for an abort.
inline constexpr HRESULT S_SPEAK_ABORTED = 0x00045065;

struct SiteAdapter {
  ISpTTSEngineSite* site;  // only while Speak runs
  DWORD pendingActions;    // SPVES bits seen during this Speak; the abort bit stays
  ULONG streamNumber;      // stamped into every event
  DWORD sampleRate;
};

// The callback table with `adapter` as its context.
EngineSite MakeEngineSite(SiteAdapter* adapter);

// The platform's pending actions folded into the adapter's set (the abort bit, once seen, answers
// without asking the platform again).
DWORD AdapterGetActions(SiteAdapter* adapter);

// The platform's viseme number of each phoneme character.
int32_t VisemeOf(char phoneme);

// The leading decimal integer of a UTF-16 text, read as the C run-time's wide-string-to-long
// conversion reads it (leading white space and a sign allowed, 0 without digits, clamped to 32
// bits).
LONG LeadingInteger(const WCHAR* text);
