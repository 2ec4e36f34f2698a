#include "translator/forms/text.h"

namespace brelvox::translator::forms {

char32_t DecodeChar(std::string_view text, std::size_t pos, std::size_t& length) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  length = 1;
  std::size_t extra = 0;
  char32_t code = lead;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    code = lead & 0x07u;
  } else {
    return lead;
  }
  if (pos + extra >= text.size()) return lead;  // truncated sequence
  for (std::size_t i = 1; i <= extra; ++i) {
    const unsigned char next = byte(pos + i);
    if ((next & 0xC0u) != 0x80u) return lead;
    code = (code << 6) | (next & 0x3Fu);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  const bool overlong = (extra == 2 && code < 0x800) || (extra == 3 && code < 0x10000);
  if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return lead;
  length = extra + 1;
  return code;
}

std::size_t CharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0, length = 0; pos < text.size(); pos += length) {
    DecodeChar(text, pos, length);
    ++count;
  }
  return count;
}

std::string LeftChars(std::string_view text, std::size_t count) {
  std::size_t pos = 0;
  for (std::size_t taken = 0, length = 0; pos < text.size() && taken < count; ++taken) {
    DecodeChar(text, pos, length);
    pos += length;
  }
  return std::string(text.substr(0, pos));
}

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement) {
  if (find.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t at = text.find(find); at != std::string_view::npos; at = text.find(find, from)) {
    out.append(text.substr(from, at - from));
    out.append(replacement);
    from = at + find.size();
  }
  out.append(text.substr(from));
  return out;
}

void AppendChar(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace brelvox::translator::forms
