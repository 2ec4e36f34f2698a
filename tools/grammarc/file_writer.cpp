#include "tools/grammarc/file_writer.h"

#include <algorithm>
#include <climits>
#include <map>
#include <numeric>
#include <unordered_map>

#include "tools/grammarc/vector_hash.h"

namespace brelvox::grammarc {

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

size_t Slot(const BimachineMachine& m, int32_t state, int32_t c) {
  return static_cast<size_t>(state) * static_cast<size_t>(m.classes) + static_cast<size_t>(c);
}

// One side of a bimachine: how many states, classes and words a row, and its next states
// (state * classes + class).
struct SideShape {
  int32_t states;
  int32_t classes;
  int32_t width;
  const std::vector<int32_t>* next;
};

struct SideTable {
  std::vector<int32_t> base;   // every state's first row
  std::vector<int32_t> words;  // rows * width
  int64_t rows = 0;
};

// Packs one side's state table. Every state has a row for the catch-all (offset 1) and one for
// each class c > 0 where own(state, c) holds (offset file class + 1). A row's words are its check
// word (the file class; kNoClass for the catch-all row and unused rows), the next state's base and
// then what fill(state, c, the rest of the row) writes; fill sees the states in order, the
// catch-all first and then the row classes in increasing order. Unused words are 0.
template <typename FileClass, typename Own, typename Fill>
SideTable PackSide(const SideShape& shape, const FileClass& fileClass, const Own& own,
                   const Fill& fill, const Location& where, const std::string& what,
                   int64_t* used) {
  const auto next = [&](int32_t q, int32_t c) {
    return (*shape.next)[static_cast<size_t>(q) * static_cast<size_t>(shape.classes) +
                         static_cast<size_t>(c)];
  };
  std::vector<std::vector<int32_t>> rowClasses(static_cast<size_t>(shape.states));
  std::vector<std::vector<int32_t>> offsets(static_cast<size_t>(shape.states));
  for (int32_t q = 0; q < shape.states; ++q) {
    auto& classes = rowClasses[static_cast<size_t>(q)];
    auto& stateOffsets = offsets[static_cast<size_t>(q)];
    stateOffsets = {1};
    for (int32_t c = 1; c < shape.classes; ++c) {
      if (!own(q, c)) continue;
      classes.push_back(c);
      stateOffsets.push_back(fileClass(c) + 1);
    }
    std::sort(stateOffsets.begin(), stateOffsets.end());
    *used += static_cast<int64_t>(stateOffsets.size());
  }
  RowPacker packer;
  SideTable table;
  table.base = Pack(offsets, &packer);
  table.rows = packer.size();
  CheckSize(table.rows, where, what);
  const auto width = static_cast<size_t>(shape.width);
  table.words.assign(static_cast<size_t>(table.rows) * width, 0);
  for (size_t r = 0; r < table.words.size(); r += width)
    table.words[r] = kNoClass;
  const auto row = [&](int32_t q, int32_t f) {
    return &table.words[static_cast<size_t>(table.base[static_cast<size_t>(q)] + f + 1) * width];
  };
  for (int32_t q = 0; q < shape.states; ++q) {
    int32_t* catchAll = row(q, 0);
    catchAll[1] = table.base[static_cast<size_t>(next(q, 0))];
    fill(q, 0, catchAll + 2);
    for (const int32_t c : rowClasses[static_cast<size_t>(q)]) {
      const int32_t f = fileClass(c);
      int32_t* cell = row(q, f);
      cell[0] = f;
      cell[1] = table.base[static_cast<size_t>(next(q, c))];
      fill(q, c, cell + 2);
    }
  }
  return table;
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
  const auto outputStart = [&](int32_t l, int32_t c, int32_t r) {
    return listStart[static_cast<size_t>(m.Output(l, c, r))];
  };
  int64_t used = 0;

  // Left table: a row for the catch-all and for every class that steps elsewhere.
  const SideTable left = PackSide(
      SideShape{m.leftStates, m.classes, 2, &m.leftNext}, fileClass,
      [&](int32_t l, int32_t c) { return m.leftNext[Slot(m, l, c)] != m.leftNext[Slot(m, l, 0)]; },
      [](int32_t, int32_t, int32_t*) {}, where, "left table", &used);

  // Output pairs: for a right state and a class, the output of every left state, as a default
  // pair (left state -2) followed by the left states that differ from it, sorted.
  std::vector<int32_t> pairs;
  std::unordered_map<std::vector<int32_t>, std::pair<int32_t, int32_t>, VectorHash> ranges;
  const auto range = [&](int32_t c, int32_t r) {
    std::vector<int32_t> starts(static_cast<size_t>(m.leftStates));
    for (int32_t l = 0; l < m.leftStates; ++l)
      starts[static_cast<size_t>(l)] = outputStart(l, c, r);
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
        exceptions.push_back({left.base[static_cast<size_t>(l)], starts[static_cast<size_t>(l)]});
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
    ranges.emplace(std::move(starts), result);
    CheckSize(static_cast<int64_t>(pairs.size() / 2), where, "output pair table");
    return result;
  };

  // Right table: a row for the catch-all and for every class that steps elsewhere or whose
  // outputs differ from the catch-all's; a row's pairs (start, count) follow its next state.
  std::vector<char> ownOutputs(m.rightNext.size(), 0);
  const SideTable right = PackSide(
      SideShape{m.rightStates, m.classes, 4, &m.rightNext}, fileClass,
      [&](int32_t r, int32_t c) {
        char& own = ownOutputs[Slot(m, r, c)];
        for (int32_t l = 0; l < m.leftStates && own == 0; ++l)
          own = outputStart(l, c, r) != outputStart(l, 0, r) ? 1 : 0;
        return own != 0 || m.rightNext[Slot(m, r, c)] != m.rightNext[Slot(m, r, 0)];
      },
      [&](int32_t r, int32_t c, int32_t* pairRange) {
        if (c != 0 && ownOutputs[Slot(m, r, c)] == 0) return;  // count 0: the catch-all's answer
        const auto [start, count] = range(c, r);
        pairRange[0] = start;
        pairRange[1] = count;
      },
      where, "right table", &used);
  CheckSize(static_cast<int64_t>(lists.words().size()), where, "output list table");

  std::vector<int32_t> out;
  PutCountedTable(out, static_cast<int64_t>(alphabet.symbols().size()), alphabet.symbols());
  PutList(out, lists.words());
  PutStateTable(out, left.rows, left.words);
  out.push_back(left.base[static_cast<size_t>(m.leftStart)]);
  PutStateTable(out, right.rows, right.words);
  out.push_back(right.base[static_cast<size_t>(m.rightStart)]);
  PutCountedTable(out, static_cast<int64_t>(pairs.size() / 2), pairs);
  if (stats != nullptr) {
    stats->rows += left.rows + right.rows;
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

}  // namespace brelvox::grammarc
