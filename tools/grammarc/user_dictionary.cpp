#include "tools/grammarc/user_dictionary.h"

#include <map>
#include <string>

#include "tools/grammarc/compiler.h"
#include "tools/grammarc/symbol_text.h"

namespace brelvox::grammarc {

std::vector<int32_t> CompileUserDictionary(const std::vector<DictionaryEntry>& entries,
                                           const SymbolSet& boundary, bool keep) {
  // Entries are numbered from 1 in messages, as lines of a dictionary file would be.
  std::map<std::vector<int32_t>, LexiconEntry> sorted;
  int number = 0;
  for (const DictionaryEntry& entry : entries) {
    ++number;
    const Location where{"entries", number, 1};
    if (entry.word.empty()) throw CompileError(where, "the entry has an empty word");
    for (int32_t s : entry.word) {
      if (boundary.Contains(s)) {
        throw CompileError(where, "the word holds the boundary symbol " + FormatSymbols({s}) +
                                      "; a word never does");
      }
    }
    auto [it, added] =
        sorted.emplace(entry.word, LexiconEntry{entry.word, entry.replacement, where});
    if (!added && it->second.replacement != entry.replacement) {
      throw CompileError(where, "the word " + FormatSymbols(entry.word) +
                                    " is given twice (entry " +
                                    std::to_string(it->second.where.line) +
                                    ") with another replacement; keep one of them");
    }
  }
  GrammarSource source;
  source.isDictionary = true;
  source.dictionary.kind = StageKind::kLexicon;
  source.dictionary.name = "dictionary";
  source.dictionary.where = Location{"entries", 1, 1};
  source.dictionary.lexicon.keep = keep;
  source.dictionary.lexicon.boundary = boundary;
  for (auto& [word, entry] : sorted)
    source.dictionary.lexicon.entries.push_back(std::move(entry));
  return CompileSource(source).words;
}

}  // namespace brelvox::grammarc
