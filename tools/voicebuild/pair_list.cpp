#include "pair_list.h"

#include <fstream>
#include <set>
#include <sstream>

#include "donor_phonemes.h"
#include "engine/core/sound/phoneme_set.h"

namespace brelvox::voicebuild {

std::vector<PhonemePair> DefaultPairList() {
  std::vector<PhonemePair> pairs;
  for (char left : kVoiceIndexOrder) {
    for (char right : kVoiceIndexOrder) {
      if (PairMakesSense(left, right)) pairs.emplace_back(left, right);
    }
  }
  return pairs;
}

bool ParsePairList(const std::string& text, std::vector<PhonemePair>* pairs, std::string* error) {
  std::istringstream in(text);
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    std::string chars;
    for (char c : line) {
      if (c != ' ' && c != '\t' && c != '\r') chars += c;
    }
    if (chars.empty() || chars.rfind("--", 0) == 0) continue;
    if (chars.size() != 2 || VoiceIndexOf(chars[0]) < 0 || VoiceIndexOf(chars[1]) < 0) {
      *error = "line " + std::to_string(lineNumber) + " (\"" + line +
               "\") is not a pair of phoneme characters; write two of \"" +
               std::string(PhonemeAlphabet) + "\" on each line.";
      return false;
    }
    pairs->emplace_back(chars[0], chars[1]);
  }
  return true;
}

bool ReadPairFile(const std::string& path, std::vector<PhonemePair>* pairs, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = "cannot read the pair file " + path + "; check the path.";
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  std::string parseError;
  if (!ParsePairList(text.str(), pairs, &parseError)) {
    *error = path + ": " + parseError;
    return false;
  }
  return true;
}

void MergePairs(std::vector<PhonemePair>* pairs, const std::vector<PhonemePair>& more) {
  std::set<PhonemePair> seen(pairs->begin(), pairs->end());
  for (const PhonemePair& p : more) {
    if (seen.insert(p).second) pairs->push_back(p);
  }
}

}  // namespace brelvox::voicebuild
