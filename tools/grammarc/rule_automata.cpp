#include <algorithm>

#include "tools/grammarc/rewrite_automata.h"
#include "tools/grammarc/symbol_text.h"

namespace brelvox::grammarc {

namespace {

// The batch's classes: every symbol its rules and its protected list name.
ClassMap CollectClasses(const Stage& stage, const GrammarSource& source) {
  std::vector<int32_t> symbols(stage.protectedSymbols.begin(), stage.protectedSymbols.end());
  for (const Rule& rule : stage.rules) {
    if (rule.match) CollectSymbols(*rule.match, source, symbols);
    if (rule.left) CollectSymbols(*rule.left, source, symbols);
    if (rule.right) CollectSymbols(*rule.right, source, symbols);
  }
  std::sort(symbols.begin(), symbols.end());
  symbols.erase(std::unique(symbols.begin(), symbols.end()), symbols.end());
  return ClassMap(symbols);
}

// Replacements may not name protected symbols: the cascade puts hidden runs back after each
// protected symbol the stage emits.
void CheckOutputs(const Stage& stage) {
  for (const Rule& rule : stage.rules) {
    for (int32_t s : rule.output) {
      for (int32_t p : stage.protectedSymbols) {
        if (s == p) {
          throw CompileError(rule.where, "the replacement holds " + FormatSymbols({p}) +
                                             ", which the stage protects; a stage may not "
                                             "emit its protected symbols");
        }
      }
    }
  }
}

}  // namespace

BatchAutomata CompileRuleAutomata(const Stage& stage, const GrammarSource& source) {
  BatchAutomata batch(CollectClasses(stage, source));
  batch.inputClasses = static_cast<int32_t>(batch.classes.symbols().size()) + 1;
  CheckOutputs(stage);
  for (const Rule& rule : stage.rules) {
    RuleAutomata r;
    r.rule = &rule;
    r.insertion = rule.IsInsertion();
    if (!r.insertion) {
      r.match = CompileRegex(*rule.match, batch.classes, source);
      r.matchDead = r.match.Dead();
    }
    if (rule.left) {
      r.leftIndex = static_cast<int32_t>(batch.leftAutomata.size());
      batch.leftAutomata.push_back(CompileSuffixMatcher(*rule.left, batch.classes, source));
    }
    if (r.insertion) batch.insertionRules.push_back(static_cast<int32_t>(batch.rules.size()));
    batch.rules.push_back(std::move(r));
  }
  return batch;
}

}  // namespace brelvox::grammarc
