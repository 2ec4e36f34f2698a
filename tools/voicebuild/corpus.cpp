#include "corpus.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/core/sound/phoneme_set.h"
#include "recordings.h"

namespace brelvox::voicebuild {

static_assert(std::endian::native == std::endian::little, "track files are read little-endian");

namespace fs = std::filesystem;

namespace {

constexpr bool V = true;
constexpr bool U = false;

// clang-format off
constexpr std::array<CorpusPhone, 51> kPhones = {{
    {"aa", true, V}, {"ee", true, V}, {"ii", true, V}, {"oo", true, V}, {"uu", true, V},
    {"yy", true, V},
    {"a", true, V}, {"e", true, V}, {"i", true, V}, {"y", true, V}, {"u", true, V},
    {"ae", true, V}, {"ay", true, V}, {"ur", true, V},
    {"p", false, U}, {"b", false, V}, {"t", false, U}, {"d", false, V}, {"k", false, U},
    {"g", false, V}, {"f", false, U}, {"v", false, V}, {"s", false, U}, {"z", false, V},
    {"h", false, U}, {"m", false, V}, {"n", false, V}, {"l", false, V}, {"r", false, V},
    {"pp", false, U}, {"bb", false, V}, {"tt", false, U}, {"dd", false, V}, {"kk", false, U},
    {"gg", false, V}, {"ff", false, U}, {"vv", false, V}, {"ss", false, U}, {"zz", false, V},
    {"hh", false, U}, {"mm", false, V}, {"nn", false, V}, {"ll", false, V}, {"rr", false, V},
    {"c", false, U}, {"ch", false, U}, {"sh", false, U}, {"zh", false, V}, {"sch", false, U},
    {"j", false, V}, {"pau", false, U},
}};

// Each phoneme's corpus sounds, best first. Where Bulgarian has a sound the corpus lacks, the
// closest one comes first:
//  - ъ: stressed the reduced [ɐ] "a", unstressed the short [ə] "ae" (the corpus has no [ɤ]);
//  - unstressed о: "oo" (Russian reduces every unstressed о to [ɐ]; the stressed one is the only
//    unreduced о there is);
//  - дж, дз: "d" + "zh" and "d" + "z" where the corpus has them (a handful across morphemes),
//    else the voiceless affricates "ch" and "c", else the fricatives;
//  - кь, гь, хь before back vowels: the corpus's soft velars occur only before front vowels, so
//    those pairs take the hard velar;
//  - ць: "c" (Russian ц is never soft), жь: "zh", ч: "ch" (softer than Bulgarian ч);
//  - hard consonants before е and и: the hard one where the corpus has it (loanwords), else the
//    soft twin (Russian palatalises there);
//  - the short glide of -ия, -ие: "j".
const std::map<char, std::vector<std::string>>& Alternatives() {
  static const std::map<char, std::vector<std::string>> table = {
      {'A', {"aa", "a"}},      {'a', {"a", "ay", "aa"}},    {'E', {"ee", "e"}},
      {'e', {"e", "ee", "i"}}, {'I', {"ii", "i"}},          {'i', {"i", "ii", "y"}},
      {'O', {"oo"}},           {'o', {"oo", "a"}},          {'U', {"uu", "u"}},
      {'u', {"u", "uu", "ur"}}, {'Y', {"a", "ae", "ay"}},   {'y', {"ae", "a", "ay"}},
      {'b', {"b", "bb"}},      {'w', {"v", "vv"}},          {'g', {"g", "gg"}},
      {'d', {"d", "dd"}},      {'v', {"zh"}},               {'z', {"z", "zz"}},
      {'k', {"k", "kk"}},      {'l', {"l", "ll"}},          {'L', {"ll", "l"}},
      {'m', {"m", "mm"}},      {'n', {"n", "nn"}},          {'p', {"p", "pp"}},
      {'r', {"r", "rr"}},      {'s', {"s", "ss"}},          {'t', {"t", "tt"}},
      {'f', {"f", "ff"}},      {'h', {"h", "hh"}},          {'c', {"c", "t s"}},
      {'4', {"ch", "tt sh"}},  {'6', {"sh", "sch"}},        {'j', {"j"}},
      {'\'', {"j", "i"}},      {'#', {"d zh", "ch", "zh"}}, {'%', {"d z", "c", "z"}},
      {'_', {"pau"}},          {'B', {"bb", "b"}},          {'W', {"vv", "v"}},
      {'G', {"gg", "g"}},      {'D', {"dd", "d"}},          {'Z', {"zz", "z"}},
      {'&', {"zh"}},           {'K', {"kk", "k"}},          {'M', {"mm", "m"}},
      {'N', {"nn", "n"}},      {'P', {"pp", "p"}},          {'R', {"rr", "r"}},
      {'S', {"ss", "s"}},      {'T', {"tt", "t"}},          {'F', {"ff", "f"}},
      {'H', {"hh", "h"}},      {'C', {"c", "t s"}},
  };
  return table;
}
// clang-format on

}  // namespace

int32_t CorpusPhoneIndex(std::string_view name) {
  for (size_t i = 0; i < kPhones.size(); ++i) {
    if (name == kPhones[i].name) return static_cast<int32_t>(i);
  }
  return -1;
}

const CorpusPhone& CorpusPhoneAt(int32_t index) {
  return kPhones[static_cast<size_t>(index)];
}

int32_t CorpusPauseIndex() {
  return static_cast<int32_t>(kPhones.size()) - 1;
}

bool ParseCorpusLabels(const std::string& text, int32_t sampleRate,
                       std::vector<CorpusSegment>* segments, std::string* error) {
  std::istringstream in(text);
  std::string line;
  int lineNumber = 0;
  bool body = false;
  int32_t start = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    std::istringstream fields(line);
    std::string first;
    if (!(fields >> first)) continue;
    if (!body) {
      body = first == "#";
      continue;
    }
    double end = 0.0;
    std::string colour, phone, rest;
    std::istringstream values(line);
    const bool parsed = static_cast<bool>(values >> end >> colour >> phone) && !(values >> rest);
    const int32_t index = parsed ? CorpusPhoneIndex(phone) : -1;
    if (index < 0) {
      *error = "line " + std::to_string(lineNumber) + " is not \"END COLOUR PHONE\" with a phone " +
               "of the corpus's phone set.";
      return false;
    }
    const auto endSample = static_cast<int32_t>(std::lround(end * sampleRate));
    if (endSample <= start) {
      *error = "line " + std::to_string(lineNumber) + ": the phone ends before it starts.";
      return false;
    }
    segments->push_back(CorpusSegment{index, start, endSample});
    start = endSample;
  }
  if (!body) {
    *error = "the labels have no \"#\" line before the phones.";
    return false;
  }
  return true;
}

