// grammarc: compiles grammar sources into the engine's grammar and user dictionary files, runs
// them through a reference interpreter, and checks the two against each other.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "tools/grammarc/check.h"
#include "tools/grammarc/compiler.h"
#include "tools/grammarc/interpreter.h"
#include "tools/grammarc/parser.h"
#include "tools/grammarc/symbol_text.h"

namespace grammarc = brelvox::grammarc;

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  grammarc SOURCE -o OUTPUT [-v]\n"
    "      compile a grammar source into a grammar file, or a dictionary source into a user\n"
    "      dictionary file; -v prints every stage's size and compile time\n"
    "  grammarc --check SOURCE CORPUS [--dictionary DICTSOURCE] [--flags N]\n"
    "      run every line of CORPUS through the rules and through the compiled file in the\n"
    "      engine's cascade, and report every difference (exit status 1 when there is one)\n"
    "  grammarc --apply SOURCE [--dictionary DICTSOURCE] [--flags N] [--engine] TEXT...\n"
    "      print what the rules (or, with --engine, the compiled file) make of each TEXT\n"
    "CORPUS lines are UTF-8 text; a line starting with '=' holds symbols in source syntax.\n"
    "The flags (default 1) select stages by their enable and disable masks.\n";

int Usage(const std::string& problem) {
  std::cerr << "grammarc: " << problem << "\n" << kUsage;
  return 2;
}

struct Options {
  std::string mode = "compile";
  std::vector<std::string> positional;
  std::string output;
  std::string dictionary;
  int32_t flags = 1;
  bool verbose = false;
  bool engine = false;
};

// The number of --flags: decimal, 0x hex or 0 octal, a 32-bit word either signed or not.
std::string ParseFlags(const std::string& text, int32_t* flags) {
  try {
    size_t used = 0;
    const long long value = std::stoll(text, &used, 0);
    if (used == text.size() && value >= INT32_MIN && value <= UINT32_MAX) {
      *flags = static_cast<int32_t>(static_cast<uint32_t>(value));
      return "";
    }
  } catch (const std::exception&) {
  }
  return "--flags needs a number, not '" + text + "'";
}

int Compile(const Options& options) {
  if (options.positional.size() != 1 || options.output.empty()) {
    return Usage("give one SOURCE and -o OUTPUT");
  }
  const grammarc::GrammarSource source = grammarc::ParseSourceFile(options.positional[0]);
  const grammarc::CompiledFile file = grammarc::CompileSource(source);
  if (!grammarc::WriteFile(options.output, file.words)) {
    std::cerr << "grammarc: cannot write '" << options.output
              << "'; check that its folder exists and is writable\n";
    return 1;
  }
  if (options.verbose) {
    int64_t rows = 0;
    int64_t used = 0;
    double seconds = 0;
    for (const grammarc::StageReport& s : file.stages) {
      std::printf("%-20s kind %d  %8d states  %9lld rows (%5.1f%% filled)  %10lld bytes  %.3f s\n",
                  s.name.c_str(), s.kind, s.states, static_cast<long long>(s.rows),
                  s.rows > 0 ? 100.0 * static_cast<double>(s.usedRows) / static_cast<double>(s.rows)
                             : 100.0,
                  static_cast<long long>(s.bytes), s.seconds);
      rows += s.rows;
      used += s.usedRows;
      seconds += s.seconds;
    }
    std::printf("%s: %lld bytes, %lld rows (%.1f%% filled), %.3f s\n", options.output.c_str(),
                static_cast<long long>(file.words.size() * 4), static_cast<long long>(rows),
                rows > 0 ? 100.0 * static_cast<double>(used) / static_cast<double>(rows) : 100.0,
                seconds);
  }
  return 0;
}

// A source and, optionally, a dictionary: the pair the check and the interpreter run.
struct Sources {
  std::optional<grammarc::GrammarSource> grammar;
  std::optional<grammarc::GrammarSource> dictionary;
};

Sources LoadSources(const Options& options) {
  Sources sources;
  grammarc::GrammarSource first = grammarc::ParseSourceFile(options.positional[0]);
  if (first.isDictionary) {
    sources.dictionary = std::move(first);
  } else {
    sources.grammar = std::move(first);
  }
  if (!options.dictionary.empty()) {
    if (sources.dictionary) throw std::invalid_argument("give the dictionary source once");
    sources.dictionary = grammarc::ParseSourceFile(options.dictionary);
    if (!sources.dictionary->isDictionary) {
      throw std::invalid_argument("'" + options.dictionary +
                                  "' is not a dictionary source (it has no 'dictionary' line)");
    }
  }
  return sources;
}

