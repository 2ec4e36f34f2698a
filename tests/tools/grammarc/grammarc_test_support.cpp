#include "tests/tools/grammarc/grammarc_test_support.h"

#include <unistd.h>
#include <filesystem>
#include <fstream>

#include "tools/grammarc/check.h"
#include "tools/grammarc/compiler.h"
#include "tools/grammarc/interpreter.h"
#include "tools/grammarc/parser.h"
#include "tools/grammarc/symbol_text.h"

namespace brelvox::grammarc::testing {

namespace {

std::string ScratchDirectory() {
  static const std::string dir = [] {
    const auto path =
        std::filesystem::temp_directory_path() / ("grammarc-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(
          std::filesystem::temp_directory_path() / ("grammarc-test-" + std::to_string(::getpid())),
          ignored);
    });
    return path.string();
  }();
  return dir;
}

}  // namespace

std::string ScratchFile(const std::string& name, const std::string& contents) {
  const std::string path = ScratchDirectory() + "/" + name;
  std::ofstream(path, std::ios::binary) << contents;
  return path;
}

std::string Text(const std::vector<int32_t>& symbols) {
  std::string text;
  for (int32_t s : symbols) {
    if (s < 0 || s > 0xFFFE || (s >= 0xD800 && s <= 0xDFFF)) return FormatSymbols(symbols);
    AppendUtf8(text, static_cast<uint32_t>(s));
  }
  return text;
}

std::vector<BothWays> RunBothWays(const std::string& source, const std::vector<std::string>& inputs,
                                  int32_t flags, const std::string& dictionary) {
  const GrammarSource grammar = ParseSourceText(source, "test.grc", ScratchDirectory());
  GrammarSource dict;
  if (!dictionary.empty()) dict = ParseSourceText(dictionary, "dict.grc", ScratchDirectory());
  std::vector<std::vector<int32_t>> streams;
  for (const std::string& input : inputs)
    streams.push_back(*Utf8ToSymbols(input));
  const std::vector<int32_t> grammarFile = CompileSource(grammar).words;
  const std::vector<int32_t> dictionaryFile =
      dictionary.empty() ? std::vector<int32_t>{} : CompileSource(dict).words;
  const EngineRun run = RunEngine(grammarFile, dictionaryFile, streams, flags);
  std::vector<BothWays> results;
  for (size_t i = 0; i < streams.size(); ++i) {
    BothWays both;
    both.rules = Text(Interpret(grammar, dictionary.empty() ? nullptr : &dict, streams[i], flags));
    both.engine = run.loaded ? Text(run.outputs[i]) : "(the engine refused the file)";
    results.push_back(both);
  }
  return results;
}

std::string CompileErrorOf(const std::string& source) {
  try {
    CompileSource(ParseSourceText(source, "test.grc", ScratchDirectory()));
  } catch (const CompileError& error) {
    return error.what();
  }
  return "";
}

}  // namespace brelvox::grammarc::testing
