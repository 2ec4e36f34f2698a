// Cutting the translation out of the translation page's markup.
//
// The translated text stands between the last ">" before the second occurrence of the marker
// "</SPAN></SPAN></DIV>" (matched exactly, case-sensitive) and that occurrence. The separator of
// several translations becomes a line break, as the page writes it (" <> ", "<>") and as a browser
// serialises it (" &lt;&gt; ", "&lt;&gt;"); the remaining "&lt;" and "&gt;" are dropped, and then
// the other character references are decoded, so the user reads and hears the text itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brelvox::translator {

inline constexpr std::string_view kResultMarker = "</SPAN></SPAN></DIV>";

// The raw text before the second marker, or nullopt when the markup has no second marker or no
// ">" before it (the page shows no result).
std::optional<std::string> FindResult(std::string_view page_html);

// Applies the cleaning table, in order, then decodes the character references.
std::string CleanResult(std::string_view text);

// Decodes "&amp;", "&quot;", "&apos;", "&nbsp;" and the numeric references ("&#39;", "&#x44A;")
// in one pass; anything else that starts with "&" stays as it is.
std::string DecodeCharacterReferences(std::string_view text);

}  // namespace brelvox::translator
