// The text of one speak request as the shell hands it to the core: a list of items, each a piece
// of text to speak or spell, a bookmark or a silence, with the prosody in force for it.
#pragma once

#include <cstdint>

#include "engine/core/dyn_array.h"

enum TextItemKind : int32_t {
  kSpeakItem = 0,
  kSpellOutItem = 1,
  kBookmarkItem = 2,
  kSilenceItem = 3,
};

struct TextItem {
  int32_t kind;      // TextItemKind
  int32_t pitchAdj;  // -10..10 as the platform gives it
  int32_t rateAdj;
  int32_t volume;            // 0..100
  const void* bookmarkFrag;  // bookmark items: the platform's fragment, handed back unchanged
  int32_t silenceMs;         // silence items: the length of the run
  const char16_t* text;      // speak and spell items: UTF-16, not zero-terminated, not owned
  int32_t textLength;        // code units
  int32_t sourceOffset;      // offset of `text` in the caller's text, in code units
};

// Items live in a DynArray whose element is one TextItem (pointer fields take a full pointer each,
// so the element is wider than nine 32-bit words on 64-bit systems).
inline constexpr int32_t kTextItemWords = static_cast<int32_t>(sizeof(TextItem) / sizeof(int32_t));
static_assert(sizeof(TextItem) % sizeof(int32_t) == 0);

inline const TextItem& TextItemAt(const DynArray* items, int32_t index) {
  return *reinterpret_cast<const TextItem*>(DynArrayRow(items, index));
}