bool ParseTrackTimes(const std::string& bytes, int32_t sampleRate, std::vector<int32_t>* times,
                     std::string* error) {
  const std::string endMark = "EST_Header_End\n";
  const size_t headerEnd = bytes.find(endMark);
  if (bytes.rfind("EST_File Track", 0) != 0 || headerEnd == std::string::npos) {
    *error = "not a track file (no \"EST_File Track\" header).";
    return false;
  }
  std::istringstream header(bytes.substr(0, headerEnd));
  std::string line;
  long frames = -1, channels = -1;
  bool breaks = false, binary = false, little = true;
  while (std::getline(header, line)) {
    std::istringstream fields(line);
    std::string key, value;
    fields >> key >> value;
    if (key == "NumFrames") frames = std::atol(value.c_str());
    if (key == "NumChannels") channels = std::atol(value.c_str());
    if (key == "BreaksPresent") breaks = value == "true";
    if (key == "DataType") binary = value == "binary";
    if (key == "ByteOrder") little = value == "01";
  }
  if (frames < 0 || channels < 0 || !binary) {
    *error = "the track header lacks NumFrames or NumChannels, or the track is not binary.";
    return false;
  }
  const size_t stride = static_cast<size_t>(1 + (breaks ? 1 : 0) + channels) * 4;
  const size_t body = headerEnd + endMark.size();
  if (bytes.size() - body != stride * static_cast<size_t>(frames)) {
    *error = "the track holds " + std::to_string(bytes.size() - body) + " bytes of frames, not " +
             std::to_string(stride * static_cast<size_t>(frames)) + ".";
    return false;
  }
  times->clear();
  for (long k = 0; k < frames; ++k) {
    uint32_t raw = 0;
    std::memcpy(&raw, bytes.data() + body + static_cast<size_t>(k) * stride, 4);
    if (!little) {
      raw = (raw >> 24) | ((raw >> 8) & 0xff00u) | ((raw << 8) & 0xff0000u) | (raw << 24);
    }
    const float t = std::bit_cast<float>(raw);
    if (!std::isfinite(t) || t < 0.0f) {
      *error = "frame " + std::to_string(k) + " has no valid time.";
      return false;
    }
    times->push_back(static_cast<int32_t>(std::lround(t * sampleRate)));
  }
  return true;
}

std::string CorpusWavPath(const std::string& folder, const std::string& name) {
  return (fs::path(folder) / "wav" / (name + ".wav")).string();
}

bool ReadCorpusIndex(const std::string& folder, int32_t sampleRate,
                     std::vector<CorpusRecording>* recordings, std::string* error) {
  std::error_code ec;
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(folder) / "lab", ec)) {
    if (entry.path().extension() == ".lab") names.push_back(entry.path().stem().string());
  }
  if (ec || names.empty()) {
    *error = "the corpus folder " + folder + " has no lab/*.lab files; install festvox-ru.";
    return false;
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    CorpusRecording r;
    r.name = name;
    const std::string lab = (fs::path(folder) / "lab" / (name + ".lab")).string();
    const std::string track = (fs::path(folder) / "mcep" / (name + ".mcep")).string();
    std::string text, bytes, why;
    if (!ReadWholeFile(lab, &text) || !ParseCorpusLabels(text, sampleRate, &r.segments, &why)) {
      *error = lab + ": " + (why.empty() ? "cannot be read." : why);
      return false;
    }
    if (!ReadWholeFile(track, &bytes) || !ParseTrackTimes(bytes, sampleRate, &r.frames, &why)) {
      *error = track + ": " + (why.empty() ? "cannot be read." : why);
      return false;
    }
    recordings->push_back(std::move(r));
  }
  return true;
}

const std::vector<std::vector<int32_t>>& CorpusAlternatives(char phoneme) {
  static const std::vector<std::vector<std::vector<int32_t>>> table = [] {
    std::vector<std::vector<std::vector<int32_t>>> t(128);
    for (const auto& [c, names] : Alternatives()) {
      for (const std::string& sequence : names) {
        std::vector<int32_t> phones;
        std::istringstream in(sequence);
        std::string name;
        while (in >> name)
          phones.push_back(CorpusPhoneIndex(name));
        t[static_cast<size_t>(c)].push_back(phones);
      }
    }
    return t;
  }();
  static const std::vector<std::vector<int32_t>> none;
  const auto code = static_cast<unsigned char>(phoneme);
  return code < 128 ? table[code] : none;
}

std::string CorpusSequenceName(const std::vector<int32_t>& sequence) {
  std::string name;
  for (int32_t p : sequence) {
    if (!name.empty()) name += '+';
    name += CorpusPhoneAt(p).name;
  }
  return name;
}

}  // namespace brelvox::voicebuild
