#include <cstddef>
#include <unordered_map>
#include <utility>

#include "tools/grammarc/automaton_steps.h"

namespace brelvox::grammarc {

Dfa Minimize(const Dfa& dfa) {
  std::vector<int64_t> colour(dfa.final.begin(), dfa.final.end());
  int32_t blocks = 0;
  const std::vector<int32_t> block = RefinePartition(dfa.next, dfa.classes, colour, &blocks);
  Dfa out;
  out.classes = dfa.classes;
  out.final.assign(static_cast<size_t>(blocks), 0);
  out.next.assign(static_cast<size_t>(blocks) * static_cast<size_t>(dfa.classes), 0);
  for (int32_t s = 0; s < dfa.size(); ++s) {
    const int32_t b = block[static_cast<size_t>(s)];
    out.final[static_cast<size_t>(b)] = dfa.final[static_cast<size_t>(s)];
    for (int32_t c = 0; c < dfa.classes; ++c) {
      out.next[static_cast<size_t>(b) * static_cast<size_t>(dfa.classes) + static_cast<size_t>(c)] =
          block[static_cast<size_t>(dfa.Next(s, c))];
    }
  }
  out.start = block[static_cast<size_t>(dfa.start)];
  return out;
}

// Hopcroft's partition refinement: blocks are ranges of `order`, split by the predecessors of a
// splitter block on each class; of two halves only the smaller one needs to split further (unless
// the block was still waiting), which makes the whole O(classes * n log n). The coarsest stable
// partition is unique, so numbering its blocks by their first state gives the same answer as any
// other way of finding it.
std::vector<int32_t> RefinePartition(const std::vector<int32_t>& next, int32_t classes,
                                     const std::vector<int64_t>& colour, int32_t* blocks) {
  const size_t n = colour.size();
  const auto k = static_cast<size_t>(classes);
  std::vector<int32_t> blockOf(n);
  std::vector<size_t> first, end;  // block b holds order[first[b] .. end[b])
  {
    std::unordered_map<int64_t, int32_t> ids;
    for (size_t s = 0; s < n; ++s)
      blockOf[s] = ids.emplace(colour[s], static_cast<int32_t>(ids.size())).first->second;
    std::vector<size_t> sizes(ids.size(), 0);
    for (size_t s = 0; s < n; ++s)
      ++sizes[static_cast<size_t>(blockOf[s])];
    first.resize(ids.size());
    end.resize(ids.size());
    size_t at = 0;
    for (size_t b = 0; b < ids.size(); ++b) {
      first[b] = end[b] = at;
      at += sizes[b];
    }
  }
  std::vector<int32_t> order(n);
  std::vector<size_t> position(n);
  for (size_t s = 0; s < n; ++s) {
    const auto b = static_cast<size_t>(blockOf[s]);
    position[s] = end[b];
    order[end[b]++] = static_cast<int32_t>(s);
  }
  // Predecessors by class: into[c][startOf[c][t] ..] are the states that go to t on c.
  std::vector<size_t> startOf((n + 1) * k, 0);
  std::vector<int32_t> into(n * k);
  for (size_t s = 0; s < n; ++s) {
    for (size_t c = 0; c < k; ++c)
      ++startOf[c * (n + 1) + static_cast<size_t>(next[s * k + c]) + 1];
  }
  for (size_t c = 0; c < k; ++c) {
    size_t* row = &startOf[c * (n + 1)];
    for (size_t t = 0; t < n; ++t)
      row[t + 1] += row[t];
    std::vector<size_t> fill(row, row + n);
    for (size_t s = 0; s < n; ++s) {
      const auto t = static_cast<size_t>(next[s * k + c]);
      into[c * n + fill[t]++] = static_cast<int32_t>(s);
    }
  }
  std::vector<char> waiting(first.size(), 1);
  std::vector<int32_t> work(first.size());
  for (size_t b = 0; b < first.size(); ++b)
    work[b] = static_cast<int32_t>(b);
  std::vector<size_t> marked(first.size(), 0);  // how many states of a block are marked
  std::vector<int32_t> touched;
  std::vector<int32_t> splitter;
  while (!work.empty()) {
    const auto a = static_cast<size_t>(work.back());
    work.pop_back();
    waiting[a] = 0;
    splitter.assign(order.begin() + static_cast<std::ptrdiff_t>(first[a]),
                    order.begin() + static_cast<std::ptrdiff_t>(end[a]));
    for (size_t c = 0; c < k; ++c) {
      for (const int32_t t : splitter) {
        const size_t* row = &startOf[c * (n + 1)];
        for (size_t i = row[t]; i < row[t + 1]; ++i) {
          const auto s = static_cast<size_t>(into[c * n + i]);
          const auto b = static_cast<size_t>(blockOf[s]);
          const size_t target = first[b] + marked[b];
          if (position[s] < target) continue;  // already marked
          if (marked[b] == 0) touched.push_back(static_cast<int32_t>(b));
          // Move s to the marked front of its block.
          const auto other = static_cast<size_t>(order[target]);
          std::swap(order[position[s]], order[target]);
          position[other] = position[s];
          position[s] = target;
          ++marked[b];
        }
      }
      for (const int32_t tb : touched) {
        const auto b = static_cast<size_t>(tb);
        const size_t count = marked[b];
        marked[b] = 0;
        if (count == end[b] - first[b]) continue;  // the whole block: no split
        const size_t fresh = first.size();
        first.push_back(first[b]);
        end.push_back(first[b] + count);
        first[b] += count;
        waiting.push_back(0);
        marked.push_back(0);
        for (size_t i = first[fresh]; i < end[fresh]; ++i)
          blockOf[static_cast<size_t>(order[i])] = static_cast<int32_t>(fresh);
        if (waiting[b]) {
          waiting[fresh] = 1;
          work.push_back(static_cast<int32_t>(fresh));
        } else {
          const size_t smaller = count <= end[b] - first[b] ? fresh : b;
          waiting[smaller] = 1;
          work.push_back(static_cast<int32_t>(smaller));
        }
      }
      touched.clear();
    }
  }
  // Blocks numbered by their first state.
  std::vector<int32_t> number(first.size(), -1);
  std::vector<int32_t> block(n);
  int32_t count = 0;
  for (size_t s = 0; s < n; ++s) {
    int32_t& id = number[static_cast<size_t>(blockOf[s])];
    if (id < 0) id = count++;
    block[s] = id;
  }
  *blocks = count;
  return block;
}

}  // namespace brelvox::grammarc
