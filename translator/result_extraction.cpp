#include "translator/result_extraction.h"

#include <charconv>

#include "translator/forms/text.h"

namespace brelvox::translator {
namespace {

// The character a numeric reference's digits name, or 0 when they name none that may be written.
char32_t NumericReference(std::string_view digits) {
  int base = 10;
  if (!digits.empty() && (digits[0] == 'x' || digits[0] == 'X')) {
    base = 16;
    digits.remove_prefix(1);
  }
  if (digits.empty() || digits.size() > 8) return 0;
  std::uint32_t value = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (error != std::errc() || end != digits.data() + digits.size()) return 0;
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return static_cast<char32_t>(value);
}

}  // namespace

std::optional<std::string> FindResult(std::string_view page_html) {
  // The marker and ">" are plain ASCII, so byte positions give the same cut as characters.
  const std::size_t first = page_html.find(kResultMarker);
  const std::size_t second =
      page_html.find(kResultMarker, first == std::string_view::npos ? 1 : first + 2);
  if (second == std::string_view::npos) return std::nullopt;
  const std::string_view before = page_html.substr(0, second);
  const std::size_t gt = before.rfind('>');
  if (gt == std::string_view::npos) return std::nullopt;
  return std::string(before.substr(gt + 1));
}

std::string CleanResult(std::string_view text) {
  std::string out = forms::ReplaceAll(text, " <> ", "\r\n");
  out = forms::ReplaceAll(out, "<>", "\r\n");
  out = forms::ReplaceAll(out, " &lt;&gt; ", "\r\n");
  out = forms::ReplaceAll(out, "&lt;&gt;", "\r\n");
  out = forms::ReplaceAll(out, "&lt;", "");
  out = forms::ReplaceAll(out, "&gt;", "");
  return DecodeCharacterReferences(out);
}

std::string DecodeCharacterReferences(std::string_view text) {
  static constexpr std::pair<std::string_view, std::string_view> kNamed[] = {
      {"amp", "&"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t semicolon = text[i] == '&' ? text.find(';', i + 1) : std::string_view::npos;
    if (semicolon == std::string_view::npos || semicolon - i > 12) {
      out += text[i++];
      continue;
    }
    const std::string_view name = text.substr(i + 1, semicolon - i - 1);
    bool decoded = false;
    if (!name.empty() && name[0] == '#') {
      if (const char32_t c = NumericReference(name.substr(1))) {
        forms::AppendChar(out, c);
        decoded = true;
      }
    } else {
      for (const auto& [entity, replacement] : kNamed) {
        if (name == entity) {
          out += replacement;
          decoded = true;
          break;
        }
      }
    }
    if (decoded) {
      i = semicolon + 1;
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace brelvox::translator
