// Readers for the dictionary files that Debian ships: the English-Bulgarian dictionary in the dict
// server format, the Bulgarian dictionary of computer terms, and the English irregular word forms.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brelvox::page {

// The supplement is written by hand, main senses only: an English headword with Bulgarian senses,
// or (kSupplementBulgarian) a Bulgarian headword with English senses.
enum class EntrySource {
  kGeneral = 0,
  kComputerTerms = 1,
  kSupplement = 2,
  kSupplementBulgarian = 3
};

// One headword with its senses; each sense lists its Bulgarian translations in the source's order.
struct SourceEntry {
  std::string headword;        // English, as the source writes it
  std::string part_of_speech;  // "n", "v", "adj", "pn", "suffix", ... or empty
  std::vector<std::vector<std::string>> senses;
  EntrySource source = EntrySource::kGeneral;
  // Lines where a translation belongs that gave none (kept for the builder's report).
  std::vector<std::string> unread;
};

// One entry of the English-Bulgarian dictionary: a headline (headword, pronunciations, part of
// speech), then for each sense an optional number, the translations separated by commas and an
// optional English gloss on the next line. A translation line may end with the number of the next
// sense ("вода 2."): then the senses that follow as a bare number and a gloss (" 3.") share its
// translations, and each counts as a sense of its own.
SourceEntry ParseGeneralEntry(std::string_view text);

// Every entry of a dictionary in the dict server format: the index file (headword, offset and
// length in base 64) and the data file, plain or compressed. Returns false with *error set.
// *unread, when given, receives "headword TAB line" for each line that gave no translation where
// one belongs (entries left with no sense at all are dropped).
bool ReadGeneralDictionary(const std::string& index_path, const std::string& data_path,
                           std::vector<SourceEntry>* entries, std::string* error,
                           std::vector<std::string>* unread = nullptr);

// The records of the computer-terms dictionary, already converted to UTF-8: records separated by
// NUL characters, each a headword line followed by part-of-speech markers and translations, with
// sub-entries ("english phrase българска фраза") after semicolons.
std::vector<SourceEntry> ParseComputerTerms(std::string_view utf8_data);

bool ReadComputerTerms(const std::string& path, std::vector<SourceEntry>* entries,
                       std::string* error);

// The hand-written supplement: "en WORD = превод, превод" and "bg ДУМА = word, word" lines, "#"
// comments. Returns false with *error naming the first line it cannot read.
bool ParseSupplement(std::string_view text, std::vector<SourceEntry>* entries, std::string* error);

// An inflected form and its base form: from English exception lists of the form "went go" (verb
// set for the verb list), or from the Bulgarian list of irregular forms ("децата дете").
struct WordForm {
  std::string form;
  std::string base;
  bool verb = false;
  // Made from a listed form rather than listed itself: it leads to its base, but a word of its own
  // keeps its own senses first (дали from дал stays "whether").
  bool derived = false;
};
std::vector<WordForm> ParseEnglishExceptions(std::string_view text, bool verb = false);
// The Bulgarian irregular forms: "FORM BASE" lines, "#" comments; a past participle in -л brings
// its other genders and its plural, marked derived.
std::vector<WordForm> ParseBulgarianForms(std::string_view text);

// Splits a list of Bulgarian translations ("ко́тка, котара́к (мъжка) / котак") into its items,
// dropping notes in parentheses, unwrapping links ("[[надморски|надмо́рска]]" reads надмо́рска)
// and writing Latin look-alike letters inside Cyrillic words as the Cyrillic ones.
std::vector<std::string> SplitTranslations(std::string_view text);

}  // namespace brelvox::page
