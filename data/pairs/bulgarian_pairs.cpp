// bulgarian-pairs: runs the compiled Bulgarian grammar through the engine's cascade over text
// files and lists the ordered phoneme pairs it emits, in the voice builder's pair file format.
// Words follow each other without a pause inside a line; pauses and the edges of a line count
// as the pause phoneme. It also reports the front end's speed in characters per second.
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "engine/core/dyn_array.h"
#include "engine/core/sound/phoneme_set.h"
#include "engine/core/symbols.h"
#include "engine/core/text/cascade.h"
#include "engine/core/text/grammar.h"
#include "engine/files/data_file.h"
#include "platform/com/unicode.h"

namespace {

// The UTF-16 code units of a UTF-8 text, as the engine's symbols.
std::vector<int32_t> Utf16(const std::string& text) {
  const std::u16string units = Utf8ToUtf16(text);
  return std::vector<int32_t>(units.begin(), units.end());
}

}  // namespace

int main(int argc, char** argv) {
  std::string grammarPath, outputPath;
  std::vector<std::string> textPaths;
  CLI::App app{
      "bulgarian-pairs: runs each line of the text files (blank lines, '%' lines and '--' lines "
      "skipped, a line cut at its first tab) through the grammar with the engine's cascade and "
      "writes the phoneme pairs it emits to OUTPUT, one pair of phoneme characters a line"};
  app.add_option("GRAMMAR", grammarPath, "the compiled grammar")->required();
  app.add_option("OUTPUT", outputPath, "the pair file to write")->required();
  app.add_option("TEXTFILE", textPaths, "the texts")->required();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  MappedGrammar grammarFile;
  std::string error;
  if (!grammarFile.Load(grammarPath, &error)) {
    std::fprintf(stderr, "bulgarian-pairs: %s\n", error.c_str());
    return 1;
  }
  const Grammar* grammar = grammarFile.get();
  std::set<std::string> pairs;
  int64_t characters = 0;
  double seconds = 0;
  for (const std::string& path : textPaths) {
    std::ifstream text(path);
    if (!text) {
      std::fprintf(stderr, "bulgarian-pairs: cannot read %s; check the path.\n", path.c_str());
      return 1;
    }
    std::string line;
    while (std::getline(text, line)) {
      if (line.empty() || line == "%" || line.rfind("--", 0) == 0 || line[0] == '#') continue;
      if (line.find_first_not_of(" \t") != std::string::npos && line[0] == '\t')
        line = line.substr(line.find_first_not_of(" \t"));  // indented text
      line = line.substr(0, line.find('\t'));               // word lists: the word before a tab
      if (line.empty()) continue;
      const std::vector<int32_t> input = Utf16(line);
      DynArray* stream = DynArrayCreate(1, 32, kDefaultGrowth);
      for (int32_t s : input)
        DynArrayAppend(stream, &s);
      const auto start = std::chrono::steady_clock::now();
      DynArray* result = RunCascade(*grammar, nullptr, stream, 1);
      seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      characters += static_cast<int64_t>(input.size());
      DynArrayRelease(stream);
      char previous = kPausePhoneme;
      for (int32_t i = 0; i < result->count; ++i) {
        const int32_t s = result->data[i];
        char phoneme = 0;
        if (IsPhonemeSymbol(s)) phoneme = PhonemeAlphabet[static_cast<size_t>(s - PhonemeBase)];
        if (s == PauseSymbol) phoneme = kPausePhoneme;
        if (phoneme == 0) continue;
        if (!(previous == kPausePhoneme && phoneme == kPausePhoneme))
          pairs.insert(std::string{previous, phoneme});
        previous = phoneme;
      }
      if (previous != kPausePhoneme) pairs.insert(std::string{previous, kPausePhoneme});
      DynArrayRelease(result);
    }
  }
  std::ofstream out(outputPath);
  out << "-- " << pairs.size() << " phoneme pairs the Bulgarian grammar emits on its corpus\n";
  for (const std::string& pair : pairs)
    out << pair << '\n';
  if (!out) {
    std::fprintf(stderr, "bulgarian-pairs: cannot write %s; check the folder.\n",
                 outputPath.c_str());
    return 1;
  }
  std::printf(
      "bulgarian-pairs: %zu pairs; %lld characters in %.3f s through the cascade (%.0f "
      "characters per second)\n",
      pairs.size(), static_cast<long long>(characters), seconds,
      seconds > 0 ? static_cast<double>(characters) / seconds : 0.0);
  return 0;
}
