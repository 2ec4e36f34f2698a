#include "donor_phonemes.h"

#include <array>

namespace brelvox::voicebuild {

namespace {

constexpr bool V = true;   // voiced
constexpr bool U = false;  // voiceless

// clang-format off
constexpr std::array<DonorPhoneme, 53> kTable = {{
    // phoneme, mnemonic, vowel, stressed, voiced, closure, palatalised
    {'A', "a",   true,  true,  V, false, false},
    {'a', "a",   true,  false, V, false, false},
    {'E', "e",   true,  true,  V, false, false},
    {'e', "e",   true,  false, V, false, false},
    {'I', "i",   true,  true,  V, false, false},
    {'i', "i",   true,  false, V, false, false},
    {'O', "o",   true,  true,  V, false, false},
    {'o', "o",   true,  false, V, false, false},
    {'U', "u",   true,  true,  V, false, false},
    {'u', "u",   true,  false, V, false, false},
    {'Y', "@",   true,  true,  V, false, false},
    {'y', "@",   true,  false, V, false, false},
    {'b', "b",   false, false, V, true,  false},
    {'w', "v",   false, false, V, false, false},
    {'g', "g",   false, false, V, true,  false},
    {'d', "d",   false, false, V, true,  false},
    {'v', "Z",   false, false, V, false, false},
    {'z', "z",   false, false, V, false, false},
    {'k', "k",   false, false, U, true,  false},
    {'l', "l",   false, false, V, false, false},
    {'L', "l;",  false, false, V, false, true},
    {'m', "m",   false, false, V, false, false},
    {'n', "n",   false, false, V, false, false},
    {'p', "p",   false, false, U, true,  false},
    {'r', "r",   false, false, V, false, false},
    {'s', "s",   false, false, U, false, false},
    {'t', "t",   false, false, U, true,  false},
    {'f', "f",   false, false, U, false, false},
    {'h', "x",   false, false, U, false, false},
    {'c', "ts",  false, false, U, true,  false},
    {'4', "tS",  false, false, U, true,  false},
    {'6', "S",   false, false, U, false, false},
    {'j', "j",   false, false, V, false, false},
    {'\'', ";",  false, false, V, false, false},
    {'#', "dZ",  false, false, V, true,  false},
    {'%', "dz",  false, false, V, true,  false},
    {'_', "_",   false, false, U, false, false},
    {'B', "b;",  false, false, V, true,  true},
    {'W', "v;",  false, false, V, false, true},
    {'G', "g;",  false, false, V, true,  true},
    {'D', "d;",  false, false, V, true,  true},
    {'Z', "z;",  false, false, V, false, true},
    {'&', "Z;",  false, false, V, false, true},
    {'K', "k;",  false, false, U, true,  true},
    {'M', "m;",  false, false, V, false, true},
    {'N', "n;",  false, false, V, false, true},
    {'P', "p;",  false, false, U, true,  true},
    {'R', "r;",  false, false, V, false, true},
    {'S', "s;",  false, false, U, false, true},
    {'T', "t;",  false, false, U, true,  true},
    {'F', "f;",  false, false, U, false, true},
    {'H', "x;",  false, false, U, false, true},
    {'C', "ts;", false, false, U, true,  true},
}};
// clang-format on

bool IsVowel(char phoneme) {
  const DonorPhoneme* p = FindDonorPhoneme(phoneme);
  return p != nullptr && p->vowel;
}

bool NeedsVowelAfter(char phoneme) {
  const DonorPhoneme* p = FindDonorPhoneme(phoneme);
  return p != nullptr && (p->palatalised || phoneme == kGlidePhoneme);
}

}  // namespace

const DonorPhoneme* FindDonorPhoneme(char phoneme) {
  for (const DonorPhoneme& p : kTable) {
    if (p.phoneme == phoneme) return &p;
  }
  return nullptr;
}

bool PairMakesSense(char left, char right) {
  if (FindDonorPhoneme(left) == nullptr || FindDonorPhoneme(right) == nullptr) return false;
  if (NeedsVowelAfter(left) && !IsVowel(right)) return false;
  if (right == kGlidePhoneme && !IsVowel(left)) return false;
  return true;
}

std::string DonorPhonemeText(std::string_view phonemes) {
  std::string text;
  for (size_t i = 0; i < phonemes.size(); ++i) {
    const char c = phonemes[i];
    const DonorPhoneme* p = FindDonorPhoneme(c);
    if (p == nullptr || c == '_') continue;
    if (!text.empty()) text += '|';
    if (p->stressed) text += '\'';
    // The donor's plain l melts into the vowel before it when a consonant follows; its
    // syllable-final l keeps a phoneme of its own.
    const bool consonantNext =
        i + 1 < phonemes.size() && phonemes[i + 1] != '_' && !IsVowel(phonemes[i + 1]);
    // The donor drops its glide before j; a short i stands for it there.
    const bool glideBeforeJ =
        c == kGlidePhoneme && i + 1 < phonemes.size() && phonemes[i + 1] == 'j';
    text += c == 'l' && consonantNext ? "l/" : (glideBeforeJ ? "i" : p->mnemonic);
  }
  return text;
}

}  // namespace brelvox::voicebuild
