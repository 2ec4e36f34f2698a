#include "tools/grammarc/lexicon_compiler.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "tools/grammarc/symbol_text.h"
#include "tools/grammarc/vector_hash.h"

namespace brelvox::grammarc {

TransducerMachine CompileLexicon(const Lexicon& lexicon, const SymbolSet& boundary,
                                 const Stage& stage) {
  for (const LexiconEntry& entry : lexicon.entries) {
    for (int32_t p : stage.protectedSymbols) {
      const bool inWord = std::count(entry.word.begin(), entry.word.end(), p) != 0;
      const bool inReplacement =
          std::count(entry.replacement.begin(), entry.replacement.end(), p) != 0;
      if (inWord || inReplacement) {
        throw CompileError(entry.where, "the entry holds " + FormatSymbols({p}) +
                                            ", which stage '" + stage.name +
                                            "' protects; a stage may not rewrite "
                                            "its protected symbols");
      }
    }
  }
  // The trie: node 0 is the start of a word.
  struct Node {
    std::vector<std::pair<int32_t, int32_t>> children;  // (symbol, node), in entry order
    const LexiconEntry* entry = nullptr;
    int32_t parent = -1;
    int32_t symbol = 0;
  };
  std::vector<Node> nodes(1);
  for (const LexiconEntry& entry : lexicon.entries) {
    int32_t at = 0;
    for (int32_t s : entry.word) {
      auto& children = nodes[static_cast<size_t>(at)].children;
      // Entries are sorted, so a shared prefix always continues through the last child.
      if (!children.empty() && children.back().first == s) {
        at = children.back().second;
        continue;
      }
      Node node;
      node.parent = at;
      node.symbol = s;
      nodes.push_back(node);
      const auto id = static_cast<int32_t>(nodes.size()) - 1;
      nodes[static_cast<size_t>(at)].children.push_back({s, id});
      at = id;
    }
    nodes[static_cast<size_t>(at)].entry = &entry;
  }
  const auto copyState = static_cast<int32_t>(nodes.size());
  std::vector<int32_t> boundarySymbols(boundary.symbols.begin(), boundary.symbols.end());

  TransducerMachine machine;
  std::unordered_map<std::vector<int32_t>, int32_t, VectorHash> outputIds;
  const auto output = [&](const std::vector<int32_t>& list) {
    auto [it, added] = outputIds.emplace(list, static_cast<int32_t>(machine.outputs.size()));
    if (added) machine.outputs.push_back(list);
    return it->second;
  };
  // Nodes were made in the order of the sorted entries, which is the trie's depth-first order:
  // the word read so far (`path`) follows from the parent's without walking back to the root.
  std::vector<int32_t> depth(nodes.size(), 0);
  std::vector<int32_t> path;

  machine.states.resize(nodes.size() + 1);
  for (size_t i = 0; i < nodes.size(); ++i) {
    const Node& node = nodes[i];
    if (i > 0) {
      depth[i] = depth[static_cast<size_t>(node.parent)] + 1;
      path.resize(static_cast<size_t>(depth[i] - 1));
      path.push_back(node.symbol);
    }
    TransducerMachine::State& state = machine.states[i];
    // What is still owed for the word read so far when it ends here (at a boundary or the end of
    // the input), and when it turns out to be some other word.
    std::vector<int32_t> owedAtEnd;
    std::vector<int32_t> owedOnMismatch;
    if (!lexicon.keep) owedOnMismatch = path;
    if (node.entry != nullptr) {
      owedAtEnd = node.entry->replacement;
    } else {
      owedAtEnd = owedOnMismatch;
    }
    for (const auto& [symbol, child] : node.children) {
      state.rows.push_back(
          {symbol,
           {child, output(lexicon.keep ? std::vector<int32_t>{symbol} : std::vector<int32_t>{})}});
    }
    for (int32_t b : boundarySymbols) {
      std::vector<int32_t> list = owedAtEnd;
      list.push_back(b);
      state.rows.push_back({b, {0, output(list)}});
    }
    std::vector<int32_t> mismatch = owedOnMismatch;
    mismatch.push_back(kCopy);
    state.catchAll = {copyState, output(mismatch)};
    if (i > 0 && (node.entry != nullptr || !lexicon.keep)) state.final = output(owedAtEnd);
    std::sort(state.rows.begin(), state.rows.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
  }
  // Inside a word that is not in the lexicon: copy up to the next boundary.
  TransducerMachine::State& copy = machine.states[static_cast<size_t>(copyState)];
  for (int32_t b : boundarySymbols)
    copy.rows.push_back({b, {0, output({b})}});
  copy.catchAll = {copyState, output({kCopy})};
  machine.start = 0;
  return machine;
}

}  // namespace brelvox::grammarc
