// Symbols as people write and read them: UTF-8 text to UTF-16 code units, the predefined names of
// structural symbols, phonemes, stress levels and tones, and the readable form of a stream.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

// UTF-8 text as UTF-16 code units (characters beyond U+FFFF become surrogate pairs). Returns
// nothing when the text is not valid UTF-8.
std::optional<std::vector<int32_t>> Utf8ToSymbols(std::string_view text);
// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, uint32_t codePoint);

// The symbol of a phoneme character, or nothing when the character is not a phoneme.
std::optional<int32_t> PhonemeSymbol(char phoneme);

// Predefined names: single symbols (PauseSymbol, WordMarker, Stress5, Tone0, ...) and sets
// (Any, WordMarkers, SentenceMarkers, Phonemes, Stresses, Tones).
std::optional<int32_t> PredefinedSymbol(std::string_view name);
std::optional<SymbolSet> PredefinedSet(std::string_view name);

// A stream in source syntax: runs of characters as "...", phonemes as {...}, names for the rest,
// <n> for symbols without a name.
std::string FormatSymbols(const std::vector<int32_t>& symbols);

}  // namespace brelvox::grammarc
