#include "tools/grammarc/file_writer.h"

#include <algorithm>
#include <climits>
#include <map>
#include <numeric>
#include <unordered_map>

#include "tools/grammarc/vector_hash.h"

namespace grammarc {

namespace {

constexpr int32_t kNoClass = -2;  // check word of rows no class may take
constexpr int32_t kDefaultPair = -2;
// Row numbers, list positions and pair indices are 32-bit; keep every table well inside that.
constexpr int64_t kMaxTableRows = INT32_MAX / 8;

void CheckSize(int64_t count, const Location& where, const std::string& what) {
  if (count > kMaxTableRows) {
    throw CompileError(where, "the " + what + " would hold " + std::to_string(count) +
                                  " entries, more than the file format allows; split the stage");
  }
}

// The machine's alphabet: -1 first (class 0, the catch-all), then every symbol it reads or writes.
class Alphabet {
 public:
  explicit Alphabet(std::vector<int32_t> symbols) {
    symbols.push_back(-1);
    std::sort(symbols.begin(), symbols.end());
    symbols.erase(std::unique(symbols.begin(), symbols.end()), symbols.end());
    symbols_ = std::move(symbols);
  }
  int32_t ClassOf(int32_t symbol) const {
    if (symbol == kCopy) return 0;
    return static_cast<int32_t>(std::lower_bound(symbols_.begin(), symbols_.end(), symbol) -
                                symbols_.begin());
  }
  const std::vector<int32_t>& symbols() const { return symbols_; }

 private:
  std::vector<int32_t> symbols_;
};

// Output lists, each ended by -1; a list that is the tail of another shares its words.
class ListTable {
 public:
  int32_t Add(const std::vector<int32_t>& list) {
    const auto it = starts_.find(list);
    if (it != starts_.end()) return it->second;
    const auto start = static_cast<int32_t>(words_.size());
    words_.insert(words_.end(), list.begin(), list.end());
    words_.push_back(-1);
    // The list and its short tails (the ones other lists share); registering every tail of long
    // lists costs time and memory for little gain.
    constexpr size_t kSharedTail = 12;
    starts_.emplace(list, start);
    for (size_t k = list.size() > kSharedTail ? list.size() - kSharedTail : 1; k <= list.size();
         ++k) {
      starts_.emplace(
          std::vector<int32_t>(list.begin() + static_cast<std::ptrdiff_t>(k), list.end()),
          start + static_cast<int32_t>(k));
    }
    return start;
  }
  const std::vector<int32_t>& words() const { return words_; }

 private:
  std::unordered_map<std::vector<int32_t>, int32_t, VectorHash> starts_;
  std::vector<int32_t> words_;
};

// Adds the lists longest first so that shorter ones can be tails of longer ones.
std::vector<int32_t> AddLists(const std::vector<std::vector<int32_t>>& lists,
                              const Alphabet& alphabet, ListTable* table) {
  std::vector<size_t> order(lists.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return lists[a].size() > lists[b].size(); });
  std::vector<int32_t> start(lists.size());
  for (size_t i : order) {
    std::vector<int32_t> classes;
    for (int32_t s : lists[i])
      classes.push_back(alphabet.ClassOf(s));
    start[i] = table->Add(classes);
  }
  return start;
}

void PutCountedTable(std::vector<int32_t>& out, int64_t rows, const std::vector<int32_t>& words) {
  out.push_back(static_cast<int32_t>(rows));
  out.push_back(0);
  out.insert(out.end(), words.begin(), words.end());
}

void PutStateTable(std::vector<int32_t>& out, int64_t rows, const std::vector<int32_t>& words) {
  out.push_back(0);
  out.push_back(0);
  PutCountedTable(out, rows, words);
}

void PutList(std::vector<int32_t>& out, const std::vector<int32_t>& words) {
  out.push_back(static_cast<int32_t>(words.size()));
  out.insert(out.end(), words.begin(), words.end());
}

// Places the states (largest first) and returns every state's base.
std::vector<int32_t> Pack(const std::vector<std::vector<int32_t>>& offsets, RowPacker* packer) {
  std::vector<size_t> order(offsets.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return offsets[a].size() > offsets[b].size(); });
  std::vector<int32_t> base(offsets.size());
  for (size_t i : order)
    base[i] = packer->Place(offsets[i]);
  return base;
}

}  // namespace

void RowPacker::Reserve(int64_t slots) {
  while (static_cast<int64_t>(nextCandidate_.size()) < slots) {
    nextCandidate_.push_back(static_cast<int32_t>(nextCandidate_.size()));
    used_.push_back(0);
    failures_.push_back(0);
  }
}

