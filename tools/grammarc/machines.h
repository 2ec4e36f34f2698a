// Compiled machines before packing: states numbered from 0, transitions keyed by symbol, output
// lists as symbols. The writer turns them into the engine's packed tables.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace brelvox::grammarc {

// In an output list: the input symbol itself (bimachine) or the oldest queued symbol (transducer).
inline constexpr int32_t kCopy = INT32_MIN;

// A transducer over symbols: every state copies what it has no row for through the queue.
struct TransducerMachine {
  struct Row {
    int32_t next = 0;
    int32_t output = 0;  // index into outputs
  };
  struct State {
    std::vector<std::pair<int32_t, Row>> rows;  // by symbol
    Row catchAll;                               // unknown symbols: queued, then this row
    int32_t final = -1;                         // output at the end of the input, or -1
  };
  std::vector<State> states;
  int32_t start = 0;
  std::vector<std::vector<int32_t>> outputs;
};

// A bimachine over classes: class 0 for symbols not in `symbols`, class c for symbols[c - 1].
struct BimachineMachine {
  std::vector<int32_t> symbols;  // sorted
  int32_t classes = 0;           // symbols.size() + 1
  int32_t leftStates = 0;
  int32_t rightStates = 0;
  int32_t leftStart = 0;
  int32_t rightStart = 0;
  std::vector<int32_t> leftNext;   // l * classes + c
  std::vector<int32_t> rightNext;  // r * classes + c (reading right to left)
  // The output of a symbol of class c whose left state is l and whose right state (what lies to
  // its right) is r: outputOf[(l * classes + c) * rightStates + r], an index into outputs.
  std::vector<int32_t> outputOf;
  std::vector<std::vector<int32_t>> outputs;

  int32_t Output(int32_t l, int32_t c, int32_t r) const {
    return outputOf[(static_cast<size_t>(l) * static_cast<size_t>(classes) +
                     static_cast<size_t>(c)) *
                        static_cast<size_t>(rightStates) +
                    static_cast<size_t>(r)];
  }
};

}  // namespace brelvox::grammarc
