#include "tools/grammarc/compiler.h"

#include <chrono>
#include <fstream>
#include <optional>

#include "tools/grammarc/file_writer.h"
#include "tools/grammarc/lexicon_compiler.h"
#include "tools/grammarc/rewrite_compiler.h"
#include "tools/grammarc/subsequential.h"

namespace brelvox::grammarc {

namespace {

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::vector<int32_t> CompileLexiconStage(const Stage& stage, const Lexicon& lexicon,
                                         const SymbolSet& boundary, StageReport* report) {
  const TransducerMachine machine = CompileLexicon(lexicon, boundary, stage);
  TableStats stats;
  std::vector<int32_t> words = WriteTransducer(machine, stage.where, &stats);
  report->states = static_cast<int32_t>(machine.states.size());
  report->rows = stats.rows;
  report->usedRows = stats.usedRows;
  report->bytes = stats.bytes;
  return words;
}

}  // namespace

CompiledFile CompileSource(const GrammarSource& source) {
  CompiledFile file;
  if (source.isDictionary) {
    const auto start = std::chrono::steady_clock::now();
    StageReport report;
    report.name = source.dictionary.name;
    report.kind = 1;
    const Lexicon& lexicon = source.dictionary.lexicon;
    file.words = CompileLexiconStage(source.dictionary, lexicon,
                                     lexicon.boundary.value_or(source.wordBoundary), &report);
    report.seconds = Since(start);
    file.stages.push_back(report);
    return file;
  }
  std::vector<StageImage> images;
  for (const Stage& stage : source.stages) {
    const auto start = std::chrono::steady_clock::now();
    StageReport report;
    report.name = stage.name;
    StageImage image;
    image.protectedSymbols = stage.protectedSymbols;
    image.enableMask = stage.enableMask;
    image.disableMask = stage.disableMask;
    switch (stage.kind) {
      case StageKind::kRules: {
        const BimachineMachine machine = CompileRewriteBatch(stage, source);
        TableStats bimachineStats;
        image.kind = 2;
        image.data = WriteBimachine(machine, stage.where, &bimachineStats);
        report.states = machine.leftStates + machine.rightStates;
        TableStats stats = bimachineStats;
        if (stage.machine != MachineChoice::kBimachine) {
          const std::optional<TransducerMachine> transducer = BimachineToTransducer(machine);
          if (!transducer && stage.machine == MachineChoice::kTransducer) {
            throw CompileError(stage.machineWhere,
                               "the rules of stage '" + stage.name +
                                   "' are not subsequential "
                                   "(an output waits on unbounded look-ahead, or an unknown symbol "
                                   "is dropped or repeated); let the stage be a bimachine");
          }
          if (transducer) {
            TableStats transducerStats;
            std::vector<int32_t> data = WriteTransducer(*transducer, stage.where, &transducerStats);
            if (stage.machine == MachineChoice::kTransducer || data.size() < image.data.size()) {
              image.kind = 1;
              image.data = std::move(data);
              report.states = static_cast<int32_t>(transducer->states.size());
              stats = transducerStats;
            }
          }
        }
        report.rows = stats.rows;
        report.usedRows = stats.usedRows;
        report.bytes = stats.bytes;
        break;
      }
      case StageKind::kLexicon:
        image.kind = 1;
        image.data = CompileLexiconStage(
            stage, stage.lexicon, stage.lexicon.boundary.value_or(source.wordBoundary), &report);
        break;
      case StageKind::kUserDictionary:
        image.kind = 3;
        break;
    }
    report.kind = image.kind;
    report.seconds = Since(start);
    file.stages.push_back(report);
    images.push_back(std::move(image));
  }
  file.words = WriteGrammarFile(images);
  return file;
}

bool WriteFile(const std::string& path, const std::vector<int32_t>& words) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  std::vector<unsigned char> bytes;
  bytes.reserve(words.size() * 4);
  for (int32_t w : words) {
    const auto u = static_cast<uint32_t>(w);
    for (int k = 0; k < 4; ++k)
      bytes.push_back(static_cast<unsigned char>(u >> (8 * k)));
  }
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace brelvox::grammarc
