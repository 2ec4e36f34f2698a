#include "programs/sd_brelvox/ssml_pieces.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <pugixml.hpp>
#include <utility>

namespace brelvox::speechd {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
    s.remove_suffix(1);
  return s;
}

// A number with an optional sign, then the unit that follows it.
bool SplitNumber(std::string_view value, double* number, std::string_view* unit) {
  value = Trim(value);
  if (!value.empty() && value.front() == '+') value.remove_prefix(1);
  const char* end = value.data() + value.size();
  const auto [rest, ec] = std::from_chars(value.data(), end, *number);
  if (ec != std::errc() || !std::isfinite(*number)) return false;
  *unit = Trim(std::string_view(rest, static_cast<size_t>(end - rest)));
  return true;
}

bool Signed(std::string_view value) {
  value = Trim(value);
  return !value.empty() && (value.front() == '+' || value.front() == '-');
}

template <size_t N>
bool Named(std::string_view value, const std::pair<std::string_view, int> (&table)[N], int* out) {
  for (const auto& [name, level] : table) {
    if (Trim(value) == name) {
      *out = level;
      return true;
    }
  }
  return false;
}

// A percentage as a factor: "+20%" and "-20%" change by that much, "120%" is absolute.
double PercentFactor(std::string_view value, double n) {
  return Signed(value) ? 1.0 + n / 100.0 : n / 100.0;
}

int Clamp10(double v) {
  return static_cast<int>(std::lround(std::clamp(v, -10.0, 10.0)));
}

struct Prosody {
  int rate = 0;
  int pitch = 0;
  int volume = 100;
};

class Reader {
 public:
  explicit Reader(SpeechPieces* pieces) : pieces_(pieces) {}

  void Node(const pugi::xml_node& node, Prosody prosody, bool spelled) {
    for (const pugi::xml_node& child : node.children()) {
      if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
        Text(child.value(), prosody, spelled);
        continue;
      }
      if (child.type() != pugi::node_element) continue;
      const std::string_view name = child.name();
      if (name == "mark") {
        Add(SpeechPiece::Kind::kMark, child.attribute("name").value(), prosody);
      } else if (name == "break") {
        int ms = 0;
        const pugi::xml_attribute time = child.attribute("time");
        if (!time || !ParseBreakTime(time.value(), &ms)) {
          ms = BreakStrength(child.attribute("strength").value());
        }
        SpeechPiece& piece = Add(SpeechPiece::Kind::kBreak, "", prosody);
        piece.breakMs = ms;
      } else if (name == "prosody") {
        Prosody inner = prosody;
        int value = 0;
        if (ParseRate(child.attribute("rate").value(), &value)) {
          inner.rate = std::clamp(prosody.rate + value, -10, 10);
        }
        if (ParsePitch(child.attribute("pitch").value(), &value)) {
          inner.pitch = std::clamp(prosody.pitch + value, -10, 10);
        }
        if (ParseVolume(child.attribute("volume").value(), &value)) {
          inner.volume = std::clamp(prosody.volume * value / 100, 0, 200);
        }
        Node(child, inner, spelled);
      } else if (name == "say-as") {
        const std::string_view how = child.attribute("interpret-as").value();
        Node(child, prosody,
             spelled || how == "characters" || how == "spell-out" || how == "tts:char");
      } else if (name == "sub" && child.attribute("alias")) {
        Text(child.attribute("alias").value(), prosody, spelled);
      } else {
        Node(child, prosody, spelled);
      }
    }
  }

 private:
  static int BreakStrength(std::string_view strength) {
    static constexpr std::pair<std::string_view, int> kStrengths[] = {
        {"none", 0},     {"x-weak", 100}, {"weak", 200},
        {"medium", 400}, {"strong", 700}, {"x-strong", 1000}};
    int ms = 400;
    Named(strength, kStrengths, &ms);
    return ms;
  }

  SpeechPiece& Add(SpeechPiece::Kind kind, std::string text, const Prosody& prosody) {
    SpeechPiece piece;
    piece.kind = kind;
    piece.text = std::move(text);
    piece.rate = prosody.rate;
    piece.pitch = prosody.pitch;
    piece.volume = prosody.volume;
    pieces_->push_back(std::move(piece));
    return pieces_->back();
  }

  void Text(std::string_view text, const Prosody& prosody, bool spelled) {
    if (text.empty()) return;
    const SpeechPiece::Kind kind = spelled ? SpeechPiece::Kind::kSpelled : SpeechPiece::Kind::kText;
    if (!pieces_->empty()) {
      SpeechPiece& last = pieces_->back();
      if (last.kind == kind && last.rate == prosody.rate && last.pitch == prosody.pitch &&
          last.volume == prosody.volume) {
        last.text += text;
        return;
      }
    }
    Add(kind, std::string(text), prosody);
  }

  SpeechPieces* pieces_;
};

}  // namespace

