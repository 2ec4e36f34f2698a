#include "tools/lexicon/user_lexicon.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>

#include "engine/core/sound/phoneme_set.h"
#include "engine/core/symbols.h"
#include "platform/com/unicode.h"
#include "platform/registry/registry.h"
#include "tools/grammarc/source.h"
#include "tools/grammarc/user_dictionary.h"

namespace brelvox::lexicon {

namespace {

// The grammar's letters, upper case at the same place as its lower-case partner.
constexpr std::u16string_view kLowerLetters = u"абвгдежзийклмнопрстуфхцчшщъьюяѝѐ";
constexpr std::u16string_view kUpperLetters = u"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЬЮЯЍЀ";
constexpr std::string_view kStressedVowels = "AEIOUY";
constexpr std::string_view kVowels = "AaEeIiOoUuYy";

// The UTF-8 characters of a text, one string each (a stray byte stands alone).
std::vector<std::string> Characters(const std::string& text) {
  std::vector<std::string> characters;
  for (size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (at + length > text.size()) length = text.size() - at;
    characters.push_back(text.substr(at, length));
    at += length;
  }
  return characters;
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string SystemError() {
  return std::strerror(errno);
}

// Writes `bytes` to a new temporary file beside `path`; its name goes to `temp`.
bool WriteTemporary(const std::string& path, const void* bytes, size_t size, std::string* temp,
                    std::string* error) {
  *temp = path + ".XXXXXX";
  const int fd = mkstemp(temp->data());
  if (fd < 0) {
    *error = "cannot write beside " + path + " (" + SystemError() + "); check the folder";
    return false;
  }
  fchmod(fd, 0600);  // the user's own data
  const auto* data = static_cast<const char*>(bytes);
  size_t written = 0;
  while (written < size) {
    const ssize_t n = write(fd, data + written, size - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  const bool ok = written == size && fsync(fd) == 0;
  const std::string reason = SystemError();
  close(fd);
  if (!ok) {
    *error = "cannot write " + *temp + " (" + reason + "); check the free space";
    unlink(temp->c_str());
    return false;
  }
  return true;
}

void MakeFolders(const std::string& folder) {
  for (size_t at = 1; at <= folder.size(); ++at) {
    if (at == folder.size() || folder[at] == '/') mkdir(folder.substr(0, at).c_str(), 0700);
  }
}

}  // namespace

UserLexiconFiles UserLexiconLocation() {
  const std::string registry = RegistryFilePath();
  UserLexiconFiles files;
  files.folder = registry.substr(0, registry.find_last_of('/'));
  files.entries = files.folder + "/lexicon.txt";
  files.dictionary = files.folder + "/lexicon.userdict";
  files.lock = files.folder + "/lexicon.lock";
  return files;
}

bool NormalizeLexiconWord(const std::string& word, std::string* normalized, std::string* error) {
  if (word.empty()) {
    *error = "the word is empty; give a word of Bulgarian letters";
    return false;
  }
  const std::vector<std::string> characters = Characters(word);
  if (characters.size() > kMaxLexiconWordLetters) {
    *error = "the word " + Quoted(word.substr(0, 40)) + "... has " +
             std::to_string(characters.size()) + " letters; a word of the lexicon has at most " +
             std::to_string(kMaxLexiconWordLetters);
    return false;
  }
  std::u16string lower;
  for (const std::string& character : characters) {
    const std::u16string unit = Utf8ToUtf16(character);
    size_t at = unit.size() == 1 ? kLowerLetters.find(unit[0]) : std::u16string_view::npos;
    if (at == std::u16string_view::npos && unit.size() == 1) at = kUpperLetters.find(unit[0]);
    if (unit == u"\u0301") {
      *error = "the word " + Quoted(word) +
               " holds a stress mark; write the word without it and its stressed vowel in upper "
               "case in the pronunciation";
      return false;
    }
    if (at == std::u16string_view::npos) {
      *error = "the word " + Quoted(word) + " holds " + Quoted(character) +
               ", which is not a Bulgarian letter; the lexicon takes single words of Bulgarian "
               "letters";
      return false;
    }
    lower += kLowerLetters[at];
  }
  *normalized = Utf16ToUtf8(lower);
  return true;
}

bool CheckPronunciation(const std::string& pronunciation, std::string* error) {
  if (pronunciation.empty()) {
    *error =
        "the pronunciation is empty; write the word's phonemes with the stressed vowel in "
        "upper case, e.g. kOtka";
    return false;
  }
  const std::vector<std::string> characters = Characters(pronunciation);
  if (characters.size() > kMaxPronunciationPhonemes) {
    *error = "the pronunciation has " + std::to_string(characters.size()) +
             " phonemes; a pronunciation of the lexicon has at most " +
             std::to_string(kMaxPronunciationPhonemes);
    return false;
  }
  bool vowel = false, stressed = false;
  for (const std::string& character : characters) {
    const char c = character.size() == 1 ? character[0] : '\0';
    if (c == kPausePhoneme) {
      *error = "the pronunciation " + Quoted(pronunciation) + " holds " + Quoted(character) +
               ", the pause, which cannot stand inside a word; leave it out";
      return false;
    }
    if (c == '\0' || PhonemeAlphabet.find(c) == std::string_view::npos) {
      *error = "the pronunciation " + Quoted(pronunciation) + " holds " + Quoted(character) +
               ", which is not a phoneme; use the characters "
               "AaEeIiOoUuYy bwgdvzklLmnprstfhc46j'#% BWGDZ&KMNPRSTFHC";
      return false;
    }
    vowel = vowel || kVowels.find(c) != std::string_view::npos;
    stressed = stressed || kStressedVowels.find(c) != std::string_view::npos;
  }
  if (vowel && !stressed) {
    *error = "the pronunciation " + Quoted(pronunciation) +
             " has no stressed vowel; write the stressed vowel in upper case, e.g. kOtka";
    return false;
  }
  return true;
}

bool ReadUserLexicon(const std::string& path, UserLexicon* lexicon, std::string* error) {
  lexicon->clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (access(path.c_str(), F_OK) != 0) return true;  // no entries yet
    *error = "cannot read " + path + "; check its permissions";
    return false;
  }
  std::map<std::string, int> lines;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream fields(line);
    std::string word, pronunciation, extra;
    if (!(fields >> word) || word[0] == '#') continue;
    const std::string where = path + " line " + std::to_string(number) + ": ";
    if (!(fields >> pronunciation) || (fields >> extra)) {
      *error = where + "an entry is a word and its pronunciation; correct or remove the line";
      return false;
    }
    std::string normalized, reason;
    if (!NormalizeLexiconWord(word, &normalized, &reason) ||
        !CheckPronunciation(pronunciation, &reason)) {
      *error = where + reason;
      return false;
    }
    if (auto [it, added] = lines.emplace(normalized, number); !added) {
      *error = where + Quoted(normalized) + " is already given at line " +
               std::to_string(it->second) + "; keep one of the lines";
      return false;
    }
    (*lexicon)[normalized] = pronunciation;
  }
  if (in.bad()) {
    *error = "cannot read " + path + "; check the file";
    return false;
  }
  return true;
}

std::string FormatUserLexicon(const UserLexicon& lexicon) {
  std::string text =
      "# Your own pronunciations: a word, then its phonemes with the stressed vowel in upper "
      "case.\n# Edited by brelvox lexicon add and remove, which also recompile lexicon.userdict.\n";
  for (const auto& [word, pronunciation] : lexicon)
    text += word + " " + pronunciation + "\n";
  return text;
}

std::vector<int32_t> UserDictionaryReplacement(const std::string& word,
                                               const std::string& pronunciation) {
  std::vector<int32_t> symbols{kSettledSymbol};
  for (char16_t unit : Utf8ToUtf16(word))
    symbols.push_back(unit);
  for (char c : pronunciation) {
    symbols.push_back(PhonemeBase + static_cast<int32_t>(PhonemeAlphabet.find(c)));
    const bool stressed = kStressedVowels.find(c) != std::string_view::npos;
    symbols.push_back(StressBase + (stressed ? kStressedVowelStress : kUnstressedStress));
  }
  symbols.push_back(kSettledSymbol);
  return symbols;
}

bool CompileUserLexicon(const UserLexicon& lexicon, std::vector<int32_t>* words,
                        std::string* error) {
  std::vector<brelvox::grammarc::DictionaryEntry> entries;
  for (const auto& [word, pronunciation] : lexicon) {
    brelvox::grammarc::DictionaryEntry entry;
    for (char16_t unit : Utf8ToUtf16(word))
      entry.word.push_back(unit);
    entry.replacement = UserDictionaryReplacement(word, pronunciation);
    entries.push_back(std::move(entry));
  }
  // A word lies between two of the grammar's word markers: a word's own or a clitic's. Each
  // boundary symbol costs a table row in every state of the dictionary, so the set holds only the
  // markers the grammar puts around words (the whole word-marker range would make the file about
  // ten times larger).
  brelvox::grammarc::SymbolSet wordMarkers;
  wordMarkers.symbols = {kFirstWordMarker, kCliticWordMarker};
  try {
    *words = brelvox::grammarc::CompileUserDictionary(entries, wordMarkers);
  } catch (const brelvox::grammarc::CompileError& e) {
    *error = "the user dictionary cannot be compiled: " + e.message();
    return false;
  }
  return true;
}

UserLexiconLock::UserLexiconLock(const std::string& path) {
  MakeFolders(path.substr(0, path.find_last_of('/')));
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
    close(fd_);
    fd_ = -1;
  }
}

UserLexiconLock::~UserLexiconLock() {
  if (fd_ >= 0) close(fd_);
}

bool SaveUserLexicon(const UserLexiconFiles& files, const UserLexicon& lexicon,
                     std::string* error) {
  std::vector<int32_t> words;
  if (!CompileUserLexicon(lexicon, &words, error)) return false;
  MakeFolders(files.folder);
  // The file is little-endian 32-bit words, as this machine stores them.
  static_assert(std::endian::native == std::endian::little);
  const std::string text = FormatUserLexicon(lexicon);
  std::string dictionaryTemp, entriesTemp;
  if (!WriteTemporary(files.dictionary, words.data(), words.size() * sizeof(int32_t),
                      &dictionaryTemp, error)) {
    return false;
  }
  if (!WriteTemporary(files.entries, text.data(), text.size(), &entriesTemp, error)) {
    unlink(dictionaryTemp.c_str());
    return false;
  }
  // Both files are complete before either replaces its old version.
  if (std::rename(dictionaryTemp.c_str(), files.dictionary.c_str()) != 0) {
    *error = "cannot replace " + files.dictionary + " (" + SystemError() + "); check the folder";
    unlink(dictionaryTemp.c_str());
    unlink(entriesTemp.c_str());
    return false;
  }
  if (std::rename(entriesTemp.c_str(), files.entries.c_str()) != 0) {
    *error = "cannot replace " + files.entries + " (" + SystemError() + "); check the folder";
    unlink(entriesTemp.c_str());
    return false;
  }
  return true;
}

}  // namespace brelvox::lexicon
