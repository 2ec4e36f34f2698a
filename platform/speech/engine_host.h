// Loading a voice's engine the way the platform does: the class named by the token's CLSID value is
// created through its registered library, handed the token and asked for its output format.
#pragma once

#include <string>

#include "platform/speech/sapi.h"

struct EngineHandle {
  ISpTTSEngine* engine = nullptr;
  WAVEFORMATEX format{};
  HRESULT formatResult = E_FAIL;
};

// Creates and binds the engine of `token`; on failure returns the HRESULT and says in one sentence
// what went wrong and what to do.
HRESULT OpenEngine(ISpObjectToken* token, EngineHandle* handle, std::string* error);
void CloseEngine(EngineHandle* handle);

// "0x%08X".
std::string HresultText(HRESULT hr);
