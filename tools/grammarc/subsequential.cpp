#include "tools/grammarc/subsequential.h"

#include <algorithm>
#include <unordered_map>

#include "tools/grammarc/vector_hash.h"

namespace brelvox::grammarc {

std::optional<TransducerMachine> BimachineToTransducer(const BimachineMachine& m,
                                                       const SubsequentialLimits& limits) {
  const int32_t classes = m.classes;
  const int32_t rights = m.rightStates;
  // A symbol of no named class goes through the queue: every output for it must copy it once.
  for (int32_t l = 0; l < m.leftStates; ++l) {
    for (int32_t r = 0; r < rights; ++r) {
      const std::vector<int32_t>& out = m.outputs[static_cast<size_t>(m.Output(l, 0, r))];
      if (std::count(out.begin(), out.end(), kCopy) != 1) return std::nullopt;
    }
  }
  // The right states that lead to r on class c (the right automaton reads backwards).
  std::vector<std::vector<int32_t>> before(static_cast<size_t>(classes) *
                                           static_cast<size_t>(rights));
  for (int32_t r = 0; r < rights; ++r) {
    for (int32_t c = 0; c < classes; ++c) {
      const int32_t t = m.rightNext[static_cast<size_t>(r) * static_cast<size_t>(classes) +
                                    static_cast<size_t>(c)];
      before[static_cast<size_t>(c) * static_cast<size_t>(rights) + static_cast<size_t>(t)]
          .push_back(r);
    }
  }

  // A state: the left state, then for every right state the owed output (length, symbols).
  struct Owed {
    int32_t left;
    std::vector<std::vector<int32_t>> byRight;
  };
  const auto keyOf = [&](const Owed& owed) {
    std::vector<int32_t> key = {owed.left};
    for (const auto& w : owed.byRight) {
      key.push_back(static_cast<int32_t>(w.size()));
      key.insert(key.end(), w.begin(), w.end());
    }
    return key;
  };
  std::unordered_map<std::vector<int32_t>, int32_t, VectorHash> ids;
  std::vector<Owed> states;
  TransducerMachine t;
  std::unordered_map<std::vector<int32_t>, int32_t, VectorHash> outputIds;
  const auto output = [&](const std::vector<int32_t>& list) {
    auto [it, added] = outputIds.emplace(list, static_cast<int32_t>(t.outputs.size()));
    if (added) t.outputs.push_back(list);
    return it->second;
  };
  const auto intern = [&](Owed&& owed) {
    auto [it, added] = ids.emplace(keyOf(owed), static_cast<int32_t>(states.size()));
    if (added) states.push_back(std::move(owed));
    return it->second;
  };
  intern(Owed{m.leftStart, std::vector<std::vector<int32_t>>(static_cast<size_t>(rights))});

  for (size_t q = 0; q < states.size(); ++q) {
    if (states.size() > static_cast<size_t>(limits.maxStates)) return std::nullopt;
    TransducerMachine::State state;
    for (int32_t c = 0; c < classes; ++c) {
      const Owed& from = states[q];
      Owed to;
      to.left = m.leftNext[static_cast<size_t>(from.left) * static_cast<size_t>(classes) +
                           static_cast<size_t>(c)];
      to.byRight.resize(static_cast<size_t>(rights));
      for (int32_t r = 0; r < rights; ++r) {
        for (int32_t after : before[static_cast<size_t>(c) * static_cast<size_t>(rights) +
                                    static_cast<size_t>(r)]) {
          std::vector<int32_t> owed = from.byRight[static_cast<size_t>(r)];
          for (int32_t s : m.outputs[static_cast<size_t>(m.Output(from.left, c, after))]) {
            // A named symbol is copied as itself; an unknown one comes from the queue.
            owed.push_back(s == kCopy && c > 0 ? m.symbols[static_cast<size_t>(c - 1)] : s);
          }
          to.byRight[static_cast<size_t>(after)] = std::move(owed);
        }
      }
      // What every right state agrees on comes out now.
      size_t common = to.byRight[0].size();
      for (const auto& w : to.byRight) {
        common = std::min(common, w.size());
        for (size_t k = 0; k < common; ++k) {
          if (w[k] != to.byRight[0][k]) {
            common = k;
            break;
          }
        }
      }
      const std::vector<int32_t> now(to.byRight[0].begin(),
                                     to.byRight[0].begin() + static_cast<std::ptrdiff_t>(common));
      for (auto& w : to.byRight) {
        w.erase(w.begin(), w.begin() + static_cast<std::ptrdiff_t>(common));
        if (w.size() > limits.maxOwed) return std::nullopt;
      }
      const TransducerMachine::Row row{intern(std::move(to)), output(now)};
      if (c == 0) {
        state.catchAll = row;
      } else {
        state.rows.push_back({m.symbols[static_cast<size_t>(c - 1)], row});
      }
    }
    // At the end of the input the rest of the stream is empty: the right start state holds.
    const std::vector<int32_t>& last = states[q].byRight[static_cast<size_t>(m.rightStart)];
    state.final = last.empty() ? -1 : output(last);
    t.states.push_back(std::move(state));
  }
  t.start = 0;
  return t;
}

}  // namespace brelvox::grammarc
