// The symbol stream of a speak request and the speech marks that tie positions in the final stream
// back to text items and to character positions in the caller's text.
#pragma once

#include <cstdint>

#include "engine/core/dyn_array.h"
#include "engine/core/text/cascade.h"
#include "engine/core/text/grammar.h"
#include "engine/core/text/text_item.h"
#include "engine/core/text/transducer.h"

enum SpeechMarkKind : int32_t {
  ItemMark = 0,
  WordMark = 1,
  SentenceMark = 2,
};

// Element of a DynArray of width 4.
struct SpeechMark {
  int32_t symbolIndex;     // the mark takes effect before the symbol at this index is handled
  int32_t kind;            // SpeechMarkKind
  int32_t itemOrPosition;  // ItemMark: index of the text item; else text position of the first
                           // character
  int32_t length;          // characters from the first to the last inclusive; 0 while open
};
inline constexpr int32_t kSpeechMarkWords = 4;
static_assert(sizeof(SpeechMark) == kSpeechMarkWords * sizeof(int32_t));

inline const SpeechMark& SpeechMarkAt(const DynArray* marks, int32_t index) {
  return *reinterpret_cast<const SpeechMark*>(DynArrayRow(marks, index));
}

struct SymbolStream {
  DynArray* symbols;  // the final stream
  DynArray* marks;    // SpeechMarks in stream order
};

// Turns the items into the grammar's input (spelled text between spell markers), runs the cascade
// and builds the marks. Both arrays belong to the caller; both are null when storage cannot be
// allocated.
SymbolStream BuildSymbolStream(const Grammar& grammar, const Transducer* userDictionary,
                               const DynArray* textItems, int32_t flags);

// Walks the final stream once: every value below 0xFFFF counts as the next character of the text
// (whose position is the matching entry of `positions`), word markers open and close word marks,
// pairs of sentence markers close sentences.
DynArray* BuildSpeechMarks(const DynArray* textItems, const DynArray* stream,
                           const DynArray* positions, int32_t characterCount);
