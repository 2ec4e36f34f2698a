#include "tools/grammarc/symbol_text.h"

#include <cstdio>

#include "engine/core/sound/phoneme_set.h"
#include "engine/core/symbols.h"

namespace brelvox::grammarc {

namespace {

struct NamedSymbol {
  std::string_view name;
  int32_t symbol;
};

constexpr NamedSymbol kNamedSymbols[] = {
    {"PauseSymbol", PauseSymbol},          {"SpellStartSymbol", SpellStartSymbol},
    {"SpellEndSymbol", SpellEndSymbol},    {"SpellWordSymbol", SpellWordSymbol},
    {"WordMarker", kFirstWordMarker},      {"SentenceMarkerA", kSentenceMarkerA},
    {"SentenceMarkerB", kSentenceMarkerB},
};

// Parses the decimal number at the end of `name` after `prefix`.
std::optional<int32_t> Numbered(std::string_view name, std::string_view prefix, int32_t count) {
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return std::nullopt;
  const std::string_view digits = name.substr(prefix.size());
  if (digits.size() > 2 || (digits.size() == 2 && digits[0] == '0')) return std::nullopt;
  int32_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value < count ? std::optional<int32_t>(value) : std::nullopt;
}

}  // namespace

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::optional<std::vector<int32_t>> Utf8ToSymbols(std::string_view text) {
  std::vector<int32_t> out;
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    int extra = 0;
    uint32_t cp = 0;
    if (b < 0x80) {
      cp = b;
    } else if ((b & 0xE0) == 0xC0) {
      extra = 1;
      cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2;
      cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3;
      cp = b & 0x07;
    } else {
      return std::nullopt;
    }
    if (i + static_cast<size_t>(extra) >= text.size()) return std::nullopt;
    for (int k = 1; k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      return std::nullopt;
    }
    if (cp == 0xFFFF) return std::nullopt;  // not a character symbol
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<int32_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<int32_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<int32_t>(cp));
    }
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

std::optional<int32_t> PhonemeSymbol(char phoneme) {
  const size_t k = PhonemeAlphabet.find(phoneme);
  if (k == std::string_view::npos) return std::nullopt;
  return PhonemeBase + static_cast<int32_t>(k);
}

std::optional<int32_t> PredefinedSymbol(std::string_view name) {
  for (const NamedSymbol& named : kNamedSymbols) {
    if (named.name == name) return named.symbol;
  }
  if (auto s = Numbered(name, "Stress", kStressLevels)) return StressBase + *s;
  if (auto t = Numbered(name, "Tone", kToneCount)) return ToneBase + *t;
  return std::nullopt;
}

std::optional<SymbolSet> PredefinedSet(std::string_view name) {
  SymbolSet set;
  if (name == "Any") return SymbolSet::Any();
  if (name == "WordMarkers") {
    for (int32_t s = kFirstWordMarker; s <= kLastWordMarker; ++s) {
      if (IsWordMarker(s)) set.symbols.insert(s);
    }
  } else if (name == "SentenceMarkers") {
    set.symbols = {kSentenceMarkerA, kSentenceMarkerB};
  } else if (name == "Phonemes") {
    for (int32_t k = 0; k < kPhonemeCount; ++k)
      set.symbols.insert(PhonemeBase + k);
  } else if (name == "Stresses") {
    for (int32_t k = 0; k < kStressLevels; ++k)
      set.symbols.insert(StressBase + k);
  } else if (name == "Tones") {
    for (int32_t k = 0; k < kToneCount; ++k)
      set.symbols.insert(ToneBase + k);
  } else {
    return std::nullopt;
  }
  return set;
}

std::string FormatSymbols(const std::vector<int32_t>& symbols) {
  std::string out;
  enum class Run { kNone, kText, kPhonemes } run = Run::kNone;
  const auto close = [&] {
    if (run == Run::kText) out += '"';
    if (run == Run::kPhonemes) out += '}';
    run = Run::kNone;
  };
  const auto separate = [&] {
    if (!out.empty()) out += ' ';
  };
  for (size_t i = 0; i < symbols.size(); ++i) {
    const int32_t s = symbols[i];
    if (s >= 0 && s <= kLastCharacterSymbol) {
      if (run != Run::kText) {
        close();
        separate();
        out += '"';
        run = Run::kText;
      }
      uint32_t cp = static_cast<uint32_t>(s);
      if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < symbols.size() && symbols[i + 1] >= 0xDC00 &&
          symbols[i + 1] <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + static_cast<uint32_t>(symbols[i + 1] - 0xDC00);
        ++i;
      }
      if (cp == '"' || cp == '\\') {
        out += '\\';
        out += static_cast<char>(cp);
      } else if (cp == '\n') {
        out += "\\n";
      } else if (cp == '\t') {
        out += "\\t";
      } else if (cp < 0x20 || (cp >= 0xD800 && cp <= 0xDFFF)) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "\\u%04X", cp);
        out += buffer;
      } else {
        AppendUtf8(out, cp);
      }
      continue;
    }
    if (IsPhonemeSymbol(s)) {
      if (run != Run::kPhonemes) {
        close();
        separate();
        out += '{';
        run = Run::kPhonemes;
      }
      out += PhonemeAlphabet[static_cast<size_t>(s - PhonemeBase)];
      continue;
    }
    close();
    separate();
    std::string name;
    for (const NamedSymbol& named : kNamedSymbols) {
      if (named.symbol == s) name = named.name;
    }
    if (name.empty() && IsStressSymbol(s)) name = "Stress" + std::to_string(s - StressBase);
    if (name.empty() && IsToneSymbol(s)) name = "Tone" + std::to_string(s - ToneBase);
    if (name.empty()) {
      char buffer[24];
      std::snprintf(buffer, sizeof buffer, s < 0 ? "<%d>" : "<0x%X>", s);
      name = buffer;
    }
    out += name;
  }
  close();
  return out;
}

}  // namespace brelvox::grammarc
