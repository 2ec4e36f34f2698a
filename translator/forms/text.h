// Text helpers that count characters, not bytes.
//
// Every text in the translator is UTF-8. Lengths and cuts ("the first 99 characters", "the length
// of the result") count characters, so a cut never splits a letter. A byte that does not start a
// valid sequence counts as one character of its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brelvox::translator::forms {

// Number of characters in `text`.
std::size_t CharCount(std::string_view text);

// The first `count` characters of `text` (all of it when shorter).
std::string LeftChars(std::string_view text, std::size_t count);

// `text` with every occurrence of `find` replaced by `replacement`, scanning left to right; text
// produced by a replacement is not searched again. An empty `find` changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement);

// Decodes the character starting at byte `pos`; sets `length` to its byte length. A malformed
// sequence decodes as its first byte (length 1).
char32_t DecodeChar(std::string_view text, std::size_t pos, std::size_t& length);

// Appends the UTF-8 bytes of `c` to `out`.
void AppendChar(std::string& out, char32_t c);

}  // namespace brelvox::translator::forms
