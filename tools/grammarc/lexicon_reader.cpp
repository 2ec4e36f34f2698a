#include "tools/grammarc/lexicon_reader.h"

#include <map>
#include <sstream>

#include "tools/grammarc/source_file.h"
#include "tools/grammarc/symbol_text.h"

namespace brelvox::grammarc {

std::vector<LexiconEntry> ReadLexiconFile(const std::string& path, const Location& from,
                                          const ReplacementParser& replacement) {
  std::istringstream in(ReadSourceFile(path, from, "the lexicon"));
  std::map<std::vector<int32_t>, LexiconEntry> entries;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    LexiconEntry entry;
    entry.where = Location{path, number, 1};
    size_t rest;
    if (line[start] == '"') {
      std::string quoted = line.substr(start);
      std::vector<Token> tokens = LexLine(quoted, path, number);
      entry.word = tokens[0].symbols;
      rest = start + tokens[0].text.size();
    } else {
      size_t end = line.find_first_of(" \t", start);
      if (end == std::string::npos) end = line.size();
      auto word = Utf8ToSymbols(std::string_view(line).substr(start, end - start));
      if (!word) throw CompileError(entry.where, "the word is not valid UTF-8");
      entry.word = *word;
      rest = end;
    }
    if (entry.word.empty()) throw CompileError(entry.where, "the entry has an empty word");
    if (entry.word.size() > kMaxLexiconWordSymbols) {
      throw CompileError(entry.where, "the word has " + std::to_string(entry.word.size()) +
                                          " symbols; a lexicon word has at most " +
                                          std::to_string(kMaxLexiconWordSymbols));
    }
    // The replacement: the rest of the line in source syntax (columns stay right).
    size_t characters = 0;
    for (size_t k = 0; k < rest; ++k)
      characters += (static_cast<unsigned char>(line[k]) & 0xC0) != 0x80 ? 1 : 0;
    std::string tail = std::string(characters, ' ') + line.substr(rest);
    std::vector<Token> tokens = LexLine(tail, path, number);
    entry.replacement = replacement(tokens);
    auto [it, added] = entries.emplace(entry.word, entry);
    if (!added && it->second.replacement != entry.replacement) {
      throw CompileError(entry.where, "the word is already in the lexicon at line " +
                                          std::to_string(it->second.where.line) +
                                          " with another replacement; keep one of them");
    }
  }
  std::vector<LexiconEntry> sorted;
  sorted.reserve(entries.size());
  for (auto& [word, entry] : entries)
    sorted.push_back(std::move(entry));
  return sorted;
}

}  // namespace brelvox::grammarc
