// The dictionary as the page uses it: for each folded English or Bulgarian key, its translations,
// most useful first; plus English irregular forms with their base forms. Built from the source
// entries at build time, stored in SQLite, loaded whole into memory by the service.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "page/dictionary_sources.h"

namespace brelvox::page {

enum class Direction { kBulgarianToEnglish, kEnglishToBulgarian };

// How many translations the database keeps for one key.
inline constexpr std::size_t kStoredTranslations = 8;

struct DictionaryTables {
  std::unordered_map<std::string, std::vector<std::string>> english_to_bulgarian;
  std::unordered_map<std::string, std::vector<std::string>> bulgarian_to_english;
  // The verb senses alone of English words that are also other parts of speech.
  std::unordered_map<std::string, std::vector<std::string>> english_verbs;
  // The noun senses alone of words that are nouns first and verbs too.
  std::unordered_map<std::string, std::vector<std::string>> english_nouns;
  std::unordered_map<std::string, std::vector<std::string>> english_bases;  // "went" -> {"go"}
  std::unordered_set<std::string> english_verb_forms;  // irregular verb forms: stuck, went
  std::unordered_map<std::string, std::vector<std::string>>
      bulgarian_bases;  // "децата" -> {"дете"}
  // Forms that are words of their own but far more often a form of another word: "saw" -> "see",
  // "казах" -> "кажа". The base form's translations come first.
  std::unordered_map<std::string, std::string> english_base_first;
  std::unordered_map<std::string, std::string> bulgarian_base_first;

  const std::vector<std::string>* Find(Direction direction, const std::string& key) const;
  const std::unordered_map<std::string, std::vector<std::string>>& Bases(Direction direction) const;
  const std::unordered_map<std::string, std::string>& BaseFirst(Direction direction) const;
};

class WordStemmer;

// What ranks translations beyond the dictionary's own order: word counts of each language (one
// word form and its count, any order), the hand list of Bulgarian irregular forms, a hand-written
// supplement of main senses, and stemmers that give the base forms of the counted words (either
// may be null).
struct RankingData {
  std::vector<std::pair<std::string, double>> bulgarian_counts;
  std::vector<std::pair<std::string, double>> english_counts;
  std::vector<WordForm> bulgarian_forms;
  const WordStemmer* bulgarian = nullptr;
  const WordStemmer* english = nullptr;
};

// Counts of each base form: the counts of every counted form whose base it is, its own included.
using LemmaCounts = std::unordered_map<std::string, double>;
LemmaCounts CountLemmas(const std::vector<std::pair<std::string, double>>& counts,
                        const std::vector<WordForm>& forms, const WordStemmer* stemmer);

// Ranks the translations of every headword and builds the reverse index. With c(w) the count of a
// word's base form in its language (CountLemmas; a phrase takes its rarest word), each translation
// t of an English headword h scores
//   sum over the senses of h that list t of (2 if t is the sense's first item, else 1) x (2 if the
//   sense belongs to h's main part of speech, else 1) (a computer-terms sense: 0.5), plus
//   2.5 x log10(1 + c(t)), minus 3 for a phrase; the main part of speech is the verb when h's
//   -ing form is at least a quarter as frequent as h, else the noun (when h has both). Ties keep
//   the dictionary's order.
// Each English headword h that lists a Bulgarian word b is a candidate for b, scoring 6, 3 or 1 if
//   b is h's first, second or third translation, plus 4 x the share of h's senses that list b,
//   plus 2.5 x log10(1 + c(h)), minus 3 for a phrase; affixes are left out.
// Supplement entries are written as main senses and go before everything else of their key, in
// the order written; they count for the verb's and the noun's own lists (english_verbs,
// english_nouns) unless the dictionary gives the word only as another part of speech.
DictionaryTables BuildTables(const std::vector<SourceEntry>& entries,
                             const std::vector<WordForm>& english_forms,
                             const RankingData& ranking = {});

bool WriteDatabase(const DictionaryTables& tables, const std::string& path, std::string* error);
bool ReadDatabase(const std::string& path, DictionaryTables* tables, std::string* error);

}  // namespace brelvox::page
