// Cutting the translation out of the translation page's markup.
//
// The translated text stands between the last ">" before the second occurrence of the marker
// "</SPAN></SPAN></DIV>" (matched exactly, case-sensitive) and that occurrence. Then " <> " and
// "<>" become line breaks and "&lt;" and "&gt;" are dropped; no other reference is decoded.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace translator {

inline constexpr std::string_view kResultMarker = "</SPAN></SPAN></DIV>";

// The raw text before the second marker, or nullopt when the markup has no second marker or no
// ">" before it (the result box then keeps its text).
std::optional<std::string> FindResult(std::string_view page_html);

// Applies the cleaning table, in order.
std::string CleanResult(std::string_view text);

}  // namespace translator
