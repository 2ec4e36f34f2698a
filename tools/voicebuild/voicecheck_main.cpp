// voicecheck: objective checks of a voice file: clipping, pitch periods at phoneme middles and the
// discontinuity at unit joins, over a phoneme text, a long pseudo-random text, or real Bulgarian
// text run through the compiled grammar (then also the coverage of the pairs the front end emits).
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/core/text/byte_reader.h"
#include "engine/core/text/grammar.h"
#include "engine/files/data_file.h"
#include "front_end_check.h"
#include "voice_check.h"

using namespace brelvox::voicebuild;

namespace {

constexpr const char* kUsage =
    "usage: voicecheck --voice FILE (--phonemes TEXT | --random-words N) [--stress 0..10]\n"
    "       voicecheck --voice FILE --grammar FILE --text FILE... [--pair-words N]\n"
    "                  [--speak-seconds S] [--pitch -10..10]\n"
    "       voicecheck --voice FILE --grammar FILE --say TEXT --raw FILE [--pitch -10..10]\n"
    "Renders the text with the engine and checks that no sample clips and that the period around\n"
    "each voiced phoneme middle is the one the stream asks for, within one sample; reports the\n"
    "discontinuity at unit joins. With --grammar the text files (fortune files or paragraphs) go\n"
    "through the grammar: the first N words (default 5000) must only need pairs the voice holds,\n"
    "and about S seconds (default 120) of them are spoken at item pitch adjust P, with the "
    "voice's\n"
    "junction smoothing and again without it (smoothing must lower the discontinuity).\n"
    "--say speaks one text through the grammar and the voice and writes 16-bit samples at the\n"
    "voice's rate to a raw file, printing the phonemes and the length in seconds.\n"
    "--report-periods reports the periods at the middles without requiring them (a voice cut\n"
    "from natural speech, whose period shapes vary, moves its measured periods by a few "
    "samples).\n";

std::vector<char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>((std::istreambuf_iterator<char>(in)), {});
}

// The grammar mapped and loaded into `file`; null, having said why, when it does not load.
const Grammar* LoadGrammarFile(const std::string& path, MappedGrammar* file) {
  std::string error;
  if (!file->Load(path, &error)) {
    std::fprintf(stderr, "voicecheck: %s\n", error.c_str());
    return nullptr;
  }
  return file->get();
}

void PrintPeriods(const VoiceCheck& c) {
  std::printf("seconds %.1f\nclipped samples %lld\npeak %d (%.1f dBFS)\nspeech RMS %.1f dBFS\n",
              c.seconds, static_cast<long long>(c.clipped), c.peak,
              20.0 * std::log10(std::max(c.peak, 1) / 32768.0), c.speechRmsDb);
  std::printf("periods measured %d, off by more than one sample %d\n", c.periodsMeasured,
              c.periodsOff);
  if (c.periodsOff > 0) std::printf("off (measured/expected): %s\n", c.offPhonemes.c_str());
  if (c.levelPeriods.size() > 1) {
    std::printf("level middles by expected period:");
    for (const auto& [period, count] : c.levelPeriods)
      std::printf(" %d:%d", period, count);
    std::printf("\n");
  }
  if (c.glidingMeasured > 0) {
    std::printf(
        "gliding middles measured %d, outside their neighbours' periods %d, within one sample of "
        "their own %d\n",
        c.glidingMeasured, c.glidingOff, c.glidingExact);
  }
  if (c.glidingOff > 0) std::printf("outside: %s\n", c.glidingOffPhonemes.c_str());
}

