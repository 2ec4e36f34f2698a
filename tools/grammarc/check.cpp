#include "tools/grammarc/check.h"

#include <fstream>
#include <memory>

#include "engine/core/dyn_array.h"
#include "engine/core/text/cascade.h"
#include "engine/core/text/grammar.h"
#include "tools/grammarc/file_writer.h"
#include "tools/grammarc/interpreter.h"
#include "tools/grammarc/parser.h"
#include "tools/grammarc/symbol_text.h"

namespace brelvox::grammarc {

EngineRun RunEngine(const std::vector<int32_t>& grammarFile,
                    const std::vector<int32_t>& dictionaryFile,
                    const std::vector<std::vector<int32_t>>& inputs, int32_t flags) {
  EngineRun run;
  ByteReader reader =
      MakeByteReader(grammarFile.data(), static_cast<int64_t>(grammarFile.size()) * 4);
  std::unique_ptr<Grammar, void (*)(Grammar*)> grammar(LoadGrammar(&reader), FreeGrammar);
  if (!grammar) return run;
  std::unique_ptr<Transducer, void (*)(Transducer*)> dictionary(nullptr, FreeTransducer);
  if (!dictionaryFile.empty()) {
    ByteReader dictReader =
        MakeByteReader(dictionaryFile.data(), static_cast<int64_t>(dictionaryFile.size()) * 4);
    dictionary.reset(LoadTransducer(&dictReader));
    if (!dictionary) return run;
  }
  run.loaded = true;
  for (const std::vector<int32_t>& input : inputs) {
    DynArray* stream = DynArrayCreate(1, static_cast<int32_t>(input.size()), kDefaultGrowth);
    for (int32_t s : input)
      DynArrayAppend(stream, &s);
    DynArray* result = RunCascade(*grammar, dictionary.get(), stream, flags);
    DynArrayRelease(stream);
    std::vector<int32_t> out;
    if (result != nullptr) out.assign(result->data, result->data + result->count);
    DynArrayRelease(result);
    run.outputs.push_back(std::move(out));
  }
  return run;
}

CheckResult CheckCorpus(const GrammarSource* grammar, const GrammarSource* dictionary,
                        const std::vector<std::vector<int32_t>>& inputs, int32_t flags,
                        std::ostream& report) {
  GrammarSource dictionaryOnly;
  if (grammar == nullptr) {
    Stage stage;
    stage.name = "dictionary";
    stage.kind = StageKind::kUserDictionary;
    dictionaryOnly.stages.push_back(stage);
    grammar = &dictionaryOnly;
  }
  const CompiledFile grammarFile = CompileSource(*grammar);
  std::vector<int32_t> dictionaryWords;
  if (dictionary != nullptr) dictionaryWords = CompileSource(*dictionary).words;

  CheckResult result;
  const EngineRun engine = RunEngine(grammarFile.words, dictionaryWords, inputs, flags);
  if (!engine.loaded) {
    result.engineRefused = true;
    report << "the engine refused the compiled file; this is a fault of the compiler\n";
    return result;
  }
  for (size_t i = 0; i < inputs.size(); ++i) {
    ++result.lines;
    std::vector<int32_t> expected;
    std::string failure;
    try {
      expected = Interpret(*grammar, dictionary, inputs[i], flags);
    } catch (const std::exception& error) {
      failure = error.what();
    }
    if (failure.empty() && expected == engine.outputs[i]) continue;
    ++result.differences;
    report << "input " << (i + 1) << ": " << FormatSymbols(inputs[i]) << "\n";
    if (failure.empty()) {
      report << "  rules:  " << FormatSymbols(expected) << "\n";
    } else {
      report << "  rules:  " << failure << "\n";
    }
    report << "  engine: " << FormatSymbols(engine.outputs[i]) << "\n";
  }
  return result;
}

std::vector<std::vector<int32_t>> ReadCorpus(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CompileError(Location{path, 0, 0}, "cannot read the corpus '" + path + "'");
  std::vector<std::vector<int32_t>> inputs;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line[0] == '=') {
      inputs.push_back(ParseSymbolSequence(line.substr(1), path, number, 2));
      continue;
    }
    auto symbols = Utf8ToSymbols(line);
    if (!symbols) throw CompileError(Location{path, number, 1}, "the line is not valid UTF-8");
    inputs.push_back(*symbols);
  }
  return inputs;
}

}  // namespace brelvox::grammarc
