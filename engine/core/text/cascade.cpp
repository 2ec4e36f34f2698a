#include "engine/core/text/cascade.h"

#include <utility>

#include "engine/core/text/symbol_queue.h"

namespace {

constexpr int32_t kInitialCapacity = 15000;

struct CascadeStorage {
  DynArray* current = nullptr;
  DynArray* next = nullptr;
  DynArray* hiddenInput = nullptr;
  DynArray* hiddenOutput = nullptr;
  DynArray* rightStates = nullptr;
  SymbolQueue* runStarts = nullptr;
  SymbolQueue* copyQueue = nullptr;

  bool Create() {
    current = DynArrayCreate(1, kInitialCapacity, kDefaultGrowth);
    next = DynArrayCreate(1, kInitialCapacity, kDefaultGrowth);
    hiddenInput = DynArrayCreate(1, kInitialCapacity, kDefaultGrowth);
    hiddenOutput = DynArrayCreate(1, kInitialCapacity, kDefaultGrowth);
    rightStates = DynArrayCreate(1, kInitialCapacity, kDefaultGrowth);
    runStarts = SymbolQueueCreate(1, kInitialCapacity);
    copyQueue = SymbolQueueCreate(1, kInitialCapacity);
    return current && next && hiddenInput && hiddenOutput && rightStates && runStarts && copyQueue;
  }
  // Releases everything but the current stream.
  void ReleaseScratch() {
    DynArrayRelease(next);
    DynArrayRelease(hiddenInput);
    DynArrayRelease(hiddenOutput);
    DynArrayRelease(rightStates);
    SymbolQueueRelease(runStarts);
    SymbolQueueRelease(copyQueue);
  }
};

void RunMachine(const GrammarStage& stage, const Transducer* userDictionary, const DynArray* input,
                DynArray* output, CascadeStorage& storage) {
  if (stage.kind == kBimachineStage) {
    RunBimachine(*stage.bimachine, input, output, storage.rightStates);
  } else {
    const Transducer* machine = stage.kind == kTransducerStage ? stage.transducer : userDictionary;
    RunTransducer(*machine, input, output, storage.copyQueue);
  }
}

// Folds every protected run of `current` to its opening symbol, remembering where each run began.
void Hide(const GrammarStage& stage, const DynArray* current, DynArray* hidden,
          SymbolQueue* runStarts) {
  DynArrayClear(hidden);
  SymbolQueueClear(runStarts);
  for (int32_t a = 0; a < current->count; ++a) {
    const int32_t s = current->data[a];
    DynArrayAppend(hidden, &s);
    if (!InStageSet(s, stage)) continue;
    SymbolQueuePush(runStarts, &a);
    ++a;
    while (a < current->count && current->data[a] != s)
      ++a;
  }
}

// Puts every hidden run back after the protected symbol the machine emitted for it, in the order
// the runs were hidden. A protected symbol beyond the hidden runs comes out alone.
void Restore(const GrammarStage& stage, const DynArray* current, const DynArray* hiddenOutput,
             DynArray* next, SymbolQueue* runStarts) {
  DynArrayClear(next);
  for (int32_t i = 0; i < hiddenOutput->count; ++i) {
    const int32_t t = hiddenOutput->data[i];
    DynArrayAppend(next, &t);
    if (!InStageSet(t, stage) || SymbolQueueIsEmpty(runStarts)) continue;
    const int32_t r = *SymbolQueuePop(runStarts);
    for (int32_t k = r + 1; k < current->count; ++k) {
      DynArrayAppend(next, &current->data[k]);
      if (current->data[k] == t) break;
    }
  }
}

}  // namespace

DynArray* RunCascade(const Grammar& grammar, const Transducer* userDictionary,
                     const DynArray* input, int32_t flags) {
  CascadeStorage storage;
  if (!storage.Create()) {
    DynArrayRelease(storage.current);
    storage.ReleaseScratch();
    return nullptr;
  }
  for (int32_t i = 0; i < input->count; ++i)
    DynArrayAppend(storage.current, &input->data[i]);
  for (int32_t i = 0; i < grammar.stageCount; ++i) {
    const GrammarStage& stage = grammar.stages[i];
    if (!StageSelected(stage, flags)) continue;
    if (stage.kind == kUserDictionaryStage && userDictionary == nullptr) continue;
    if (stage.protectedCount == 0) {
      RunMachine(stage, userDictionary, storage.current, storage.next, storage);
    } else {
      Hide(stage, storage.current, storage.hiddenInput, storage.runStarts);
      RunMachine(stage, userDictionary, storage.hiddenInput, storage.hiddenOutput, storage);
      Restore(stage, storage.current, storage.hiddenOutput, storage.next, storage.runStarts);
    }
    std::swap(storage.current, storage.next);
  }
  storage.ReleaseScratch();
  return storage.current;
}
