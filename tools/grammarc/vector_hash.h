// A hash for vectors of 32-bit words, for interning states, signatures and output lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace grammarc {

struct VectorHash {
  size_t operator()(const std::vector<int32_t>& v) const {
    uint64_t h = 1469598103934665603ULL ^ v.size();
    for (int32_t x : v) {
      h ^= static_cast<uint32_t>(x);
      h *= 1099511628211ULL;
      h ^= h >> 29;
    }
    return static_cast<size_t>(h);
  }
};

}  // namespace grammarc
