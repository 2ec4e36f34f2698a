#include "page/morphology.h"

#include <sys/stat.h>
#include <hunspell.hxx>

#include <algorithm>

#include "page/text.h"

namespace brelvox::page {

WordStemmer::WordStemmer(std::unique_ptr<Hunspell> hunspell) : hunspell_(std::move(hunspell)) {}
WordStemmer::~WordStemmer() = default;

std::unique_ptr<WordStemmer> WordStemmer::Load(const std::string& aff_path,
                                               const std::string& dic_path, std::string* error) {
  struct stat st {};
  for (const auto* path : {&aff_path, &dic_path}) {
    if (stat(path->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      *error = "The word-form dictionary " + *path + " is missing; rebuild the target page-data.";
      return nullptr;
    }
  }
  return std::unique_ptr<WordStemmer>(
      new WordStemmer(std::make_unique<Hunspell>(aff_path.c_str(), dic_path.c_str())));
}

std::vector<std::string> WordStemmer::Stems(const std::string& word) const {
  if (word.empty() || word.size() > 200) return {};
  std::vector<std::string> raw;
  {
    std::lock_guard lock(mutex_);
    raw = hunspell_->stem(word);
  }
  const std::string self = FoldKey(word);
  std::vector<std::string> out;
  for (const auto& s : raw) {
    std::string k = FoldKey(s);
    if (k.empty() || k == self || std::find(out.begin(), out.end(), k) != out.end()) continue;
    out.push_back(std::move(k));
  }
  return out;
}

bool WordStemmer::Knows(const std::string& word) const {
  if (word.empty() || word.size() > 200) return false;
  std::lock_guard lock(mutex_);
  return hunspell_->spell(word);
}

}  // namespace brelvox::page