int32_t RowPacker::FirstFree(int32_t from) {
  Reserve(int64_t{from} + 1);
  int32_t x = from;
  while (nextCandidate_[static_cast<size_t>(x)] != x) {
    const int32_t next = nextCandidate_[static_cast<size_t>(x)];
    Reserve(int64_t{next} + 1);
    // Path halving keeps later searches short.
    nextCandidate_[static_cast<size_t>(x)] = nextCandidate_[static_cast<size_t>(next)];
    x = next;
  }
  return x;
}

int32_t RowPacker::Place(const std::vector<int32_t>& offsets) {
  constexpr uint8_t kMaxFailures = 64;
  int32_t from = 0;
  for (;;) {
    const int32_t slot = FirstFree(from);
    const int32_t base = slot - offsets[0];
    bool fits = base >= 0;
    for (size_t k = 1; fits && k < offsets.size(); ++k) {
      const int64_t at = int64_t{base} + offsets[k];
      Reserve(at + 1);
      fits = used_[static_cast<size_t>(at)] == 0;
    }
    if (fits) {
      for (int32_t o : offsets) {
        const auto at = static_cast<size_t>(base + o);
        Reserve(static_cast<int64_t>(at) + 2);
        used_[at] = 1;
        nextCandidate_[at] = static_cast<int32_t>(at) + 1;
        size_ = std::max<int64_t>(size_, static_cast<int64_t>(at) + 1);
      }
      return base;
    }
    if (++failures_[static_cast<size_t>(slot)] >= kMaxFailures) {
      nextCandidate_[static_cast<size_t>(slot)] = slot + 1;
    }
    from = slot + 1;
  }
}

std::vector<int32_t> WriteTransducer(const TransducerMachine& m, const Location& where,
                                     TableStats* stats) {
  std::vector<int32_t> symbols;
  for (const auto& state : m.states) {
    for (const auto& [s, row] : state.rows)
      symbols.push_back(s);
  }
  for (const auto& list : m.outputs) {
    for (int32_t s : list) {
      if (s != kCopy) symbols.push_back(s);
    }
  }
  const Alphabet alphabet(std::move(symbols));
  ListTable lists;
  const std::vector<int32_t> listStart = AddLists(m.outputs, alphabet, &lists);

  // A state's rows: its own row (final list) at offset 0, the catch-all row at 1, class c at c + 1.
  std::vector<std::vector<int32_t>> offsets(m.states.size());
  int64_t used = 0;
  for (size_t q = 0; q < m.states.size(); ++q) {
    offsets[q] = {0, 1};
    for (const auto& [s, row] : m.states[q].rows)
      offsets[q].push_back(alphabet.ClassOf(s) + 1);
    used += static_cast<int64_t>(offsets[q].size());
  }
  RowPacker packer;
  const std::vector<int32_t> base = Pack(offsets, &packer);
  CheckSize(packer.size(), where, "transition table");
  std::vector<int32_t> rows(static_cast<size_t>(packer.size()) * 3);
  for (size_t r = 0; r < rows.size(); r += 3) {
    rows[r] = kNoClass;
    rows[r + 1] = -1;
    rows[r + 2] = -1;
  }
  const auto put = [&](int64_t row, int32_t check, int32_t next, int32_t out) {
    rows[static_cast<size_t>(row) * 3] = check;
    rows[static_cast<size_t>(row) * 3 + 1] = next;
    rows[static_cast<size_t>(row) * 3 + 2] = out;
  };
  for (size_t q = 0; q < m.states.size(); ++q) {
    const auto& state = m.states[q];
    const int32_t b = base[q];
    put(b, kNoClass, state.final >= 0 ? listStart[static_cast<size_t>(state.final)] : -1, -1);
    put(int64_t{b} + 1, kNoClass, base[static_cast<size_t>(state.catchAll.next)],
        listStart[static_cast<size_t>(state.catchAll.output)]);
    for (const auto& [s, row] : state.rows) {
      const int32_t c = alphabet.ClassOf(s);
      put(int64_t{b} + c + 1, c, base[static_cast<size_t>(row.next)],
          listStart[static_cast<size_t>(row.output)]);
    }
  }
  CheckSize(static_cast<int64_t>(lists.words().size()), where, "output list table");

  std::vector<int32_t> out;
  PutCountedTable(out, static_cast<int64_t>(alphabet.symbols().size()), alphabet.symbols());
  PutStateTable(out, packer.size(), rows);
  PutList(out, lists.words());
  out.push_back(base[static_cast<size_t>(m.start)]);
  if (stats != nullptr) {
    stats->rows += packer.size();
    stats->usedRows += used;
    stats->bytes += static_cast<int64_t>(out.size()) * 4;
  }
  return out;
}

