// What each of the voice's phoneme characters is for the donor synthesizer: the donor's phoneme
// mnemonic, and the classes the voice builder needs (vowel, stress, voicing, closure,
// palatalisation).
#pragma once

#include <string>
#include <string_view>

namespace brelvox::voicebuild {

struct DonorPhoneme {
  char phoneme;          // the voice's phoneme character
  const char* mnemonic;  // the donor's phoneme name, palatalisation written as a trailing ';'
  bool vowel;
  bool stressed;     // an upper-case (stressed) vowel
  bool voiced;       // glottal pulses run through it
  bool closure;      // a stop or affricate: a closure precedes its burst
  bool palatalised;  // spoken only before a vowel
};

// The entry for a phoneme character, or null for a character that is not one.
const DonorPhoneme* FindDonorPhoneme(char phoneme);

inline constexpr char kGlidePhoneme = '\'';

// True when the engine may meet the ordered pair (left, right) in Bulgarian: palatalised
// consonants and the short glide only before vowels, the glide only after vowels, and anything
// next to the pause except those.
bool PairMakesSense(char left, char right);

// The donor's phoneme-input text for a sequence of voice phonemes: mnemonics separated by '|',
// a stress mark before stressed vowels. Pause characters are not allowed here.
std::string DonorPhonemeText(std::string_view phonemes);

}  // namespace brelvox::voicebuild
