#include "programs/sd_brelvox/voice_settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <initializer_list>

namespace brelvox::speechd {

namespace {

bool SameText(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// The language part of a tag: "bg" of "bg-BG".
std::string_view LanguagePart(std::string_view tag) {
  return tag.substr(0, tag.find_first_of("-_"));
}

bool ParseLevel(std::string_view name, std::string_view value, int* out, std::string* error) {
  int n = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (ec != std::errc() || end != value.data() + value.size() || n < -100 || n > 100) {
    *error = std::string(name) + " takes -100 to 100, not " + std::string(value);
    return false;
  }
  *out = n;
  return true;
}

// One of a few named values; the error lists them.
template <typename T>
bool Choose(std::string_view name, std::string_view value,
            std::initializer_list<std::pair<std::string_view, T>> choices, T* out,
            std::string* error) {
  std::string names;
  for (const auto& [text, choice] : choices) {
    if (text == value) {
      *out = choice;
      return true;
    }
    names += (names.empty() ? "" : ", ") + std::string(text);
  }
  *error = std::string(name) + " takes " + names + ", not " + std::string(value);
  return false;
}

}  // namespace

bool ApplySetting(MessageSettings* s, std::string_view name, std::string_view value,
                  std::string* error) {
  const bool null = value == "NULL";
  if (name == "rate") return null ? (s->rate = 0, true) : ParseLevel(name, value, &s->rate, error);
  if (name == "pitch") {
    return null ? (s->pitch = 0, true) : ParseLevel(name, value, &s->pitch, error);
  }
  if (name == "volume") {
    return null ? (s->volume = 0, true) : ParseLevel(name, value, &s->volume, error);
  }
  using P = MessageSettings::Punctuation;
  using C = MessageSettings::Capitals;
  if (name == "punctuation_mode") {
    return Choose(name, null ? "none" : value,
                  {{"none", P::kNone}, {"some", P::kSome}, {"most", P::kMost}, {"all", P::kAll}},
                  &s->punctuation, error);
  }
  if (name == "spelling_mode") {
    return Choose(name, null ? "off" : value, {{"off", false}, {"on", true}}, &s->spelling, error);
  }
  if (name == "cap_let_recogn") {
    return Choose(name, null ? "none" : value,
                  {{"none", C::kNone}, {"spell", C::kSpell}, {"icon", C::kIcon}}, &s->capitals,
                  error);
  }
  const std::string text = null ? std::string() : std::string(value);
  if (name == "voice") s->voiceType = text;
  if (name == "language") s->language = text;
  if (name == "synthesis_voice") s->synthesisVoice = text;
  return true;
}

EngineSettings MapSettings(const MessageSettings& s) {
  EngineSettings e;
  e.rate = static_cast<int>(std::lround(s.rate / 10.0));
  e.pitch = static_cast<int>(std::lround(s.pitch / 10.0));
  e.volume = s.volume < 0 ? 100 + s.volume : 100;
  e.gain = s.volume > 0 ? 1.0 + s.volume / 100.0 : 1.0;
  e.punctuation = s.punctuation != MessageSettings::Punctuation::kNone;
  return e;
}

std::string ChooseMessageVoice(const MessageSettings& s, const std::vector<InstalledVoice>& voices,
                               const std::string& defaultVoice, std::string* error) {
  if (voices.empty()) {
    *error = "no BRELVOX voice is installed; run scripts/setup or brelvox install-voice";
    return {};
  }
  if (!s.synthesisVoice.empty()) {
    for (const InstalledVoice& v : voices) {
      if (SameText(v.name, s.synthesisVoice)) return v.name;
    }
    *error = "there is no BRELVOX voice " + s.synthesisVoice +
             "; spd-say -o brelvox -L lists the installed ones";
    return {};
  }
  const std::string_view wanted = LanguagePart(s.language);
  const auto speaks = [&](const InstalledVoice& v) {
    return wanted.empty() || SameText(LanguagePart(v.language), wanted);
  };
  for (const InstalledVoice& v : voices) {
    if (SameText(v.name, defaultVoice) && speaks(v)) return v.name;
  }
  for (const InstalledVoice& v : voices) {
    if (speaks(v)) return v.name;
  }
  for (const InstalledVoice& v : voices) {
    if (SameText(v.name, defaultVoice)) return v.name;
  }
  return voices.front().name;
}

}  // namespace brelvox::speechd
