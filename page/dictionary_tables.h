// The dictionary as the page uses it: for each folded English or Bulgarian key, its translations,
// most useful first; plus English irregular forms with their base forms. Built from the source
// entries at build time, stored in SQLite, loaded whole into memory by the service.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "page/dictionary_sources.h"

namespace brelvox::page {

enum class Direction { kBulgarianToEnglish, kEnglishToBulgarian };

// How many translations the database keeps for one key.
inline constexpr std::size_t kStoredTranslations = 8;

struct DictionaryTables {
  std::unordered_map<std::string, std::vector<std::string>> english_to_bulgarian;
  std::unordered_map<std::string, std::vector<std::string>> bulgarian_to_english;
  std::unordered_map<std::string, std::vector<std::string>> english_bases;  // "went" -> {"go"}

  const std::vector<std::string>* Find(Direction direction, const std::string& key) const;
};

// Ranks the translations of every headword and builds the reverse index.
//
// English to Bulgarian, for one headword (all its parts of speech together): a translation ranks
// higher the more senses of the headword it serves; then a single word before a phrase; then the
// more English headwords it translates
// in the whole dictionary (a general word before a narrow one); then by first appearance, general
// dictionary before computer terms. Spellings that differ only in stress marks are one translation,
// shown with the marks.
//
// Bulgarian to English: each English headword that has the Bulgarian word among its translations
// is a candidate, scored by how many of its senses the word serves and by how high the word stands
// in its list (a headword whose main translation it is comes first); affixes are left out, phrases
// rank after single words; ties go to the headword with more senses (common words have many), then
// to the shorter one.
DictionaryTables BuildTables(const std::vector<SourceEntry>& entries,
                             const std::vector<EnglishForm>& forms);

bool WriteDatabase(const DictionaryTables& tables, const std::string& path, std::string* error);
bool ReadDatabase(const std::string& path, DictionaryTables* tables, std::string* error);

}  // namespace brelvox::page
