// UTF-8 and UTF-16 conversions for the platform's own tools (invalid input is replaced by U+FFFD).
#pragma once

#include <string>
#include <string_view>

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
// The same, but false (and nothing useful in `out`) when the text holds an unpaired surrogate.
bool Utf16ToUtf8Exact(std::u16string_view text, std::string* out);
