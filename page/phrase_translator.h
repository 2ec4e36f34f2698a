// Translation of a word or phrase with the dictionary: a whole entry first, then base forms of an
// inflected word, then word by word with the longest entries that match.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "page/dictionary_tables.h"
#include "page/morphology.h"

namespace brelvox::page {

// How a translation was found.
enum class Method { kExact, kBaseForm, kPhrase, kWordByWord, kNotFound };
std::string_view MethodName(Method method);  // "exact", "base form", "phrase", ...

// The most translations one answer carries.
inline constexpr std::size_t kShownTranslations = 3;

struct Translation {
  std::string text;
  Method method = Method::kNotFound;
  std::string base;  // the base form whose translation this is (method kBaseForm), else empty
};

// One word (or run of words that has its own entry) of a word-by-word translation.
struct WordTranslation {
  std::string source;
  std::string text;  // the source itself when not found
  Method method = Method::kNotFound;
};

struct TranslationResult {
  std::string source;  // the request, cut as the translator cuts it
  bool cut = false;
  Method method = Method::kNotFound;
  std::vector<Translation> translations;  // empty when nothing was found
  std::vector<WordTranslation> words;     // filled for word-by-word translations

  // The translations joined by " <> ", or the source itself when nothing was found.
  std::string Shown() const;
};

// The dictionary and the two stemmers as built into a data folder (dictionary.sqlite, bg_BG and
// en_US .aff/.dic).
struct PageDictionary {
  DictionaryTables tables;
  std::unique_ptr<WordStemmer> bulgarian;
  std::unique_ptr<WordStemmer> english;
};
// Returns false with *error set when the dictionary or a stemmer cannot be loaded.
bool LoadPageDictionary(const std::string& dir, PageDictionary* dictionary, std::string* error);

class PhraseTranslator {
 public:
  // The stemmers may be null: then inflected forms are found only through the irregular forms.
  PhraseTranslator(const DictionaryTables& tables, const WordStemmer* bulgarian,
                   const WordStemmer* english)
      : tables_(tables), bulgarian_(bulgarian), english_(english) {}
  explicit PhraseTranslator(const PageDictionary& dictionary)
      : PhraseTranslator(dictionary.tables, dictionary.bulgarian.get(), dictionary.english.get()) {}

  TranslationResult Translate(Direction direction, std::string_view text) const;

 private:
  // The translations of one word: its own entry, else those of its base forms; a form that is far
  // more often a form of another word ("saw", "казах") shows that word's translations first.
  std::vector<Translation> LookupWord(Direction direction, const std::string& word) const;
  // The Bulgarian prefix of an English form's degree without an entry of its own: "най-" for a
  // superlative, "по-" for a comparative, null for neither.
  const char* Degree(const std::string& key) const;
  // An English -ing or -ed form read through its verb shows the verb's participle second where its
  // own entry lists it (shocking: шокирам, шокиращ), the form's adjective reading.
  void AddParticiple(const std::string& key, std::vector<Translation>* out) const;
  std::vector<std::string> BaseForms(Direction direction, const std::string& key) const;
  // A Bulgarian base form found by taking off an article or plural ending; empty if none is known.
  std::string BulgarianBaseByEnding(const std::string& key) const;
  // A Bulgarian verb's dictionary form (first person singular) from its aorist, imperfect,
  // participle, imperative or present forms by their endings; empty if the dictionary has none.
  std::string BulgarianVerbBase(const std::string& key) const;
  // A Bulgarian adjective in the gender of the noun after it (червен, кола: червена), checked with
  // hunspell; unchanged when no form is known.
  std::string AgreeWithNoun(const std::string& adjective, const std::string& noun) const;
  // A Bulgarian adjective's feminine or neuter form, known to hunspell; empty when it has none
  // (the word is no adjective).
  std::string AdjectiveForm(const std::string& adjective, bool feminine) const;
  // The same for English, by the regular rules (-s, -es, -ies, -men, -ed, -ing, -er, -est).
  std::string EnglishBaseByEnding(const std::string& key) const;

  const DictionaryTables& tables_;
  const WordStemmer* bulgarian_;
  const WordStemmer* english_;
};

}  // namespace brelvox::page
