// A hash for vectors of 32-bit words, and interning by it: states, signatures and output lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace brelvox::grammarc {

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

// Interns vectors of words as consecutive ids.
class VectorIds {
 public:
  int32_t Intern(const std::vector<int32_t>& v) {
    const auto known = ids_.find(v);  // before emplace, which would copy v to look it up
    if (known != ids_.end()) return known->second;
    const auto id = static_cast<int32_t>(values_.size());
    ids_.emplace(v, id);
    values_.push_back(v);
    return id;
  }
  const std::vector<int32_t>& operator[](int32_t id) const {
    return values_[static_cast<size_t>(id)];
  }
  int32_t size() const { return static_cast<int32_t>(values_.size()); }
  std::vector<std::vector<int32_t>>& values() { return values_; }

 private:
  std::unordered_map<std::vector<int32_t>, int32_t, VectorHash> ids_;
  std::vector<std::vector<int32_t>> values_;
};

}  // namespace brelvox::grammarc
