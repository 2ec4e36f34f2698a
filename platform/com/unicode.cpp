#include "platform/com/unicode.h"

namespace {

// Decodes the character at text[i]; returns its length in bytes. A byte that does not start a
// well-formed character (a stray continuation byte, a cut sequence, an overlong form, a surrogate
// or a code point past U+10FFFF) is one U+FFFD and one byte long, so an overlong '<' can never
// become markup.
size_t DecodeOne(std::string_view text, size_t i, uint32_t* out) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  *out = 0xFFFD;
  if (b0 < 0x80) {
    *out = b0;
    return 1;
  }
  size_t length = 0;
  uint32_t c = 0, lowest = 0;
  if ((b0 & 0xE0) == 0xC0) {
    length = 2, c = b0 & 0x1F, lowest = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, c = b0 & 0x0F, lowest = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, c = b0 & 0x07, lowest = 0x10000;
  } else {
    return 1;
  }
  if (i + length > text.size()) return 1;
  for (size_t k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) return 1;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < lowest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 1;
  *out = c;
  return length;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    uint32_t c = 0;
    i += DecodeOne(text, i, &c);
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

namespace {

// Encodes UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD, or fails the call when `exact`.
bool Encode(std::u16string_view text, bool exact, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      if (exact) return false;
      c = 0xFFFD;
    }
    if (c < 0x80) {
      *out += static_cast<char>(c);
    } else if (c < 0x800) {
      *out += static_cast<char>(0xC0 | (c >> 6));
      *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *out += static_cast<char>(0xE0 | (c >> 12));
      *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *out += static_cast<char>(0xF0 | (c >> 18));
      *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return true;
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  Encode(text, false, &out);
  return out;
}

bool Utf16ToUtf8Exact(std::u16string_view text, std::string* out) {
  return Encode(text, true, out);
}
