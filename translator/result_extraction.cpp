#include "translator/result_extraction.h"

#include "translator/forms/text.h"

namespace translator {

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
  out = forms::ReplaceAll(out, "&lt;", "");
  return forms::ReplaceAll(out, "&gt;", "");
}

}  // namespace translator
