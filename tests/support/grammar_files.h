// Writers of grammar and user dictionary files for tests, and a small builder that lays out
// transducer states the way the engine addresses them (state q's row on class c is q + c + 1).
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <vector>

#include "engine/core/text/byte_reader.h"

namespace brelvox::test {

struct TransducerSpec {
  std::vector<int32_t> alphabet;             // sorted
  std::vector<std::array<int32_t, 3>> rows;  // check class, next state, output start
  std::vector<int32_t> outputs;              // class indices, lists ended by -1
  int32_t start = 0;
};

struct BimachineSpec {
  std::vector<int32_t> alphabet;
  std::vector<int32_t> outputs;
  std::vector<std::array<int32_t, 2>> left;  // check class, next state
  int32_t leftStart = 0;
  std::vector<std::array<int32_t, 4>> right;  // check class, next state, pair start, pair count
  int32_t rightStart = 0;
  std::vector<std::array<int32_t, 2>> pairs;  // left state, output start
};

struct StageSpec {
  int32_t kind = 1;
  std::vector<int32_t> protectedSymbols;
  int32_t lowest = 0;
  int32_t highest = 0;
  int32_t enableMask = 1;
  int32_t disableMask = 0;
  TransducerSpec transducer;  // kind 1
  BimachineSpec bimachine;    // kind 2
};

// File images as 32-bit words (so that they are aligned like a mapped file).
std::vector<int32_t> TransducerFile(const TransducerSpec& spec);
std::vector<int32_t> BimachineFile(const BimachineSpec& spec);
std::vector<int32_t> GrammarFile(const std::vector<StageSpec>& stages);

inline ByteReader ReaderOver(const std::vector<int32_t>& words) {
  return MakeByteReader(words.data(), static_cast<int64_t>(words.size() * 4));
}

// Alphabet -1, 'a', 'b', 'x' (classes 0 to 3). The left automaton remembers whether the previous
// symbol was 'b' (state 5) or not (state 0); 'a' after 'b' becomes 'x'; symbols of class 'x' use
// the first pair of the catch-all range (count -1); everything else is copied.
BimachineSpec AAfterBBimachine();

// In an output list, the symbol waiting in the queue (a transducer) or the input symbol itself
// (a bimachine): the catch-all class.
inline constexpr int32_t kCatchAllOutput = INT32_MIN;

// Builds a transducer from transitions between numbered states; every state copies what it does
// not know through its catch-all row unless told otherwise.
class TransducerBuilder {
 public:
  explicit TransducerBuilder(std::vector<int32_t> alphabet);
  void Transition(int32_t state, int32_t symbol, int32_t next, const std::vector<int32_t>& out);
  // The catch-all row of a state (by default: stay, emit the queued symbol).
  void CatchAll(int32_t state, int32_t next, const std::vector<int32_t>& out);
  void Final(int32_t state, const std::vector<int32_t>& out);
  TransducerSpec Build(int32_t states, int32_t start = 0) const;

 private:
  struct Row {
    int32_t state, cls, next;
    std::vector<int32_t> out;
  };
  int32_t ClassOf(int32_t symbol) const;
  std::vector<int32_t> alphabet_;
  std::vector<Row> rows_;
  std::vector<std::pair<int32_t, std::vector<int32_t>>> finals_;
};

}  // namespace brelvox::test
