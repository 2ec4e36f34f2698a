#include <unordered_map>

#include "tools/grammarc/rewrite_automata.h"
#include "tools/grammarc/vector_hash.h"

namespace brelvox::grammarc {

namespace {

struct BitsHash {
  size_t operator()(const Bits& bits) const {
    uint64_t h = 1469598103934665603ULL;
    for (uint64_t w : bits) {
      h ^= w;
      h *= 1099511628211ULL;
      h ^= h >> 31;
    }
    return static_cast<size_t>(h);
  }
};

// The states that reach a state of `targets` without reading anything.
Bits SilentlyReaching(Bits targets, const std::vector<std::vector<int32_t>>& silentInto) {
  std::vector<int32_t> pending;
  ForEachMember(targets, [&](int32_t s) { pending.push_back(s); });
  while (!pending.empty()) {
    const int32_t s = pending.back();
    pending.pop_back();
    for (int32_t p : silentInto[static_cast<size_t>(s)]) {
      if (!Has(targets, p)) {
        Put(targets, p);
        pending.push_back(p);
      }
    }
  }
  return targets;
}

}  // namespace

// The subset construction over the reversed context automaton, then Hopcroft's refinement of
// states that answer every question of `interesting` alike.
RightAutomaton BuildRightAutomaton(const ContextAutomaton& context, int32_t inputClasses,
                                   int32_t edge) {
  const size_t states = context.edges.size();
  const size_t words = context.Words();
  std::vector<std::vector<int32_t>> silentInto(states);
  std::vector<std::vector<std::pair<int32_t, int32_t>>> into(states);  // (class, from)
  for (size_t s = 0; s < states; ++s) {
    for (int32_t t : context.silent[s])
      silentInto[static_cast<size_t>(t)].push_back(static_cast<int32_t>(s));
    for (const auto& [c, t] : context.edges[s])
      into[static_cast<size_t>(t)].push_back({c, static_cast<int32_t>(s)});
  }
  Bits start(words, 0);
  for (const auto& [c, from] : into[static_cast<size_t>(context.finish)]) {
    if (c == edge) Put(start, from);
  }
  std::unordered_map<Bits, int32_t, BitsHash> ids;
  std::vector<Bits> sets;
  std::vector<int32_t> next;
  const auto intern = [&](Bits&& bits) {
    auto [it, added] = ids.emplace(bits, static_cast<int32_t>(sets.size()));
    if (added) sets.push_back(std::move(bits));
    return it->second;
  };
  intern(SilentlyReaching(std::move(start), silentInto));
  for (size_t i = 0; i < sets.size(); ++i) {
    std::vector<Bits> before(static_cast<size_t>(inputClasses), Bits(words, 0));
    ForEachMember(sets[i], [&](int32_t t) {
      for (const auto& [c, from] : into[static_cast<size_t>(t)]) {
        if (c < inputClasses) Put(before[static_cast<size_t>(c)], from);
      }
    });
    for (int32_t c = 0; c < inputClasses; ++c) {
      next.push_back(
          intern(SilentlyReaching(std::move(before[static_cast<size_t>(c)]), silentInto)));
    }
  }
  // Merge right states that answer every question alike and step alike.
  std::vector<int64_t> colour(sets.size());
  VectorIds answers;
  for (size_t i = 0; i < sets.size(); ++i) {
    std::vector<int32_t> projection;
    for (size_t w = 0; w < sets[i].size(); ++w) {
      const uint64_t v = sets[i][w] & context.interesting[w];
      projection.push_back(static_cast<int32_t>(v & 0xFFFFFFFFu));
      projection.push_back(static_cast<int32_t>(v >> 32));
    }
    colour[i] = answers.Intern(projection);
  }
  int32_t blocks = 0;
  const std::vector<int32_t> block = RefinePartition(next, inputClasses, colour, &blocks);
  RightAutomaton right;
  right.states = blocks;
  right.classes = inputClasses;
  right.info.assign(static_cast<size_t>(blocks), Bits());
  right.next.assign(static_cast<size_t>(blocks) * static_cast<size_t>(inputClasses), 0);
  for (size_t i = 0; i < sets.size(); ++i) {
    const auto b = static_cast<size_t>(block[i]);
    if (!right.info[b].empty()) continue;
    right.info[b] = sets[i];
    for (int32_t c = 0; c < inputClasses; ++c) {
      right.next[b * static_cast<size_t>(inputClasses) + static_cast<size_t>(c)] =
          block[static_cast<size_t>(
              next[i * static_cast<size_t>(inputClasses) + static_cast<size_t>(c)])];
    }
  }
  right.start = block[0];
  // A shortest stream for every right state, for examples in messages.
  right.path.assign(static_cast<size_t>(blocks), {-1, -1});
  right.path[static_cast<size_t>(right.start)] = {right.start, -1};
  std::vector<int32_t> queue = {right.start};
  for (size_t i = 0; i < queue.size(); ++i) {
    for (int32_t c = 0; c < inputClasses; ++c) {
      const int32_t t = right.Next(queue[i], c);
      if (right.path[static_cast<size_t>(t)].first < 0) {
        right.path[static_cast<size_t>(t)] = {queue[i], c};
        queue.push_back(t);
      }
    }
  }
  return right;
}

}  // namespace brelvox::grammarc
