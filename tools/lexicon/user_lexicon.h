// The user's own pronunciations: a plain text file of entries (`lexicon.txt`, one `WORD
// PRONUNCIATION` a line, UTF-8) beside the platform's registry file, and the user dictionary
// compiled from it (`lexicon.userdict`) that voice tokens name as their UserDictData.
//
// The compiled dictionary follows the conventions of the Bulgarian grammar's user stage: it runs
// after the words are marked and lower-cased, a word is what lies between two word markers, and an
// entry replaces the word by the word itself, then each phoneme followed by its stress symbol, the
// whole bracketed by the Settled symbol so that the later stages leave it alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace brelvox::lexicon {

// Word (lower case, UTF-8) to pronunciation (phoneme characters).
using UserLexicon = std::map<std::string, std::string>;

inline constexpr int32_t kSettledSymbol = 0x12000;
inline constexpr int32_t kCliticWordMarker = 0x10004;  // opens and closes unstressed words
inline constexpr int32_t kStressedVowelStress = 7;
inline constexpr int32_t kUnstressedStress = 5;
// No Bulgarian word needs more than a few dozen letters; longer ones are refused.
inline constexpr size_t kMaxLexiconWordLetters = 64;
inline constexpr size_t kMaxPronunciationPhonemes = 128;

struct UserLexiconFiles {
  std::string folder;      // the registry file's folder
  std::string entries;     // lexicon.txt
  std::string dictionary;  // lexicon.userdict
  std::string lock;        // lexicon.lock, held while the files are read and replaced
};

// The files beside the registry file ($BRELVOX_REGISTRY, $XDG_CONFIG_HOME/brelvox, or
// ~/.config/brelvox).
UserLexiconFiles UserLexiconLocation();

// The word as the grammar sees it at the user stage (Bulgarian letters, lower case). False with a
// one-sentence reason when it is not a single word of Bulgarian letters or is longer than
// kMaxLexiconWordLetters.
bool NormalizeLexiconWord(const std::string& word, std::string* normalized, std::string* error);

// False with a one-sentence reason naming the first bad character when the pronunciation is
// empty, holds a character that is not a phoneme (or the pause), or has vowels but no stressed
// (upper-case) one.
bool CheckPronunciation(const std::string& pronunciation, std::string* error);

// Reads the entries file; a missing file is an empty lexicon. False with the reason (naming the
// line) when the file cannot be read or a line is not a valid entry.
bool ReadUserLexicon(const std::string& path, UserLexicon* lexicon, std::string* error);

// The entries file's text: a comment line, then the entries in word order.
std::string FormatUserLexicon(const UserLexicon& lexicon);

// The symbols that replace a normalized word in the stream.
std::vector<int32_t> UserDictionaryReplacement(const std::string& word,
                                               const std::string& pronunciation);

// The user dictionary file's words for the lexicon. False with the reason when it cannot be
// compiled.
bool CompileUserLexicon(const UserLexicon& lexicon, std::vector<int32_t>* words,
                        std::string* error);

// An exclusive lock on the lexicon files while it lives: another brelvox editing them waits.
class UserLexiconLock {
 public:
  explicit UserLexiconLock(const std::string& path);
  ~UserLexiconLock();
  UserLexiconLock(const UserLexiconLock&) = delete;
  UserLexiconLock& operator=(const UserLexiconLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Compiles the lexicon, then replaces the dictionary file and the entries file, each by writing a
// temporary file beside it and renaming it over the old one. When compiling or writing fails the
// old files stay as they were.
bool SaveUserLexicon(const UserLexiconFiles& files, const UserLexicon& lexicon, std::string* error);

}  // namespace brelvox::lexicon
