// Base forms of inflected words, through hunspell's affix rules (Bulgarian and English) and the
// English irregular forms kept in the dictionary.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class Hunspell;

namespace brelvox::page {

class WordStemmer {
 public:
  // Loads a hunspell dictionary (the .aff and .dic pair). Returns null with *error set on failure.
  static std::unique_ptr<WordStemmer> Load(const std::string& aff_path, const std::string& dic_path,
                                           std::string* error);
  ~WordStemmer();
  WordStemmer(const WordStemmer&) = delete;
  WordStemmer& operator=(const WordStemmer&) = delete;

  // The base forms hunspell finds for a word (folded to lower case), the word itself left out.
  // Safe to call from several threads.
  std::vector<std::string> Stems(const std::string& word) const;
  // True when hunspell knows the word as it is written.
  bool Knows(const std::string& word) const;

 private:
  explicit WordStemmer(std::unique_ptr<Hunspell> hunspell);
  std::unique_ptr<Hunspell> hunspell_;
  mutable std::mutex mutex_;
};

}  // namespace brelvox::page
