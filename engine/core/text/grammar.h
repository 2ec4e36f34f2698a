// The grammar: an ordered list of stages, each a compiled machine over symbols, read from a
// grammar file. A stage may protect symbols: a run of the stream from a protected symbol to its
// next occurrence is hidden from the stage and put back after it.
//
// Grammar file (little-endian int32): stage count S, S stage records of 109 words, then the data of
// each stage in record order (kind 1 a transducer, kind 2 a bimachine, kind 3 nothing: it runs the
// user dictionary).
#pragma once

#include <cstdint>

#include "engine/core/text/bimachine.h"
#include "engine/core/text/byte_reader.h"
#include "engine/core/text/transducer.h"

enum GrammarStageKind : int32_t {
  kTransducerStage = 1,
  kBimachineStage = 2,
  kUserDictionaryStage = 3,
};

inline constexpr int32_t kMaxProtectedSymbols = 100;
inline constexpr int32_t kStageRecordBytes = 436;
// Protected sets spanning at most this many symbols (plus one) get a membership bitmap.
inline constexpr int32_t kMaxBitmapSpan = 9999;

struct GrammarStage {
  int32_t kind;
  int32_t protectedCount;
  int32_t protectedSymbols[kMaxProtectedSymbols];
  int32_t lowest;
  int32_t highest;
  int32_t enableMask;
  int32_t disableMask;
  int32_t* bitmap;  // flags for lowest..highest, or null: membership is then a scan
  Transducer* transducer;
  Bimachine* bimachine;
};

struct Grammar {
  GrammarStage* stages;
  int32_t stageCount;
};

// Reads a grammar from the reader's position. Returns null, with nothing left allocated, when the
// image is too short, a stage kind is not 1, 2 or 3, a protected-symbol count is outside 0..100, a
// protected symbol lies outside the stage's lowest..highest, or a machine does not load.
Grammar* LoadGrammar(ByteReader* reader);
void FreeGrammar(Grammar* grammar);

// Whether `symbol` is one of the stage's protected symbols.
bool InStageSet(int32_t symbol, const GrammarStage& stage);

// Whether the flags select the stage: some enable bit is set and no disable bit other than bit 0.
inline bool StageSelected(const GrammarStage& stage, int32_t flags) {
  return (flags & stage.enableMask) != 0 && (flags & stage.disableMask & ~1) == 0;
}
