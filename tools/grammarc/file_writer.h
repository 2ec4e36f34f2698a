// Packing compiled machines into the engine's file layout: alphabets, state tables whose rows are
// addressed as state + class + 1 and placed first-fit, output lists, output pairs; and the grammar
// file around the stages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/grammarc/machines.h"
#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

struct TableStats {
  int64_t rows = 0;      // rows in the packed tables
  int64_t usedRows = 0;  // rows that hold a transition (or a state's final list)
  int64_t bytes = 0;     // the machine's size in the file
};

// Places states, each a sorted set of row offsets from its base, at the lowest base where all its
// rows are free.
class RowPacker {
 public:
  int32_t Place(const std::vector<int32_t>& offsets);
  int64_t size() const { return size_; }

 private:
  int32_t FirstFree(int32_t from);
  void Reserve(int64_t slots);
  // Where to look for a first row: a candidate slot points at itself, any other slot at a later
  // one. A free slot that has failed as a first row many times stops being a candidate (it stays
  // free for the other rows of later states), which bounds the search.
  std::vector<int32_t> nextCandidate_;
  std::vector<uint8_t> used_;
  std::vector<uint8_t> failures_;
  int64_t size_ = 0;
};

// The words of one machine in the file. Throw CompileError (at `where`) when a table would not fit
// the file format.
std::vector<int32_t> WriteTransducer(const TransducerMachine& machine, const Location& where,
                                     TableStats* stats);
std::vector<int32_t> WriteBimachine(const BimachineMachine& machine, const Location& where,
                                    TableStats* stats);

struct StageImage {
  int32_t kind = 0;  // 1 transducer, 2 bimachine, 3 user dictionary
  std::vector<int32_t> protectedSymbols;
  int32_t enableMask = -1;
  int32_t disableMask = 0;
  std::vector<int32_t> data;
};

std::vector<int32_t> WriteGrammarFile(const std::vector<StageImage>& stages);

}  // namespace brelvox::grammarc
