#include "programs/sd_brelvox/module_config.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <vector>

namespace brelvox::speechd {

namespace {

// The next word of a line, quoted or not; false at the end of the line or on an open quote.
bool NextWord(std::string_view* line, std::string* word, bool* broken) {
  while (!line->empty() && (line->front() == ' ' || line->front() == '\t'))
    line->remove_prefix(1);
  if (line->empty() || line->front() == '#') return false;
  word->clear();
  if (line->front() != '"') {
    const size_t end = line->find_first_of(" \t");
    *word = line->substr(0, end);
    line->remove_prefix(end == std::string_view::npos ? line->size() : end);
    return true;
  }
  line->remove_prefix(1);
  while (!line->empty() && line->front() != '"') {
    if (line->front() == '\\' && line->size() > 1) line->remove_prefix(1);
    word->push_back(line->front());
    line->remove_prefix(1);
  }
  if (line->empty()) {
    *broken = true;
    return false;
  }
  line->remove_prefix(1);
  return true;
}

bool ToInt(const std::string& text, int low, int high, int* out) {
  int n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < low || n > high) return false;
  *out = n;
  return true;
}

// The length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Letters and digits: ASCII ones and everything outside ASCII that the table does not name (the
// Cyrillic letters, mostly); the grammar spells them.
bool Spellable(std::string_view ch) {
  const unsigned char c = static_cast<unsigned char>(ch.front());
  if (c >= 0x80) return true;
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsCapital(std::string_view ch) {
  const unsigned char c = static_cast<unsigned char>(ch.front());
  if (c >= 'A' && c <= 'Z') return true;
  // Cyrillic capitals: U+0400..U+042F (D0 80 .. D0 AF).
  if (ch.size() == 2 && c == 0xD0) {
    const unsigned char d = static_cast<unsigned char>(ch[1]);
    return d >= 0x80 && d <= 0xAF;
  }
  return false;
}

void AddText(SpeechPieces* pieces, SpeechPiece::Kind kind, std::string_view text, int pitch = 0) {
  if (!pieces->empty() && pieces->back().kind == kind && pieces->back().pitch == pitch &&
      kind != SpeechPiece::Kind::kText) {
    pieces->back().text += text;
    return;
  }
  SpeechPiece piece;
  piece.kind = kind;
  piece.text = std::string(text);
  piece.pitch = pitch;
  pieces->push_back(std::move(piece));
}

}  // namespace

bool ParseModuleConfig(std::string_view text, const std::string& fileName, ModuleConfig* config,
                       std::string* error) {
  std::istringstream in{std::string(text)};
  std::string raw;
  int lineNumber = 0;
  while (std::getline(in, raw)) {
    ++lineNumber;
    std::string_view line = raw;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string> words;
    std::string word;
    bool broken = false;
    while (NextWord(&line, &word, &broken))
      words.push_back(word);
    const auto fail = [&](const std::string& what) {
      *error = fileName + " line " + std::to_string(lineNumber) + ": " + what;
      return false;
    };
    if (broken) return fail("a quoted value is not closed; end it with \"");
    if (words.empty()) continue;
    const std::string& name = words[0];
    const size_t values = words.size() - 1;
    if (name == "BrelvoxDefaultVoice") {
      if (values != 1) return fail("BrelvoxDefaultVoice takes one voice name");
      config->defaultVoice = words[1];
    } else if (name == "BrelvoxAudioBlockSize") {
      if (values != 1 || !ToInt(words[1], 64, 65536, &config->audioBlockSamples)) {
        return fail("BrelvoxAudioBlockSize takes a number of samples from 64 to 65536");
      }
    } else if (name == "BrelvoxMaxMessageBytes") {
      int n = 0;
      if (values != 1 || !ToInt(words[1], 1024, 1 << 30, &n)) {
        return fail("BrelvoxMaxMessageBytes takes a number of bytes from 1024 up");
      }
      config->maxMessageBytes = static_cast<size_t>(n);
    } else if (name == "BrelvoxCapitalWord") {
      if (values != 1) return fail("BrelvoxCapitalWord takes one word");
      config->capitalWord = words[1];
    } else if (name == "BrelvoxCapitalPitch") {
      if (values != 1 || !ToInt(words[1], 0, 10, &config->capitalPitch)) {
        return fail("BrelvoxCapitalPitch takes 0 to 10");
      }
    } else if (name == "BrelvoxCharName" || name == "BrelvoxKeyName") {
      if (values != 2 || words[1].empty()) {
        return fail(name + " takes two quoted values: what is named and its name");
      }
      (name == "BrelvoxCharName" ? config->charNames : config->keyNames)[words[1]] = words[2];
    }
  }
  return true;
}

bool LoadModuleConfig(const std::string& path, ModuleConfig* config, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot read the configuration " + path;
    return false;
  }
  std::ostringstream content;
  content << in.rdbuf();
  return ParseModuleConfig(content.str(), path, config, error);
}

