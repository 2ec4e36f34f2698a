// voicecheck: objective checks of a voice file: clipping, pitch periods at phoneme middles and the
// discontinuity at unit joins, over a phoneme text or a long pseudo-random text.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "voice_check.h"

int main(int argc, char** argv) {
  std::string voicePath, phonemes;
  int32_t words = 0, stress = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--voice") {
      voicePath = argv[i + 1];
    } else if (arg == "--phonemes") {
      phonemes = argv[i + 1];
    } else if (arg == "--random-words") {
      words = std::atoi(argv[i + 1]);
    } else if (arg == "--stress") {
      stress = std::atoi(argv[i + 1]);
    } else {
      std::fprintf(stderr, "voicecheck: unknown option %s\n", arg.c_str());
      return 2;
    }
  }
  if (voicePath.empty() || (phonemes.empty() && words <= 0) || stress < 0 || stress > 10) {
    std::fprintf(stderr,
                 "usage: voicecheck --voice FILE (--phonemes TEXT | --random-words N) "
                 "[--stress 0..10]\n");
    return 2;
  }
  if (phonemes.empty()) phonemes = RandomPhonemeText(words, 7);
  std::ifstream in(voicePath, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  std::vector<int32_t> aligned((bytes.size() + 3) / 4);
  if (!bytes.empty())
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(aligned.data()));
  VoiceInventory voice{};
  if (bytes.empty() || LoadVoice(&voice, aligned.data(), bytes.size()) != 1) {
    ReleaseVoiceBuffers(&voice);
    std::fprintf(stderr, "voicecheck: %s is not a usable voice file.\n", voicePath.c_str());
    return 1;
  }
  RenderedSpeech speech;
  const bool rendered = RenderPhonemes(&voice, phonemes, stress, &speech);
  const VoiceCheck c = rendered ? CheckSpeech(voice, speech, stress) : VoiceCheck{};
  ReleaseVoiceBuffers(&voice);
  if (!rendered) {
    std::fprintf(stderr, "voicecheck: the engine could not render the text.\n");
    return 1;
  }
  std::printf("seconds %.1f\nclipped samples %lld\npeak %d\n", c.seconds,
              static_cast<long long>(c.clipped), c.peak);
  std::printf("periods measured %d, off by more than one sample %d\n", c.periodsMeasured,
              c.periodsOff);
  if (c.periodsOff > 0) std::printf("off: %s\n", c.offPhonemes.c_str());
  std::printf("join discontinuity %.4f (inside units %.4f)\n", c.joinJump, c.steadyJump);
  return c.clipped == 0 && c.periodsOff == 0 ? 0 : 1;
}
