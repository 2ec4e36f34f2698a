// The direction of a translation comes from the script of the text alone (module
// `ModuleProverka`).
//
// HasCyrillic stores in CyrillicScore the sum, over the 64 letters U+0410..U+044F (capitals
// first, in code order), of the 1-based character position of each letter's first occurrence (0
// when it does not occur). The sum is positive exactly when one of those letters occurs; Ё and ё
// and the other Cyrillic letters outside that block do not count. Consumers test only
// CyrillicScore > 0, and the value is shared by the whole program: it survives a restart of the
// main window.
#pragma once

#include <cstdint>
#include <string_view>

namespace brelvox::translator {

std::int64_t CyrillicScoreOf(std::string_view text);

struct ModuleProverka {
  std::int64_t CyrillicScore = 0;  // 0 until the first call
  void HasCyrillic(std::string_view text) { CyrillicScore = CyrillicScoreOf(text); }
};

}  // namespace brelvox::translator
