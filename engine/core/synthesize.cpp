#include "engine/core/synthesize.h"

#include "engine/core/sound/phoneme_set.h"
#include "engine/core/sound/synthesis_state.h"
#include "engine/core/sound/unit_renderer.h"
#include "engine/core/text/speech_marks.h"
#include "engine/core/text/text_item.h"

namespace {

enum class MarkOutcome { kNext, kJumped, kEnd };

struct Walk {
  SynthesisState* state;
  const int32_t* symbols;
  int32_t count;
  const DynArray* marks;  // null: no marks
  const DynArray* items;
  int32_t MarkCount() const { return marks == nullptr ? 0 : marks->count; }
  const SpeechMark& Mark(int32_t index) const { return SpeechMarkAt(marks, index); }
};

void ApplyItemProsody(SynthesisState& s, const TextItem& item) {
  if (item.pitchAdj != s.itemPitchAdjust) {
    s.itemPitchAdjust = item.pitchAdj;
    s.pitchFactor = PitchFactorForAdjust(item.pitchAdj);
  }
  if (item.rateAdj != s.itemRateAdjust) {
    s.itemRateAdjust = item.rateAdj;
    s.rateFactor = RateFactorFor(s.hostRate, item.rateAdj);
  }
  if (item.volume != s.itemVolume) {
    s.itemVolume = item.volume;
    s.gain = GainFor(s.hostVolume);  // the item's own volume does not enter the gain
  }
}

// Moves the walk to mark m: the main loop goes on at its symbol and processes it again.
MarkOutcome JumpTo(const Walk& w, int32_t m) {
  w.state->markIndex = m;
  w.state->symbolIndex = w.Mark(m).symbolIndex;
  return MarkOutcome::kJumped;
}

MarkOutcome SkipSentences(const Walk& w) {
  SynthesisState& s = *w.state;
  const EngineSite& site = *s.site;
  int32_t reserved = 0;
  int32_t count = 0;
  s.status = site.getSkip(site.context, &reserved, &count);
  if (s.status != 0) return MarkOutcome::kEnd;
  site.clearAction(site.context, ActionSkip);
  const int32_t requested = count;
  int32_t m = s.markIndex;
  if (count > 0) {
    for (; m < w.MarkCount(); ++m) {
      if (w.Mark(m).kind == SentenceMark && --count == 0) break;
    }
    if (IsAborted(s)) return MarkOutcome::kEnd;
    s.status = site.completeSkip(site.context, requested - count);
    if (s.status != 0 || m >= w.MarkCount()) return MarkOutcome::kEnd;  // past the last sentence
    return JumpTo(w, m);
  }
  bool found = false;
  for (; m >= 1; --m) {
    if (w.Mark(m).kind == SentenceMark && ++count == 1) {
      found = true;
      break;
    }
  }
  if (!found) m = 0;
  if (IsAborted(s)) return MarkOutcome::kEnd;
  s.status = site.completeSkip(site.context, requested - count + 1);
  if (s.status != 0) return MarkOutcome::kEnd;
  return JumpTo(w, m);
}

MarkOutcome ProcessMark(const Walk& w) {
  SynthesisState& s = *w.state;
  const EngineSite& site = *s.site;
  const SpeechMark& mark = w.Mark(s.markIndex);
  if (mark.kind == ItemMark) {
    if (mark.itemOrPosition >= 0 && mark.itemOrPosition < w.items->count) {
      const TextItem& item = TextItemAt(w.items, mark.itemOrPosition);
      if (item.bookmarkFrag != nullptr) {
        if (IsAborted(s)) return MarkOutcome::kEnd;
        site.postBookmark(site.context, item.bookmarkFrag, s.streamPosition);
      }
      if (item.kind == kSpeakItem || item.kind == kSpellOutItem) ApplyItemProsody(s, item);
    }
    ++s.markIndex;
    return MarkOutcome::kNext;
  }
  if (IsAborted(s)) return MarkOutcome::kEnd;
  const int32_t kind = mark.kind == WordMark ? kWordBoundary : kSentenceBoundary;
  s.status =
      site.postBoundary(site.context, kind, mark.itemOrPosition, mark.length, s.streamPosition);
  if (s.status != 0) return MarkOutcome::kEnd;
  const int32_t actions = site.getActions(site.context);
  if ((actions & ActionAbort) != 0) return MarkOutcome::kEnd;
  if ((actions & ActionSkip) == 0) {
    ++s.markIndex;
    return MarkOutcome::kNext;
  }
  return SkipSentences(w);
}

// The main loop. Every mark whose symbol index has been reached is processed before the symbol is
// handled, so a mark on a symbol consumed with the one before it (a stress after its phoneme, the
// two after a tone) is never passed over; marks still pending after the last symbol are processed
// before the final block.
int32_t RunSynthesisLoop(const Walk& w) {
  SynthesisState& s = *w.state;
  for (;;) {
    const bool streamDone = s.symbolIndex >= w.count;
    if (!streamDone && IsAborted(s)) return s.status;
    MarkOutcome outcome = MarkOutcome::kNext;
    while (s.markIndex < w.MarkCount() &&
           (streamDone || w.Mark(s.markIndex).symbolIndex <= s.symbolIndex)) {
      outcome = ProcessMark(w);
      if (outcome == MarkOutcome::kEnd || IsAborted(s)) return s.status;
      if (outcome == MarkOutcome::kJumped) break;
    }
    if (outcome == MarkOutcome::kJumped) continue;
    if (streamDone) break;
    if (!HandleSymbol(&s, w.symbols, w.count)) return s.status;
    ++s.symbolIndex;
  }
  WriteFinalBlock(&s);
  return s.status;
}

}  // namespace

int32_t Synthesize(VoiceInventory* voice, const Grammar* grammar, const Transducer* userDictionary,
                   const DynArray* textItems, int32_t flags, const EngineSite* site) {
  SynthesisState state;
  InitSynthesisState(&state, voice, site);
  if (IsAborted(state)) return 0;
  const SymbolStream stream = BuildSymbolStream(*grammar, userDictionary, textItems, flags);
  if (stream.symbols == nullptr) return kSynthesisOutOfMemory;
  int32_t status = state.status;
  if (StartSynthesis(&state)) {
    status = RunSynthesisLoop(
        Walk{&state, stream.symbols->data, stream.symbols->count, stream.marks, textItems});
  } else {
    status = state.status;
  }
  DynArrayRelease(stream.symbols);
  DynArrayRelease(stream.marks);
  return status;
}

int32_t RenderSymbolStream(VoiceInventory* voice, const int32_t* symbols, int32_t count,
                           const EngineSite* site) {
  SynthesisState state;
  InitSynthesisState(&state, voice, site);
  if (IsAborted(state)) return 0;
  if (!StartSynthesis(&state)) return state.status;
  return RunSynthesisLoop(Walk{&state, symbols, count, nullptr, nullptr});
}