SpeechPieces SpelledPieces(std::string_view text, const ModuleConfig& config,
                           MessageSettings::Capitals capitals) {
  SpeechPieces pieces;
  while (!text.empty()) {
    const size_t length =
        std::min(SequenceLength(static_cast<unsigned char>(text[0])), text.size());
    const std::string_view ch = text.substr(0, length);
    text.remove_prefix(length);
    if (ch == " " || ch == "\t" || ch == "\n" || ch == "\r") continue;
    const auto named = config.charNames.find(std::string(ch));
    if (named != config.charNames.end()) {
      AddText(&pieces, SpeechPiece::Kind::kText, named->second);
      continue;
    }
    if (!Spellable(ch)) {
      // A mark the table does not name: read as it is.
      AddText(&pieces, SpeechPiece::Kind::kText, ch);
      continue;
    }
    if (IsCapital(ch) && capitals == MessageSettings::Capitals::kSpell) {
      AddText(&pieces, SpeechPiece::Kind::kText, config.capitalWord);
    }
    const bool raised = IsCapital(ch) && capitals == MessageSettings::Capitals::kIcon;
    AddText(&pieces, SpeechPiece::Kind::kSpelled, ch, raised ? config.capitalPitch : 0);
  }
  return pieces;
}

SpeechPieces CharPieces(std::string_view character, const ModuleConfig& config,
                        MessageSettings::Capitals capitals) {
  const auto named = config.charNames.find(std::string(character));
  if (named != config.charNames.end()) {
    SpeechPieces pieces;
    AddText(&pieces, SpeechPiece::Kind::kText, named->second);
    return pieces;
  }
  if (!character.empty() &&
      SequenceLength(static_cast<unsigned char>(character[0])) < character.size()) {
    return KeyPieces(character, config);  // "space" and the like
  }
  return SpelledPieces(character, config, capitals);
}

SpeechPieces KeyPieces(std::string_view key, const ModuleConfig& config) {
  const auto whole = config.keyNames.find(std::string(key));
  if (whole != config.keyNames.end()) return {SpeechPiece{SpeechPiece::Kind::kText, whole->second}};
  if (!key.empty() && SequenceLength(static_cast<unsigned char>(key[0])) >= key.size()) {
    return CharPieces(key, config, MessageSettings::Capitals::kNone);
  }
  // A combination: parts joined by '_', each a named key or a single character.
  SpeechPieces pieces;
  while (!key.empty()) {
    const size_t end = std::min(key.find('_'), key.size());
    const std::string_view part = key.substr(0, end);
    key.remove_prefix(std::min(end + 1, key.size()));
    if (part.empty()) continue;
    const auto named = config.keyNames.find(std::string(part));
    if (named != config.keyNames.end()) {
      pieces.push_back(SpeechPiece{SpeechPiece::Kind::kText, named->second});
    } else if (SequenceLength(static_cast<unsigned char>(part[0])) >= part.size()) {
      for (SpeechPiece& p : CharPieces(part, config, MessageSettings::Capitals::kNone)) {
        pieces.push_back(std::move(p));
      }
    } else {
      pieces.push_back(SpeechPiece{SpeechPiece::Kind::kText, std::string(part)});
    }
  }
  return pieces;
}

}  // namespace brelvox::speechd
