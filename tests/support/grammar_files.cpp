#include "tests/support/grammar_files.h"

#include <algorithm>
#include <stdexcept>

namespace brelvox::test {

namespace {

void CountedTable(std::vector<int32_t>& out, int32_t rows, const std::vector<int32_t>& words) {
  out.push_back(rows);
  out.push_back(0);
  out.insert(out.end(), words.begin(), words.end());
}

template <size_t W>
std::vector<int32_t> Flatten(const std::vector<std::array<int32_t, W>>& rows) {
  std::vector<int32_t> words;
  for (const auto& row : rows)
    words.insert(words.end(), row.begin(), row.end());
  return words;
}

template <size_t W>
void StateTable(std::vector<int32_t>& out, const std::vector<std::array<int32_t, W>>& rows) {
  out.push_back(0);
  out.push_back(0);
  CountedTable(out, static_cast<int32_t>(rows.size()), Flatten(rows));
}

void CountedList(std::vector<int32_t>& out, const std::vector<int32_t>& words) {
  out.push_back(static_cast<int32_t>(words.size()));
  out.insert(out.end(), words.begin(), words.end());
}

}  // namespace

std::vector<int32_t> TransducerFile(const TransducerSpec& spec) {
  std::vector<int32_t> out;
  CountedTable(out, static_cast<int32_t>(spec.alphabet.size()), spec.alphabet);
  StateTable(out, spec.rows);
  CountedList(out, spec.outputs);
  out.push_back(spec.start);
  return out;
}

std::vector<int32_t> BimachineFile(const BimachineSpec& spec) {
  std::vector<int32_t> out;
  CountedTable(out, static_cast<int32_t>(spec.alphabet.size()), spec.alphabet);
  CountedList(out, spec.outputs);
  StateTable(out, spec.left);
  out.push_back(spec.leftStart);
  StateTable(out, spec.right);
  out.push_back(spec.rightStart);
  CountedTable(out, static_cast<int32_t>(spec.pairs.size()), Flatten(spec.pairs));
  return out;
}

std::vector<int32_t> GrammarFile(const std::vector<StageSpec>& stages) {
  std::vector<int32_t> out = {static_cast<int32_t>(stages.size())};
  for (const StageSpec& stage : stages) {
    std::vector<int32_t> record(109, 0);
    record[0] = stage.kind;
    record[1] = static_cast<int32_t>(stage.protectedSymbols.size());
    std::copy(stage.protectedSymbols.begin(), stage.protectedSymbols.end(), record.begin() + 2);
    record[103] = stage.lowest;
    record[104] = stage.highest;
    record[107] = stage.enableMask;
    record[108] = stage.disableMask;
    out.insert(out.end(), record.begin(), record.end());
  }
  for (const StageSpec& stage : stages) {
    std::vector<int32_t> data;
    if (stage.kind == 1) data = TransducerFile(stage.transducer);
    if (stage.kind == 2) data = BimachineFile(stage.bimachine);
    out.insert(out.end(), data.begin(), data.end());
  }
  return out;
}

BimachineSpec AAfterBBimachine() {
  BimachineSpec b;
  b.alphabet = {-1, 'a', 'b', 'x'};
  b.outputs = {0, -1, 3, -1, -1};  // copy at 0, 'x' at 2, nothing at 4
  b.left = {{-2, 0}, {0, 0}, {1, 0}, {2, 5}, {3, 0}, {-2, 0}, {0, 0}, {1, 0}, {2, 5}, {3, 0}};
  b.right = {{-2, 0, 0, 0}, {0, 0, 0, 1}, {1, 0, 1, 2}, {2, 0, 0, 0}, {3, 0, 0, -1}};
  b.pairs = {{-2, 0}, {-2, 0}, {5, 2}};
  return b;
}

TransducerBuilder::TransducerBuilder(std::vector<int32_t> alphabet)
    : alphabet_(std::move(alphabet)) {
  std::sort(alphabet_.begin(), alphabet_.end());
}

int32_t TransducerBuilder::ClassOf(int32_t symbol) const {
  const auto it = std::lower_bound(alphabet_.begin(), alphabet_.end(), symbol);
  if (it == alphabet_.end() || *it != symbol) throw std::logic_error("symbol not in alphabet");
  return static_cast<int32_t>(it - alphabet_.begin());
}

void TransducerBuilder::Transition(int32_t state, int32_t symbol, int32_t next,
                                   const std::vector<int32_t>& out) {
  rows_.push_back({state, ClassOf(symbol), next, out});
}

void TransducerBuilder::CatchAll(int32_t state, int32_t next, const std::vector<int32_t>& out) {
  rows_.push_back({state, ClassOf(-1), next, out});
}

void TransducerBuilder::Final(int32_t state, const std::vector<int32_t>& out) {
  finals_.emplace_back(state, out);
}

TransducerSpec TransducerBuilder::Build(int32_t states, int32_t start) const {
  TransducerSpec spec;
  spec.alphabet = alphabet_;
  const auto stride = static_cast<int32_t>(alphabet_.size()) + 1;
  const int32_t catchAll = ClassOf(-1);
  spec.rows.assign(static_cast<size_t>(states * stride), {-2, -1, -1});
  const auto list = [&](const std::vector<int32_t>& out) {
    const auto at = static_cast<int32_t>(spec.outputs.size());
    for (int32_t s : out)
      spec.outputs.push_back(s == kCatchAllOutput ? catchAll : ClassOf(s));
    spec.outputs.push_back(-1);
    return at;
  };
  for (int32_t q = 0; q < states; ++q) {
    spec.rows[static_cast<size_t>(q * stride + catchAll + 1)] = {catchAll, q * stride,
                                                                 list({kCatchAllOutput})};
  }
  for (const Row& row : rows_) {
    spec.rows[static_cast<size_t>(row.state * stride + row.cls + 1)] = {row.cls, row.next * stride,
                                                                        list(row.out)};
  }
  for (const auto& [state, out] : finals_) {
    spec.rows[static_cast<size_t>(state * stride)][1] = list(out);
  }
  spec.start = start * stride;
  return spec;
}

}  // namespace brelvox::test
