// Shared pieces of the fuzz targets: an aligned copy of the input, a quiet host, and runs of the
// cascade and of Synthesize on whatever loaded.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/core/synthesize.h"
#include "engine/core/text/cascade.h"
#include "tests/support/recording_site.h"
#include "tests/support/test_voices.h"
#include "tests/support/text_grammar.h"

// The input as 32-bit words, so that it is aligned like a mapped file.
inline std::vector<int32_t> AlignedCopy(const uint8_t* data, size_t size) {
  std::vector<int32_t> words((size + 3) / 4 + 1, 0);
  if (size > 0) std::memcpy(words.data(), data, size);
  return words;
}

// Symbols drawn from the input: a mix of characters, markers, phonemes, stresses and tones.
inline std::vector<int32_t> SymbolsFrom(const uint8_t* data, size_t size) {
  static const int32_t kBases[] = {0, 0x10000, 0x11200, 0x11300, 0x1123B, -1};
  std::vector<int32_t> symbols;
  for (size_t i = 0; i + 1 < size && symbols.size() < 64; i += 2) {
    symbols.push_back(kBases[data[i] % 6] + data[i + 1] % 64);
  }
  return symbols;
}

inline int32_t SpeakWith(VoiceInventory* voice, const Grammar* grammar,
                         const Transducer* dictionary) {
  static const std::u16string kText = u"ae. io, u? Ab-12 ea.";
  brelvox::test::TextItems items(kText);
  int bookmark = 0;
  items.Speak(0, 4).Bookmark(&bookmark).Speak(4, 10, 3, -2).SpellOut(14, 2).Silence(5).Speak(16, 4);
  brelvox::test::RecordingSite host;
  host.rate = 3;
  const EngineSite site = host.Table();
  return Synthesize(voice, grammar, dictionary, items.List(), 3, &site);
}
