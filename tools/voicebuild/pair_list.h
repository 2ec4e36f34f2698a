// The ordered phoneme pairs a voice must hold: by default every pair that makes sense in
// Bulgarian, or the pairs named in a file (for instance collected by running text through the
// compiled grammar).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace brelvox::voicebuild {

using PhonemePair = std::pair<char, char>;

// Every ordered pair of the 53 phonemes for which PairMakesSense holds, in unit-table order.
std::vector<PhonemePair> DefaultPairList();

// Reads a pair file: one pair a line, the two phoneme characters written together or separated by
// blanks; empty lines and lines starting with "--" are skipped. False with a message naming the
// line when a line does not hold two phoneme characters or the file cannot be read.
bool ReadPairFile(const std::string& path, std::vector<PhonemePair>* pairs, std::string* error);

// Parses the text of a pair file (as ReadPairFile).
bool ParsePairList(const std::string& text, std::vector<PhonemePair>* pairs, std::string* error);

// Appends the pairs of `more` that `pairs` does not hold yet, in their order.
void MergePairs(std::vector<PhonemePair>* pairs, const std::vector<PhonemePair>& more);

// A list of wanted pairs and where it came from, for the coverage report.
struct PairSource {
  std::string name;
  std::vector<PhonemePair> pairs;
};

}  // namespace brelvox::voicebuild
