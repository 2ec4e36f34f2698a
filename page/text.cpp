#include "page/text.h"

namespace brelvox::page {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one character at text[i]; returns its length in bytes (at least 1) and sets *ok.
std::size_t DecodeOne(std::string_view text, std::size_t i, char32_t* out, bool* ok) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  *ok = true;
  if (b0 < 0x80) {
    *out = b0;
    return 1;
  }
  std::size_t len = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    *ok = false;
    *out = kReplacement;
    return 1;
  }
  if (i + len > text.size()) {
    *ok = false;
    *out = kReplacement;
    return 1;
  }
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) {
      *ok = false;
      *out = kReplacement;
      return 1;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    *ok = false;
    *out = kReplacement;
    return 1;
  }
  *out = cp;
  return len;
}

bool IsSpace(char32_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == 0xA0;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    bool ok = false;
    i += DecodeOne(text, i, &c, &ok);
    if (!ok) return false;
  }
  return true;
}

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    bool ok = false;
    i += DecodeOne(text, i, &c, &ok);
    out.push_back(c);
  }
  return out;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char32_t c : text) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

char32_t ToLower(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) && c % 2 == 0) return c + 1;
  return c;
}

char32_t ToUpper(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 32;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  if (((c >= 0x461 && c <= 0x481) || (c >= 0x48B && c <= 0x4BF)) && c % 2 == 1) return c - 1;
  return c;
}

bool IsCyrillic(char32_t c) {
  return c >= 0x400 && c <= 0x4FF;
}

bool IsLetter(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || (c >= 0x370 && c <= 0x3FF) ||
         (IsCyrillic(c) && !(c >= 0x482 && c <= 0x489));
}

bool HasCyrillic(std::string_view text) {
  for (char32_t c : DecodeUtf8(text)) {
    if (IsCyrillic(c)) return true;
  }
  return false;
}

std::string CutRequest(std::string_view text, bool* was_cut) {
  std::size_t units = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t c = 0;
    bool ok = false;
    const std::size_t len = DecodeOne(text, i, &c, &ok);
    const std::size_t need = c >= 0x10000 ? 2 : 1;
    if (units + need > kMaxRequestUnits) break;
    units += need;
    i += len;
  }
  if (was_cut) *was_cut = i < text.size();
  return std::string(text.substr(0, i));
}

namespace {

bool IsStressMark(char32_t c) {
  return c == kStressMark || c == 0x0300;  // acute or grave
}

// ѝ and ѐ inside a word of three letters or more only mark the stress of и and е; alone (ѝ, сѐ)
// they are words of their own.
void FoldGraveVowels(std::u32string& s) {
  std::size_t start = 0;
  while (start < s.size()) {
    std::size_t end = start;
    while (end < s.size() && IsLetter(s[end]))
      ++end;
    if (end - start >= 3) {
      for (std::size_t i = start; i < end; ++i) {
        if (s[i] == 0x045D) s[i] = U'и';
        if (s[i] == 0x0450) s[i] = U'е';
      }
    }
    start = end + 1;
  }
}

}  // namespace

std::string FoldKey(std::string_view text) {
  std::u32string out;
  bool pending_space = false;
  for (char32_t c : DecodeUtf8(text)) {
    if (IsStressMark(c)) continue;
    if (IsSpace(c)) {
      pending_space = !out.empty();
      continue;
    }
    if (pending_space) out.push_back(' ');
    pending_space = false;
    out.push_back(ToLower(c));
  }
  FoldGraveVowels(out);
  return EncodeUtf8(out);
}

std::string StripStress(std::string_view text) {
  std::u32string out;
  for (char32_t c : DecodeUtf8(text)) {
    if (!IsStressMark(c)) out.push_back(c);
  }
  return EncodeUtf8(out);
}

namespace {

std::string WithFirstLetter(std::string_view text, char32_t (*change)(char32_t)) {
  std::u32string s = DecodeUtf8(text);
  for (char32_t& c : s) {
    if (IsLetter(c)) {
      c = change(c);
      break;
    }
  }
  return EncodeUtf8(s);
}

}  // namespace

std::string CapitalizeFirst(std::string_view text) {
  return WithFirstLetter(text, ToUpper);
}

std::string LowercaseFirst(std::string_view text) {
  return WithFirstLetter(text, ToLower);
}

bool StartsLowerCase(std::string_view text) {
  for (const char32_t c : DecodeUtf8(text)) {
    if (IsLetter(c)) return ToUpper(c) != c;
  }
  return false;
}

bool IsCapitalized(std::string_view text) {
  bool first = true;
  bool first_upper = false;
  bool any_lower_after = false;
  std::size_t letters = 0;
  for (char32_t c : DecodeUtf8(text)) {
    if (!IsLetter(c)) continue;
    ++letters;
    if (first) {
      first_upper = ToLower(c) != c;
      first = false;
    } else if (ToUpper(c) != c) {
      any_lower_after = true;
    }
  }
  return first_upper && (any_lower_after || letters == 1);
}

std::vector<Token> Tokenize(std::string_view text) {
  const std::u32string s = DecodeUtf8(text);
  std::vector<Token> tokens;
  std::u32string current;
  bool current_is_word = false;
  auto flush = [&] {
    if (!current.empty()) tokens.push_back({EncodeUtf8(current), current_is_word});
    current.clear();
  };
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char32_t c = s[i];
    bool word_char = IsLetter(c) || (IsStressMark(c) && current_is_word && !current.empty());
    // An apostrophe or hyphen joins two letters into one word (don't, ей-така).
    if (!word_char && (c == '\'' || c == 0x2019 || c == '-') && current_is_word &&
        !current.empty() && i + 1 < s.size() && IsLetter(s[i + 1])) {
      word_char = true;
    }
    if (word_char != current_is_word) {
      flush();
      current_is_word = word_char;
    }
    current.push_back(c);
  }
  flush();
  return tokens;
}

}  // namespace brelvox::page
