#include "translator/script_detection.h"

#include <array>

#include "translator/forms/text.h"

namespace brelvox::translator {

std::int64_t CyrillicScoreOf(std::string_view text) {
  // First 1-based position of each letter; one pass gives the same positions as 64 searches.
  std::array<std::int64_t, 64> first{};
  std::int64_t position = 0;
  for (std::size_t pos = 0, length = 0; pos < text.size(); pos += length) {
    const char32_t c = forms::DecodeChar(text, pos, length);
    ++position;
    if (c >= U'\u0410' && c <= U'\u044F') {
      std::int64_t& slot = first[c - U'\u0410'];
      if (slot == 0) slot = position;
    }
  }
  std::int64_t sum = 0;
  for (std::int64_t p : first)
    sum += p;
  return sum;
}

}  // namespace brelvox::translator
