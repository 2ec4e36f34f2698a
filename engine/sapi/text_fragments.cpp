#include "engine/sapi/text_fragments.h"

#include "engine/core/text/text_item.h"

namespace {

bool IsTextAction(SPVACTIONS action) {
  return action == SPVA_Speak || action == SPVA_Pronounce || action == SPVA_SpellOut;
}

// Tab, line feed and space only: carriage return and other spaces do not count.
bool IsWhiteSpace(WCHAR c) {
  return c == 9 || c == 10 || c == 32;
}

// Silence lengths add up without wrapping around.
int32_t SaturatedMs(int64_t ms) {
  return static_cast<int32_t>(ms > INT32_MAX ? INT32_MAX : ms);
}

void Append(DynArray* items, const TextItem& item) {
  DynArrayAppend(items, reinterpret_cast<const int32_t*>(&item));
}

}  // namespace

DynArray* collectTextItems(const SPVTEXTFRAG* fragments) {
  int32_t total = 0;
  int32_t speakFragments = 0;
  for (const SPVTEXTFRAG* f = fragments; f != nullptr; f = f->pNext) {
    ++total;
    if (f->State.eAction == SPVA_Speak) ++speakFragments;
  }
  DynArray* items = DynArrayCreate(kTextItemWords, total, kDefaultGrowth);
  if (items == nullptr) return nullptr;

  TextItem work{kSpeakItem, 0, 0, 100, nullptr, 0, nullptr, 0, 0};
  LPCWSTR previousBase = nullptr;
  bool previousWasSilence = false;
  for (const SPVTEXTFRAG* f = fragments; f != nullptr; f = f->pNext) {
    const SPVACTIONS action = f->State.eAction;
    const bool spell = action == SPVA_SpellOut ||
                       (speakFragments == 1 && (action == SPVA_Speak || action == SPVA_Pronounce) &&
                        f->ulTextLen == 1);
    work.pitchAdj = f->State.PitchAdj.MiddleAdj;
    work.rateAdj = f->State.RateAdj;
    work.volume = static_cast<int32_t>(f->State.Volume);
    if (IsTextAction(action)) {
      LPCWSTR base = f->pTextStart - f->ulTextSrcOffset;
      const bool repair = f->ulTextLen > 0 && f->ulTextSrcOffset > 0 && base == previousBase &&
                          !IsWhiteSpace(f->pTextStart[0]) && IsWhiteSpace(f->pTextStart[-1]);
      const int32_t back = repair ? 1 : 0;
      work.text = AsUtf16(f->pTextStart - back);
      work.textLength = static_cast<int32_t>(f->ulTextLen) + back;
      work.sourceOffset = static_cast<int32_t>(f->ulTextSrcOffset) - back;
      previousBase = base;
      work.kind = spell ? kSpellOutItem : kSpeakItem;
      work.bookmarkFrag = nullptr;
      work.silenceMs = 0;
      if (work.textLength > 0) Append(items, work);
    } else if (action == SPVA_Silence) {
      // A run of silence fragments yields one item holding the sum of the run.
      if (previousWasSilence) {
        work.silenceMs = SaturatedMs(int64_t{work.silenceMs} + f->State.SilenceMSecs);
      } else {
        work.kind = kSilenceItem;
        work.bookmarkFrag = nullptr;
        work.silenceMs = SaturatedMs(f->State.SilenceMSecs);
        work.text = nullptr;
        work.textLength = 0;
      }
      if (f->pNext == nullptr || f->pNext->State.eAction != SPVA_Silence) Append(items, work);
    } else if (action == SPVA_Bookmark) {
      work.kind = kBookmarkItem;
      work.bookmarkFrag = f;
      work.silenceMs = 0;
      work.text = nullptr;
      work.textLength = 0;
      Append(items, work);
    }
    previousWasSilence = action == SPVA_Silence;
  }
  return items;
}
