#include "engine/core/text/grammar.h"

#include <cstdlib>

namespace {

// Word offsets inside a stage record.
constexpr int kKindWord = 0;
constexpr int kCountWord = 1;
constexpr int kSymbolsWord = 2;
constexpr int kLowestWord = 103;
constexpr int kHighestWord = 104;
constexpr int kEnableWord = 107;
constexpr int kDisableWord = 108;
constexpr int kRecordWords = kStageRecordBytes / 4;

bool ReadStageRecord(ByteReader* reader, GrammarStage* stage) {
  int32_t words[kRecordWords];
  if (!ReadBytes(reader, words, kStageRecordBytes)) return false;
  stage->kind = words[kKindWord];
  stage->protectedCount = words[kCountWord];
  for (int32_t i = 0; i < kMaxProtectedSymbols; ++i) {
    stage->protectedSymbols[i] = words[kSymbolsWord + i];
  }
  stage->lowest = words[kLowestWord];
  stage->highest = words[kHighestWord];
  stage->enableMask = words[kEnableWord];
  stage->disableMask = words[kDisableWord];
  if (stage->kind < kTransducerStage || stage->kind > kUserDictionaryStage) return false;
  if (stage->protectedCount < 0 || stage->protectedCount > kMaxProtectedSymbols) return false;
  if (stage->protectedCount == 0) return true;
  if (stage->lowest > stage->highest) return false;
  for (int32_t i = 0; i < stage->protectedCount; ++i) {
    const int32_t s = stage->protectedSymbols[i];
    if (s < stage->lowest || s > stage->highest) return false;
  }
  return true;
}

bool BuildBitmap(GrammarStage* stage) {
  if (stage->protectedCount == 0 || int64_t{stage->highest} - stage->lowest > kMaxBitmapSpan) {
    return true;
  }
  const auto span = static_cast<size_t>(stage->highest - stage->lowest) + 1;
  stage->bitmap = static_cast<int32_t*>(std::calloc(span, sizeof(int32_t)));
  if (stage->bitmap == nullptr) return false;
  for (int32_t i = 0; i < stage->protectedCount; ++i) {
    stage->bitmap[stage->protectedSymbols[i] - stage->lowest] = 1;
  }
  return true;
}

}  // namespace

Grammar* LoadGrammar(ByteReader* reader) {
  int32_t count = 0;
  if (!ReadInt32(reader, &count) || count < 0 ||
      int64_t{count} * kStageRecordBytes > reader->size - reader->position) {
    return nullptr;
  }
  auto* grammar = static_cast<Grammar*>(std::calloc(1, sizeof(Grammar)));
  if (grammar == nullptr) return nullptr;
  grammar->stages =
      static_cast<GrammarStage*>(std::calloc(count > 0 ? count : 1, sizeof(GrammarStage)));
  if (grammar->stages == nullptr) {
    std::free(grammar);
    return nullptr;
  }
  grammar->stageCount = count;
  bool fine = true;
  for (int32_t i = 0; i < count && fine; ++i)
    fine = ReadStageRecord(reader, &grammar->stages[i]);
  for (int32_t i = 0; i < count && fine; ++i) {
    GrammarStage& stage = grammar->stages[i];
    if (stage.kind == kTransducerStage) {
      fine = (stage.transducer = LoadTransducer(reader)) != nullptr;
    } else if (stage.kind == kBimachineStage) {
      fine = (stage.bimachine = LoadBimachine(reader)) != nullptr;
    }
    fine = fine && BuildBitmap(&stage);
  }
  if (!fine) {
    FreeGrammar(grammar);
    return nullptr;
  }
  return grammar;
}

void FreeGrammar(Grammar* grammar) {
  if (grammar == nullptr) return;
  for (int32_t i = 0; i < grammar->stageCount; ++i) {
    GrammarStage& stage = grammar->stages[i];
    std::free(stage.bitmap);
    FreeTransducer(stage.transducer);
    FreeBimachine(stage.bimachine);
    stage.bitmap = nullptr;
    stage.transducer = nullptr;
    stage.bimachine = nullptr;
  }
  std::free(grammar->stages);
  std::free(grammar);
}

bool InStageSet(int32_t symbol, const GrammarStage& stage) {
  if (stage.protectedCount == 0 || symbol < stage.lowest || symbol > stage.highest) return false;
  if (stage.bitmap != nullptr) return stage.bitmap[symbol - stage.lowest] == 1;
  for (int32_t i = 0; i < stage.protectedCount; ++i) {
    if (stage.protectedSymbols[i] == symbol) return true;
  }
  return false;
}
