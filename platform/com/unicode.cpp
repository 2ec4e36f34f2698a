#include "platform/com/unicode.h"

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    uint32_t c = 0xFFFD;
    size_t length = 1;
    if (b < 0x80) {
      c = b;
    } else if ((b >> 5) == 6) {
      length = 2;
    } else if ((b >> 4) == 14) {
      length = 3;
    } else if ((b >> 3) == 30) {
      length = 4;
    }
    if (length > 1) {
      if (i + length > text.size()) {
        length = 1;
      } else {
        c = b & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
          const auto n = static_cast<unsigned char>(text[i + k]);
          if ((n >> 6) != 2) {
            c = 0xFFFD;
            length = k;
            break;
          }
          c = (c << 6) | (n & 0x3F);
        }
      }
    }
    i += length;
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c > 0xFFFF ? 0xFFFD : c);
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