int Check(const Options& options) {
  if (options.positional.size() != 2) return Usage("--check needs SOURCE and CORPUS");
  const Sources sources = LoadSources(options);
  const auto inputs = grammarc::ReadCorpus(options.positional[1]);
  const grammarc::CheckResult result = grammarc::CheckCorpus(
      sources.grammar ? &*sources.grammar : nullptr,
      sources.dictionary ? &*sources.dictionary : nullptr, inputs, options.flags, std::cout);
  if (result.engineRefused) return 1;
  std::cout << result.lines << " lines, " << result.differences << " differences\n";
  return result.differences == 0 ? 0 : 1;
}

int Apply(const Options& options) {
  if (options.positional.size() < 2) return Usage("--apply needs SOURCE and at least one TEXT");
  const Sources sources = LoadSources(options);
  std::vector<std::vector<int32_t>> inputs;
  for (size_t i = 1; i < options.positional.size(); ++i) {
    auto symbols = grammarc::Utf8ToSymbols(options.positional[i]);
    if (!symbols) return Usage("the text is not valid UTF-8");
    inputs.push_back(*symbols);
  }
  grammarc::GrammarSource dictionaryOnly;
  const grammarc::GrammarSource* grammar = sources.grammar ? &*sources.grammar : nullptr;
  if (grammar == nullptr) {
    grammarc::Stage stage;
    stage.kind = grammarc::StageKind::kUserDictionary;
    stage.name = "dictionary";
    dictionaryOnly.stages.push_back(stage);
    grammar = &dictionaryOnly;
  }
  const grammarc::GrammarSource* dictionary = sources.dictionary ? &*sources.dictionary : nullptr;
  if (options.engine) {
    const auto grammarWords = grammarc::CompileSource(*grammar).words;
    const auto dictionaryWords =
        dictionary ? grammarc::CompileSource(*dictionary).words : std::vector<int32_t>{};
    const grammarc::EngineRun run =
        grammarc::RunEngine(grammarWords, dictionaryWords, inputs, options.flags);
    if (!run.loaded) {
      std::cerr << "grammarc: the engine refused the compiled file; this is a fault of the "
                   "compiler\n";
      return 1;
    }
    for (const auto& out : run.outputs)
      std::cout << grammarc::FormatSymbols(out) << "\n";
    return 0;
  }
  for (const auto& input : inputs) {
    std::cout << grammarc::FormatSymbols(
                     grammarc::Interpret(*grammar, dictionary, input, options.flags))
              << "\n";
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  CLI::App app{
      "grammarc: compiles grammar sources into the engine's grammar and user dictionary "
      "files, runs them through a reference interpreter, and checks the two against each "
      "other"};
  app.footer(kUsage);
  bool check = false;
  bool apply = false;
  auto* checkFlag = app.add_flag("--check", check, "check a corpus against the compiled file");
  app.add_flag("--apply", apply, "print what the rules make of each TEXT")->excludes(checkFlag);
  app.add_option("-o", options.output, "the file to write");
  app.add_option("--dictionary", options.dictionary, "a dictionary source beside SOURCE");
  std::string flags;
  app.add_option("--flags", flags, "the option bits that select stages (default 1)");
  app.add_flag("-v", options.verbose, "print every stage's size and compile time");
  app.add_flag("--engine", options.engine, "run the compiled file in the engine's cascade");
  app.add_option("SOURCE", options.positional, "SOURCE, then CORPUS or TEXT...");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  if (check) options.mode = "check";
  if (apply) options.mode = "apply";
  if (!flags.empty()) {
    if (const std::string problem = ParseFlags(flags, &options.flags); !problem.empty())
      return Usage(problem);
  }
  try {
    if (options.mode == "check") return Check(options);
    if (options.mode == "apply") return Apply(options);
    return Compile(options);
  } catch (const grammarc::CompileError& error) {
    std::cerr << error.what() << "\n";
    return 1;
  } catch (const std::exception& error) {
    std::cerr << "grammarc: " << error.what() << "\n";
    return 1;
  }
}
