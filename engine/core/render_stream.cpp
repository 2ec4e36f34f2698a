#include "render_stream.h"

#include "synthesis_state.h"
#include "unit_renderer.h"

int32_t RenderSymbolStream(VoiceInventory* voice, const int32_t* symbols, int32_t count,
                           const EngineSite* site) {
  SynthesisState state;
  InitSynthesisState(&state, voice, site);
  if (IsAborted(state)) return 0;
  if (!StartSynthesis(&state)) return state.status;
  for (state.symbolIndex = 0; state.symbolIndex < count; ++state.symbolIndex) {
    if (IsAborted(state)) return state.status;
    if (!HandleSymbol(&state, symbols, count)) return state.status;
  }
  WriteFinalBlock(&state);
  return state.status;
}