int SayText(VoiceInventory* voice, const std::string& grammarPath, const std::string& text,
            const std::string& rawPath, int32_t pitch) {
  MappedGrammar grammarFile;
  const Grammar* grammar = LoadGrammarFile(grammarPath, &grammarFile);
  if (grammar == nullptr) return 1;
  std::vector<StreamPhoneme> phonemes;
  RenderedSpeech speech;
  std::string error;
  const bool ok = FrontEndPhonemes(*grammar, {text}, pitch, &phonemes, &error) &&
                  RenderText(voice, *grammar, {text}, pitch, &speech, &error);
  if (!ok) {
    std::fprintf(stderr, "voicecheck: %s\n", error.c_str());
    return 1;
  }
  std::string transcription;
  for (const StreamPhoneme& p : phonemes)
    transcription += p.phoneme;
  std::ofstream out(rawPath, std::ios::binary);
  out.write(reinterpret_cast<const char*>(speech.audio.data()),
            static_cast<std::streamsize>(speech.audio.size() * sizeof(int16_t)));
  if (!out) {
    std::fprintf(stderr, "voicecheck: cannot write %s; check the folder.\n", rawPath.c_str());
    return 1;
  }
  std::printf("phonemes %s\nseconds %.3f\n", transcription.c_str(),
              static_cast<double>(speech.audio.size()) / voice->samplingFrequency);
  return 0;
}