bool ParseRate(std::string_view value, int* rate) {
  static constexpr std::pair<std::string_view, int> kLevels[] = {
      {"x-slow", -6}, {"slow", -3}, {"medium", 0}, {"default", 0}, {"fast", 3}, {"x-fast", 6}};
  if (Named(value, kLevels, rate)) return true;
  double n = 0;
  std::string_view unit;
  if (!SplitNumber(value, &n, &unit)) return false;
  // The engine's rate r speaks 2^(r/10) times as fast.
  double factor = n;
  if (unit == "%") {
    factor = PercentFactor(value, n);
  } else if (!unit.empty()) {
    return false;
  }
  if (factor <= 0) return false;
  *rate = Clamp10(10.0 * std::log2(factor));
  return true;
}

bool ParsePitch(std::string_view value, int* pitch) {
  static constexpr std::pair<std::string_view, int> kLevels[] = {
      {"x-low", -8}, {"low", -4}, {"medium", 0}, {"default", 0}, {"high", 4}, {"x-high", 8}};
  if (Named(value, kLevels, pitch)) return true;
  double n = 0;
  std::string_view unit;
  if (!SplitNumber(value, &n, &unit)) return false;
  double semitones = 0;
  if (unit == "st") {
    semitones = n;
  } else if (unit == "%") {
    const double factor = PercentFactor(value, n);
    if (factor <= 0) return false;
    semitones = 12.0 * std::log2(factor);
  } else if (unit == "Hz") {
    // Relative to the voice's base pitch, about 120 Hz.
    const double hz = Signed(value) ? 120.0 + n : n;
    if (hz <= 0) return false;
    semitones = 12.0 * std::log2(hz / 120.0);
  } else {
    return false;
  }
  *pitch = Clamp10(2.0 * semitones);
  return true;
}

bool ParseVolume(std::string_view value, int* percent) {
  static constexpr std::pair<std::string_view, int> kLevels[] = {
      {"silent", 0},    {"x-soft", 25}, {"soft", 50},   {"medium", 100},
      {"default", 100}, {"loud", 150},  {"x-loud", 200}};
  if (Named(value, kLevels, percent)) return true;
  double n = 0;
  std::string_view unit;
  if (!SplitNumber(value, &n, &unit)) return false;
  double factor = 0;
  if (unit == "dB") {
    factor = std::pow(10.0, n / 20.0);
  } else if (unit == "%" || unit.empty()) {
    // A level 0..100 is a percentage too.
    factor = PercentFactor(value, n);
  } else {
    return false;
  }
  *percent = static_cast<int>(std::lround(std::clamp(factor, 0.0, 2.0) * 100.0));
  return true;
}

bool ParseBreakTime(std::string_view value, int* milliseconds) {
  double n = 0;
  std::string_view unit;
  if (!SplitNumber(value, &n, &unit) || n < 0) return false;
  if (unit == "s") {
    n *= 1000.0;
  } else if (unit != "ms") {
    return false;
  }
  *milliseconds = static_cast<int>(std::min(n, 60000.0));
  return true;
}

bool SsmlToPieces(std::string_view ssml, SpeechPieces* pieces, std::string* error) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_buffer(
      ssml.data(), ssml.size(), pugi::parse_default | pugi::parse_ws_pcdata, pugi::encoding_utf8);
  if (!parsed) {
    *error = std::string("the message is not well-formed SSML (") + parsed.description() +
             " at byte " + std::to_string(parsed.offset) + ")";
    return false;
  }
  pieces->clear();
  Reader(pieces).Node(document, Prosody{}, false);
  return true;
}

}  // namespace brelvox::speechd
