// voicebuild: builds the Bulgarian diphone voice file from the donor synthesizer.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "corpus_voice.h"
#include "donor_phonemes.h"
#include "pair_list.h"
#include "voice_builder.h"

using namespace brelvox::voicefile;

#ifndef VOICEBUILD_DATA_DIR
#define VOICEBUILD_DATA_DIR "tools/voicebuild/data"
#endif

using namespace brelvox::voicebuild;

namespace {

// The donor's rate for the carriers: its own default. Units cut from carriers said at this rate
// give phrases, spoken through the front end, within a few per cent of the donor's own reading of
// the same text (pauses and silence at the ends left out); a faster rate shortens every unit.
constexpr int kCarrierRate = 175;

constexpr const char* kUsage =
    "usage: voicebuild --output FILE [--all-pairs] [--pairs FILE]... [--report FILE] [--data DIR]\n"
    "                  [--work DIR] [--smooth-back N] [--smooth-forward N] [--donor-rate WPM]\n"
    "                  [--recordings DIR | --corpus DIR [--cache DIR]]\n"
    "       voicebuild --list-pairs\n"
    "       voicebuild --donor-say PHONEMES --raw FILE [--data DIR] [--work DIR]\n"
    "Builds a diphone voice file from the donor synthesizer (espeak-ng), one carrier word per\n"
    "phoneme pair. Without --pairs every pair that makes sense in Bulgarian is built; a pair file\n"
    "holds one pair of phoneme characters a line (--pairs may be given more than once; the voice\n"
    "gets the union, and --all-pairs adds every sensible pair to the files' pairs). The report\n"
    "tells how many pairs of each list were built and names the missing ones; a pair of a --pairs\n"
    "file without a unit is also warned about on stderr. --data names the voice data folder (the "
    "flat\n"
    "donor variant), --work a folder for the donor's data links (default: FILE.work).\n"
    "--recordings builds the voice from a folder of recordings instead of the donor: NAME.wav\n"
    "(16-bit mono) with NAME.lab beside it, a line \"START END PHONEME\" per phoneme; without\n"
    "--pairs every pair of neighbouring phonemes is kept.\n"
    "--corpus builds the voice from a corpus of natural recordings at 16000 Hz in the layout of\n"
    "festvox-ru (wav/, lab/, mcep/): for each pair the best occurrence of its sounds, with\n"
    "fallbacks for pairs the corpus lacks (listed in the report); --cache DIR keeps each\n"
    "recording's pitch marks there for the next build.\n"
    "--list-pairs prints the default pair list in the pair file format. --donor-say has the\n"
    "donor say phoneme text (a space for a pause) at its flat pitch and writes 16-bit samples\n"
    "at 22050 Hz to a raw file, to compare the voice with its donor.\n"
    "--donor-rate sets the donor's speaking rate for the carriers (words per minute, 80 to 450;\n"
    "default 175): the units keep the durations the donor gives the carrier words.\n";

// The donor's own rendering of phoneme text, words separated by spaces becoming short pauses.
int SayWithDonor(const std::string& phonemes, const std::string& rawFile,
                 const std::string& dataDir, const std::string& workDir, int rate) {
  DonorOptions donor;
  donor.rate = rate;
  donor.variantFile = (std::filesystem::path(dataDir) / "brelvox-flat").string();
  donor.workFolder = workDir;
  std::string error;
  if (!OpenDonor(donor, &error)) {
    std::fprintf(stderr, "voicebuild: %s\n", error.c_str());
    return 1;
  }
  std::string text;
  size_t from = 0;
  while (from <= phonemes.size()) {
    const size_t space = std::min(phonemes.find(' ', from), phonemes.size());
    if (space > from) {
      if (!text.empty()) text += "|_|";
      text += DonorPhonemeText(std::string_view(phonemes).substr(from, space - from));
    }
    from = space + 1;
  }
  DonorUtterance utterance;
  const bool said = DonorSay(text, &utterance, &error);
  std::error_code ec;
  std::filesystem::remove_all(workDir, ec);
  if (!said) {
    std::fprintf(stderr, "voicebuild: %s\n", error.c_str());
    return 1;
  }
  std::ofstream out(rawFile, std::ios::binary);
  out.write(reinterpret_cast<const char*>(utterance.samples.data()),
            static_cast<std::streamsize>(utterance.samples.size() * sizeof(int16_t)));
  if (!out) {
    std::fprintf(stderr, "voicebuild: cannot write %s.\n", rawFile.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string output;
  std::vector<std::string> pairFiles;
  bool allPairs = false;
  std::string reportFile;
  std::string dataDir = VOICEBUILD_DATA_DIR;
  std::string workDir;
  std::string donorText;
  std::string recordingFolder;
  std::string corpusFolder;
  std::string cacheFolder;
  std::string rawFile;
  int donorRate = kCarrierRate;
  VoiceBuildOptions options;
  bool listPairs = false;
  CLI::App app{"voicebuild: builds a diphone voice file"};
  app.footer(kUsage);
  app.add_flag("--list-pairs", listPairs, "print the default pair list");
  app.add_option("--output", output, "the voice file to write");
  app.add_option("--pairs", pairFiles, "a pair file (may be given more than once)");
  app.add_flag("--all-pairs", allPairs, "add every sensible pair to the files' pairs");
  app.add_option("--report", reportFile, "the report to write");
  app.add_option("--donor-say", donorText, "phonemes for the donor to say into --raw");
  app.add_option("--recordings", recordingFolder, "build from a folder of recordings");
  app.add_option("--corpus", corpusFolder, "build from a corpus of natural recordings");
  app.add_option("--cache", cacheFolder, "keep each recording's pitch marks here");
  app.add_option("--raw", rawFile, "the raw sample file --donor-say writes");
  app.add_option("--data", dataDir, "the voice data folder");
  app.add_option("--work", workDir, "a folder for the donor's data links");
  app.add_option("--donor-rate", donorRate, "the donor's rate in words per minute")
      ->check(CLI::Range(80, 450));
  app.add_option("--smooth-back", options.smoothBack, "junction smoothing backwards, 0 to 16")
      ->check(CLI::Range(0, 16));
  app.add_option("--smooth-forward", options.smoothForward, "junction smoothing forwards, 0 to 16")
      ->check(CLI::Range(0, 16));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  if (listPairs) {
    for (const PhonemePair& p : DefaultPairList())
      std::printf("%c%c\n", p.first, p.second);
    return 0;
  }
  if (!donorText.empty()) {
    if (rawFile.empty()) {
      std::fprintf(stderr, "voicebuild: name the raw file to write with --raw FILE.\n");
      return 2;
    }
    return SayWithDonor(donorText, rawFile, dataDir, workDir.empty() ? rawFile + ".work" : workDir,
                        donorRate);
  }
  if (output.empty()) {
    std::fprintf(stderr, "voicebuild: name the voice file to write with --output FILE.\n");
    return 2;
  }
  std::string error;
  std::vector<PairSource> sources;
  if (allPairs || (pairFiles.empty() && recordingFolder.empty()))
    sources.push_back(PairSource{"the sensible pairs", DefaultPairList()});
  for (const std::string& file : pairFiles) {
    PairSource source{file, {}};
    if (!ReadPairFile(file, &source.pairs, &error)) {
      std::fprintf(stderr, "voicebuild: %s\n", error.c_str());
      return 1;
    }
    sources.push_back(std::move(source));
  }
  for (const PairSource& source : sources)
    MergePairs(&options.pairs, source.pairs);
  options.donor.variantFile = (std::filesystem::path(dataDir) / "brelvox-flat").string();
  options.donor.rate = donorRate;
  options.donor.workFolder = workDir.empty() ? output + ".work" : workDir;

  VoiceFileContents voice;
  VoiceBuildReport report;
  bool built = false;
  if (!corpusFolder.empty()) {
    built = BuildCorpusVoice(options, CorpusSelection{}, corpusFolder, cacheFolder, &voice, &report,
                             &error);
  } else if (!recordingFolder.empty()) {
    built = BuildRecordedVoice(options, recordingFolder, &voice, &report, &error);
  } else {
    built = BuildDonorVoice(options, &voice, &report, &error);
  }
  if (!built) {
    std::fprintf(stderr, "voicebuild: %s\n", error.c_str());
    return 1;
  }
  std::error_code ec;
  std::filesystem::remove_all(options.donor.workFolder, ec);
  if (!WriteVoiceFile(output, voice, &error)) {
    std::fprintf(stderr, "voicebuild: %s\n", error.c_str());
    return 1;
  }
  std::string coverage = CoverageReport(sources, voice);
  if (!report.fallbacks.empty()) {
    for (const PairSource& source : sources) {
      const std::set<PhonemePair> wanted(source.pairs.begin(), source.pairs.end());
      const auto count = std::count_if(report.fallbacks.begin(), report.fallbacks.end(),
                                       [&](const PairNote& n) { return wanted.count(n.pair) > 0; });
      coverage += "made by a fallback for " + source.name + ": " + std::to_string(count) +
                  " pairs (the report's fallback lines)\n";
    }
  }
  const std::string text = coverage + FormatReport(report);
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
  std::fputs(coverage.c_str(), stdout);
  if (!report.failed.empty()) {
    std::printf("voicebuild: %zu pairs could not be made (see the report):", report.failed.size());
    for (size_t i = 0; i < report.failed.size() && i < 20; ++i)
      std::printf(" %c%c", report.failed[i].pair.first, report.failed[i].pair.second);
    std::printf("%s\n", report.failed.size() > 20 ? " ..." : "");
  }
  // A pair named in a pair file (the pairs the front end emits) that has no unit is a warning:
  // the voice still serves, the engine passes over the pair.
  int32_t missingFromFiles = 0;
  const std::vector<PairSource> files(sources.end() - static_cast<ptrdiff_t>(pairFiles.size()),
                                      sources.end());
  CoverageReport(files, voice, &missingFromFiles);
  if (missingFromFiles > 0) {
    std::fprintf(stderr,
                 "voicebuild: warning: %d pairs of the pair files have no unit (see the coverage "
                 "lines); the engine will pass over them.\n",
                 missingFromFiles);
  }
  return 0;
}