std::vector<int32_t> WriteBimachine(const BimachineMachine& m, const Location& where,
                                    TableStats* stats) {
  std::vector<int32_t> symbols = m.symbols;
  for (const auto& list : m.outputs) {
    for (int32_t s : list) {
      if (s != kCopy) symbols.push_back(s);
    }
  }
  const Alphabet alphabet(std::move(symbols));
  ListTable lists;
  const std::vector<int32_t> listStart = AddLists(m.outputs, alphabet, &lists);
  const auto fileClass = [&](int32_t c) {
    return c == 0 ? 0 : alphabet.ClassOf(m.symbols[static_cast<size_t>(c - 1)]);
  };
  const auto leftNext = [&](int32_t l, int32_t c) {
    return m
        .leftNext[static_cast<size_t>(l) * static_cast<size_t>(m.classes) + static_cast<size_t>(c)];
  };
  const auto rightNext = [&](int32_t r, int32_t c) {
    return m.rightNext[static_cast<size_t>(r) * static_cast<size_t>(m.classes) +
                       static_cast<size_t>(c)];
  };
  int64_t used = 0;

  // Left table: a row for the catch-all and for every class that steps elsewhere.
  std::vector<std::vector<int32_t>> leftOffsets(static_cast<size_t>(m.leftStates));
  for (int32_t l = 0; l < m.leftStates; ++l) {
    auto& offsets = leftOffsets[static_cast<size_t>(l)];
    offsets = {1};
    for (int32_t c = 1; c < m.classes; ++c) {
      if (leftNext(l, c) != leftNext(l, 0)) offsets.push_back(fileClass(c) + 1);
    }
    std::sort(offsets.begin(), offsets.end());
    used += static_cast<int64_t>(offsets.size());
  }
  RowPacker leftPacker;
  const std::vector<int32_t> leftBase = Pack(leftOffsets, &leftPacker);
  CheckSize(leftPacker.size(), where, "left table");
  std::vector<int32_t> left(static_cast<size_t>(leftPacker.size()) * 2);
  for (size_t r = 0; r < left.size(); r += 2) {
    left[r] = kNoClass;
    left[r + 1] = 0;
  }
  for (int32_t l = 0; l < m.leftStates; ++l) {
    const int32_t b = leftBase[static_cast<size_t>(l)];
    left[static_cast<size_t>(b + 1) * 2 + 1] = leftBase[static_cast<size_t>(leftNext(l, 0))];
    for (int32_t c = 1; c < m.classes; ++c) {
      if (leftNext(l, c) == leftNext(l, 0)) continue;
      const int32_t f = fileClass(c);
      left[static_cast<size_t>(b + f + 1) * 2] = f;
      left[static_cast<size_t>(b + f + 1) * 2 + 1] = leftBase[static_cast<size_t>(leftNext(l, c))];
    }
  }

  // Output pairs: for a right state and a class, the output of every left state, as a default
  // pair (left state -2) followed by the left states that differ from it, sorted.
  std::vector<int32_t> pairs;
  std::unordered_map<std::vector<int32_t>, std::pair<int32_t, int32_t>, VectorHash> ranges;
  const auto column = [&](int32_t c, int32_t r) {
    std::vector<int32_t> starts(static_cast<size_t>(m.leftStates));
    for (int32_t l = 0; l < m.leftStates; ++l)
      starts[static_cast<size_t>(l)] = listStart[static_cast<size_t>(m.Output(l, c, r))];
    return starts;
  };
  const auto range = [&](const std::vector<int32_t>& starts) {
    const auto known = ranges.find(starts);
    if (known != ranges.end()) return known->second;
    std::map<int32_t, int32_t> frequency;
    for (int32_t s : starts)
      ++frequency[s];
    int32_t common = starts[0];
    for (const auto& [s, count] : frequency) {
      if (count > frequency[common]) common = s;
    }
    std::vector<std::pair<int32_t, int32_t>> exceptions;
    for (int32_t l = 0; l < m.leftStates; ++l) {
      if (starts[static_cast<size_t>(l)] != common) {
        exceptions.push_back({leftBase[static_cast<size_t>(l)], starts[static_cast<size_t>(l)]});
      }
    }
    std::sort(exceptions.begin(), exceptions.end());
    const auto start = static_cast<int32_t>(pairs.size() / 2);
    pairs.push_back(kDefaultPair);
    pairs.push_back(common);
    for (const auto& [l, s] : exceptions) {
      pairs.push_back(l);
      pairs.push_back(s);
    }
    const std::pair<int32_t, int32_t> result = {start, static_cast<int32_t>(exceptions.size()) + 1};
    ranges.emplace(starts, result);
    CheckSize(static_cast<int64_t>(pairs.size() / 2), where, "output pair table");
    return result;
  };

  // Right table: a row for the catch-all and for every class that steps elsewhere or whose
  // outputs differ from the catch-all's.
  struct RightRow {
    int32_t fileClass;
    int32_t cls;
    bool ownOutputs;
  };
  std::vector<std::vector<RightRow>> rightRows(static_cast<size_t>(m.rightStates));
  std::vector<std::vector<int32_t>> rightOffsets(static_cast<size_t>(m.rightStates));
  std::vector<std::vector<int32_t>> catchColumns(static_cast<size_t>(m.rightStates));
  for (int32_t r = 0; r < m.rightStates; ++r) {
    catchColumns[static_cast<size_t>(r)] = column(0, r);
    auto& offsets = rightOffsets[static_cast<size_t>(r)];
    offsets = {1};
    for (int32_t c = 1; c < m.classes; ++c) {
      bool ownOutputs = false;
      for (int32_t l = 0; l < m.leftStates && !ownOutputs; ++l) {
        ownOutputs = listStart[static_cast<size_t>(m.Output(l, c, r))] !=
                     listStart[static_cast<size_t>(m.Output(l, 0, r))];
      }
      if (!ownOutputs && rightNext(r, c) == rightNext(r, 0)) continue;
      rightRows[static_cast<size_t>(r)].push_back({fileClass(c), c, ownOutputs});
      offsets.push_back(fileClass(c) + 1);
    }
    std::sort(offsets.begin(), offsets.end());
    used += static_cast<int64_t>(offsets.size());
  }
  RowPacker rightPacker;
  const std::vector<int32_t> rightBase = Pack(rightOffsets, &rightPacker);
  CheckSize(rightPacker.size(), where, "right table");
  std::vector<int32_t> right(static_cast<size_t>(rightPacker.size()) * 4);
  for (size_t r = 0; r < right.size(); r += 4) {
    right[r] = kNoClass;
    right[r + 1] = 0;
    right[r + 2] = 0;
    right[r + 3] = 0;
  }
  for (int32_t r = 0; r < m.rightStates; ++r) {
    const int32_t b = rightBase[static_cast<size_t>(r)];
    const auto [start, count] = range(catchColumns[static_cast<size_t>(r)]);
    int32_t* row = &right[static_cast<size_t>(b + 1) * 4];
    row[1] = rightBase[static_cast<size_t>(rightNext(r, 0))];
    row[2] = start;
    row[3] = count;
    for (const RightRow& own : rightRows[static_cast<size_t>(r)]) {
      int32_t* cell = &right[static_cast<size_t>(b + own.fileClass + 1) * 4];
      cell[0] = own.fileClass;
      cell[1] = rightBase[static_cast<size_t>(rightNext(r, own.cls))];
      if (own.ownOutputs) {
        const auto [s, n] = range(column(own.cls, r));
        cell[2] = s;
        cell[3] = n;
      }  // else count 0: the catch-all row's pairs answer
    }
  }
  CheckSize(static_cast<int64_t>(lists.words().size()), where, "output list table");

  std::vector<int32_t> out;
  PutCountedTable(out, static_cast<int64_t>(alphabet.symbols().size()), alphabet.symbols());
  PutList(out, lists.words());
  PutStateTable(out, leftPacker.size(), left);
  out.push_back(leftBase[static_cast<size_t>(m.leftStart)]);
  PutStateTable(out, rightPacker.size(), right);
  out.push_back(rightBase[static_cast<size_t>(m.rightStart)]);
  PutCountedTable(out, static_cast<int64_t>(pairs.size() / 2), pairs);
  if (stats != nullptr) {
    stats->rows += leftPacker.size() + rightPacker.size();
    stats->usedRows += used;
    stats->bytes += static_cast<int64_t>(out.size()) * 4;
  }
  return out;
}

std::vector<int32_t> WriteGrammarFile(const std::vector<StageImage>& stages) {
  std::vector<int32_t> out = {static_cast<int32_t>(stages.size())};
  for (const StageImage& stage : stages) {
    std::vector<int32_t> record(109, 0);
    record[0] = stage.kind;
    record[1] = static_cast<int32_t>(stage.protectedSymbols.size());
    std::copy(stage.protectedSymbols.begin(), stage.protectedSymbols.end(), record.begin() + 2);
    if (!stage.protectedSymbols.empty()) {
      record[103] = *std::min_element(stage.protectedSymbols.begin(), stage.protectedSymbols.end());
      record[104] = *std::max_element(stage.protectedSymbols.begin(), stage.protectedSymbols.end());
    }
    record[107] = stage.enableMask;
    record[108] = stage.disableMask;
    out.insert(out.end(), record.begin(), record.end());
  }
  for (const StageImage& stage : stages)
    out.insert(out.end(), stage.data.begin(), stage.data.end());
  return out;
}

}  // namespace grammarc
