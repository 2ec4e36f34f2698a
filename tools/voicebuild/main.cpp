// voicebuild: builds the Bulgarian diphone voice file from the donor synthesizer.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "pair_list.h"
#include "voice_builder.h"

#ifndef VOICEBUILD_DATA_DIR
#define VOICEBUILD_DATA_DIR "tools/voicebuild/data"
#endif

namespace {

constexpr const char* kUsage =
    "usage: voicebuild --output FILE [--pairs FILE] [--report FILE] [--data DIR]\n"
    "                  [--work DIR] [--smooth-back N] [--smooth-forward N]\n"
    "       voicebuild --list-pairs\n"
    "Builds a diphone voice file from the donor synthesizer (espeak-ng), one carrier word per\n"
    "phoneme pair. Without --pairs every pair that makes sense in Bulgarian is built; a pair file\n"
    "holds one pair of phoneme characters a line. --data names the voice data folder (the flat\n"
    "donor variant), --work a folder for the donor's data links (default: FILE.work).\n"
    "--list-pairs prints the default pair list in the pair file format.\n";

bool ParseCount(const char* text, int32_t* value) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < 0 || v > 16) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string output;
  std::string pairFile;
  std::string reportFile;
  std::string dataDir = VOICEBUILD_DATA_DIR;
  std::string workDir;
  VoiceBuildOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--list-pairs") {
      for (const PhonemePair& p : DefaultPairList())
        std::printf("%c%c\n", p.first, p.second);
      return 0;
    } else if (arg == "--output" && hasValue) {
      output = argv[++i];
    } else if (arg == "--pairs" && hasValue) {
      pairFile = argv[++i];
    } else if (arg == "--report" && hasValue) {
      reportFile = argv[++i];
    } else if (arg == "--data" && hasValue) {
      dataDir = argv[++i];
    } else if (arg == "--work" && hasValue) {
      workDir = argv[++i];
    } else if ((arg == "--smooth-back" || arg == "--smooth-forward") && hasValue) {
      int32_t* target = arg == "--smooth-back" ? &options.smoothBack : &options.smoothForward;
      if (!ParseCount(argv[++i], target)) {
        std::fprintf(stderr, "voicebuild: %s takes a count from 0 to 16.\n", arg.c_str());
        return 2;
      }
    } else {
      std::fprintf(stderr, "voicebuild: unknown or incomplete option '%s'.\n%s", arg.c_str(),
                   kUsage);
      return 2;
    }
  }
  if (output.empty()) {
    std::fprintf(stderr, "voicebuild: name the voice file to write with --output FILE.\n");
    return 2;
  }
  std::string error;
  if (pairFile.empty()) {
    options.pairs = DefaultPairList();
  } else if (!ReadPairFile(pairFile, &options.pairs, &error)) {
    std::fprintf(stderr, "voicebuild: %s\n", error.c_str());
    return 1;
  }
  options.donor.variantFile = (std::filesystem::path(dataDir) / "brelvox-flat").string();
  options.donor.workFolder = workDir.empty() ? output + ".work" : workDir;

  VoiceFileContents voice;
  VoiceBuildReport report;
  if (!BuildDonorVoice(options, &voice, &report, &error)) {
    std::fprintf(stderr, "voicebuild: %s\n", error.c_str());
    return 1;
  }
  std::error_code ec;
  std::filesystem::remove_all(options.donor.workFolder, ec);
  if (!WriteVoiceFile(output, voice, &error)) {
    std::fprintf(stderr, "voicebuild: %s\n", error.c_str());
    return 1;
  }
  const std::string text = FormatReport(report);
  if (!reportFile.empty()) {
    std::ofstream out(reportFile);
    out << text;
    if (!out) {
      std::fprintf(stderr, "voicebuild: cannot write the report %s.\n", reportFile.c_str());
      return 1;
    }
  }
  std::printf("voicebuild: wrote %s: %d of %d pairs, %lld samples, base pitch %.3f Hz\n",
              output.c_str(), report.built, report.requested,
              static_cast<long long>(report.sampleCount), report.baseF0);
  if (!report.failed.empty()) {
    std::printf("voicebuild: %zu pairs could not be made (see the report):", report.failed.size());
    for (size_t i = 0; i < report.failed.size() && i < 20; ++i)
      std::printf(" %c%c", report.failed[i].pair.first, report.failed[i].pair.second);
    std::printf("%s\n", report.failed.size() > 20 ? " ..." : "");
  }
  return 0;
}
