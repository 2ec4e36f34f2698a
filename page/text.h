// Text helpers of the translation page: UTF-8 decoding, case and stress folding, the request cut
// and the split of a phrase into words and the text between them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brelvox::page {

// The combining acute accent that marks the stressed vowel of a Bulgarian word.
inline constexpr char32_t kStressMark = 0x0301;

// The longest request the translator sends, in UTF-16 code units.
inline constexpr std::size_t kMaxRequestUnits = 99;

bool IsValidUtf8(std::string_view text);
std::u32string DecodeUtf8(std::string_view text);  // invalid bytes become U+FFFD
std::string EncodeUtf8(std::u32string_view text);

char32_t ToLower(char32_t c);  // Latin, Latin-1, Greek and Cyrillic; others unchanged
char32_t ToUpper(char32_t c);
bool IsLetter(char32_t c);  // letters of the scripts above
bool IsCyrillic(char32_t c);
bool HasCyrillic(std::string_view text);

// The first kMaxRequestUnits UTF-16 code units of text, as the translator cuts its request; a
// character that would be split in half is left out whole. Sets *was_cut when anything was dropped.
std::string CutRequest(std::string_view text, bool* was_cut = nullptr);

// The form under which the dictionary files a word or phrase: lower case, without stress marks,
// runs of white space made one space, no space at either end.
std::string FoldKey(std::string_view text);

// The same with the stress marks kept (used to pick the stressed spelling of a translation).
std::string StripStress(std::string_view text);

// Capitalises the first letter (for a translation of a capitalised word).
std::string CapitalizeFirst(std::string_view text);
// Puts the first letter in lower case.
std::string LowercaseFirst(std::string_view text);
// True when the first letter is lower case.
bool StartsLowerCase(std::string_view text);
// True when the first letter is upper case and the text is not all upper case.
bool IsCapitalized(std::string_view text);

// One piece of a phrase: a word (letters, with inner apostrophes, hyphens and stress marks) or the
// text between words (spaces, digits, punctuation), kept as it stands.
struct Token {
  std::string text;
  bool is_word = false;
};
std::vector<Token> Tokenize(std::string_view text);

}  // namespace brelvox::page
