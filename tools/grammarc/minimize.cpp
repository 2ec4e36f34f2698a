#include <unordered_map>

#include "tools/grammarc/automaton_steps.h"
#include "tools/grammarc/vector_hash.h"

namespace grammarc {

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

std::vector<int32_t> RefinePartition(const std::vector<int32_t>& next, int32_t classes,
                                     const std::vector<int64_t>& colour, int32_t* blocks) {
  const size_t n = colour.size();
  std::vector<int32_t> block(n);
  {
    std::unordered_map<int64_t, int32_t> ids;
    for (size_t s = 0; s < n; ++s)
      block[s] = ids.emplace(colour[s], static_cast<int32_t>(ids.size())).first->second;
    *blocks = static_cast<int32_t>(ids.size());
  }
  std::vector<int32_t> signature(static_cast<size_t>(classes) + 1);
  for (;;) {
    std::unordered_map<std::vector<int32_t>, int32_t, VectorHash> ids;
    std::vector<int32_t> refined(n);
    for (size_t s = 0; s < n; ++s) {
      signature[0] = block[s];
      for (int32_t c = 0; c < classes; ++c) {
        signature[static_cast<size_t>(c) + 1] = block[static_cast<size_t>(
            next[s * static_cast<size_t>(classes) + static_cast<size_t>(c)])];
      }
      refined[s] = ids.emplace(signature, static_cast<int32_t>(ids.size())).first->second;
    }
    const auto count = static_cast<int32_t>(ids.size());
    block.swap(refined);
    if (count == *blocks) return block;
    *blocks = count;
  }
}

}  // namespace grammarc
