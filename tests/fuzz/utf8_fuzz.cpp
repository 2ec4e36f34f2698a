// Any bytes as UTF-8: the platform decodes exactly as the page does (one U+FFFD for each byte
// that does not start a well-formed character), so markup and text agree on every character.
#include <cstdlib>
#include <string>

#include "page/text.h"
#include "platform/com/unicode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::u16string expected;
  for (const char32_t c : brelvox::page::DecodeUtf8(bytes)) {
    if (c >= 0x10000) {
      expected += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      expected += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      expected += static_cast<char16_t>(c);
    }
  }
  if (Utf8ToUtf16(bytes) != expected) std::abort();
  return 0;
}