int CheckText(VoiceInventory* voice, const std::string& grammarPath,
              const std::vector<std::string>& texts, int32_t pairWords, double speakSeconds,
              int32_t pitch, bool requirePeriods) {
  MappedGrammar grammarFile;
  const Grammar* grammar = LoadGrammarFile(grammarPath, &grammarFile);
  if (grammar == nullptr) return 1;
  std::vector<std::string> passages;
  std::string error;
  for (const std::string& text : texts) {
    if (!ReadTextPassages(text, &passages, &error)) {
      std::fprintf(stderr, "voicecheck: %s\n", error.c_str());
      return 1;
    }
  }
  // The pairs of the first pairWords words.
  std::vector<std::string> pairText;
  int32_t words = 0;
  for (const std::string& p : passages) {
    if (words >= pairWords) break;
    pairText.push_back(p);
    words += CountWords(p);
  }
  std::vector<StreamPhoneme> phonemes;
  PairCoverage coverage;
  bool ok = FrontEndPhonemes(*grammar, pairText, pitch, &phonemes, &error);
  if (ok) CountPairs(*voice, phonemes, &coverage);
  std::printf("text: %zu passages, %d words, %zu phonemes\n", pairText.size(), words,
              phonemes.size());
  std::printf("pairs: %lld asked, %zu distinct, %zu without a unit\n",
              static_cast<long long>(coverage.pairs), coverage.distinct.size(),
              coverage.missing.size());
  if (!coverage.missing.empty()) {
    std::printf("without a unit:");
    for (const PhonemePair& p : coverage.missing)
      std::printf(" %c%c", p.first, p.second);
    std::printf("\n");
  }
  if (words < pairWords) {
    std::fprintf(stderr, "voicecheck: the texts hold only %d words; %d were asked for.\n", words,
                 pairWords);
    ok = false;
  }

  // About speakSeconds of speech: passages until their phonemes (about 80 ms each) fill it.
  std::vector<std::string> spoken;
  double estimate = 0.0;
  for (const std::string& p : passages) {
    if (estimate >= speakSeconds) break;
    std::vector<StreamPhoneme> one;
    if (!FrontEndPhonemes(*grammar, {p}, pitch, &one, &error)) break;
    spoken.push_back(p);
    estimate += 0.08 * static_cast<double>(one.size());
  }
  RenderedSpeech speech;
  VoiceCheck smoothed, plain;
  if (ok) ok = RenderText(voice, *grammar, spoken, pitch, &speech, &error);
  if (ok) {
    smoothed = CheckSpeech(*voice, speech);
    const int32_t back = voice->smoothBack, forward = voice->smoothForward;
    voice->smoothBack = voice->smoothForward = 0;
    RenderedSpeech rough;
    ok = RenderText(voice, *grammar, spoken, pitch, &rough, &error);
    voice->smoothBack = back;
    voice->smoothForward = forward;
    if (ok) plain = CheckSpeech(*voice, rough);
  }
  if (!ok) {
    std::fprintf(stderr, "voicecheck: %s\n", error.empty() ? "the check failed." : error.c_str());
    return 1;
  }
  std::printf("spoken: %zu passages at pitch adjust %d\n", spoken.size(), pitch);
  PrintPeriods(smoothed);
  std::printf("join discontinuity with smoothing %d/%d: %.4f, without: %.4f (inside units %.4f)\n",
              voice->smoothBack, voice->smoothForward, smoothed.joinJump, plain.joinJump,
              smoothed.steadyJump);
  const bool periodsHold =
      !requirePeriods || (smoothed.periodsOff == 0 && smoothed.glidingOff == 0);
  const bool passed = coverage.missing.empty() && smoothed.clipped == 0 && periodsHold &&
                      smoothed.periodsMeasured > 0 && smoothed.joinJump < plain.joinJump;
  return passed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string voicePath, phonemes, grammarPath, sayText, rawPath;
  std::vector<std::string> texts;
  int32_t words = 0, stress = 5, pairWords = 5000, pitch = 0;
  double speakSeconds = 120.0;
  bool reportPeriods = false;
  CLI::App app{"voicecheck: renders text with the engine and checks a voice file"};
  app.footer(kUsage);
  app.add_option("--voice", voicePath, "the voice file")->required();
  app.add_option("--phonemes", phonemes, "phoneme text to render");
  app.add_option("--random-words", words, "render N random words");
  app.add_option("--stress", stress, "the stress of the rendered vowels")->check(CLI::Range(0, 10));
  app.add_option("--grammar", grammarPath, "the grammar the text goes through");
  app.add_option("--text", texts, "text files (fortune files or paragraphs)");
  app.add_option("--pair-words", pairWords, "words whose pairs the voice must hold");
  app.add_option("--speak-seconds", speakSeconds, "seconds of the text to speak");
  app.add_option("--say", sayText, "one text to speak into --raw");
  app.add_option("--raw", rawPath, "the raw sample file --say writes");
  app.add_option("--pitch", pitch, "the items' pitch adjust")->check(CLI::Range(-10, 10));
  app.add_flag("--report-periods", reportPeriods, "report the periods without requiring them");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  const bool requirePeriods = !reportPeriods;
  const bool textMode = !grammarPath.empty();
  if (voicePath.empty() || (textMode && texts.empty() && (sayText.empty() || rawPath.empty())) ||
      (!textMode && phonemes.empty() && words <= 0)) {
    std::fprintf(stderr,
                 "voicecheck: give --phonemes or --random-words, or --grammar with --text "
                 "or with --say and --raw.\n%s",
                 kUsage);
    return 2;
  }
  const std::vector<char> bytes = ReadFile(voicePath);
  std::vector<int32_t> aligned((bytes.size() + 3) / 4);
  if (!bytes.empty())
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(aligned.data()));
  VoiceInventory voice{};
  if (bytes.empty() || LoadVoice(&voice, aligned.data(), bytes.size()) != 1) {
    ReleaseVoiceBuffers(&voice);
    std::fprintf(stderr, "voicecheck: %s is not a usable voice file.\n", voicePath.c_str());
    return 1;
  }
  if (textMode && !sayText.empty()) {
    const int result = SayText(&voice, grammarPath, sayText, rawPath, pitch);
    ReleaseVoiceBuffers(&voice);
    return result;
  }
  if (textMode) {
    const int result =
        CheckText(&voice, grammarPath, texts, pairWords, speakSeconds, pitch, requirePeriods);
    ReleaseVoiceBuffers(&voice);
    return result;
  }
  if (phonemes.empty()) phonemes = RandomPhonemeText(words, 7);
  RenderedSpeech speech;
  const bool rendered = RenderPhonemes(&voice, phonemes, stress, &speech);
  const VoiceCheck c = rendered ? CheckSpeech(voice, speech) : VoiceCheck{};
  ReleaseVoiceBuffers(&voice);
  if (!rendered) {
    std::fprintf(stderr, "voicecheck: the engine could not render the text.\n");
    return 1;
  }
  PrintPeriods(c);
  std::printf("join discontinuity %.4f (inside units %.4f)\n", c.joinJump, c.steadyJump);
  return c.clipped == 0 && c.periodsOff == 0 ? 0 : 1;
}
