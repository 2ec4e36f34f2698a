// Readers for the dictionary files that Debian ships: the English-Bulgarian dictionary in the dict
// server format, the Bulgarian dictionary of computer terms, and the English irregular word forms.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brelvox::page {

enum class EntrySource { kGeneral = 0, kComputerTerms = 1 };

// One headword with its senses; each sense lists its Bulgarian translations in the source's order.
struct SourceEntry {
  std::string headword;        // English, as the source writes it
  std::string part_of_speech;  // "n", "v", "adj", "pn", "suffix", ... or empty
  std::vector<std::vector<std::string>> senses;
  EntrySource source = EntrySource::kGeneral;
};

// One entry of the English-Bulgarian dictionary: a headline (headword, pronunciations, part of
// speech), then for each sense an optional number, the translations separated by commas and an
// optional English gloss on the next line.
SourceEntry ParseGeneralEntry(std::string_view text);

// Every entry of a dictionary in the dict server format: the index file (headword, offset and
// length in base 64) and the data file, plain or compressed. Returns false with *error set.
bool ReadGeneralDictionary(const std::string& index_path, const std::string& data_path,
                           std::vector<SourceEntry>* entries, std::string* error);

// The records of the computer-terms dictionary, already converted to UTF-8: records separated by
// NUL characters, each a headword line followed by part-of-speech markers and translations, with
// sub-entries ("english phrase българска фраза") after semicolons.
std::vector<SourceEntry> ParseComputerTerms(std::string_view utf8_data);

bool ReadComputerTerms(const std::string& path, std::vector<SourceEntry>* entries,
                       std::string* error);

// An inflected English form and its base forms, from exception lists of the form "went go".
struct EnglishForm {
  std::string form;
  std::string base;
};
std::vector<EnglishForm> ParseEnglishExceptions(std::string_view text);

// Splits a list of Bulgarian translations ("ко́тка, котара́к (мъжка) / котак") into its items,
// dropping notes in parentheses and question marks.
std::vector<std::string> SplitTranslations(std::string_view text);

}  // namespace brelvox::page
