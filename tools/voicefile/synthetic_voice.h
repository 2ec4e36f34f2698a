// A small synthetic diphone voice: every phoneme modelled by a pulse train through formant
// resonators and shaped noise, every ordered pair of phonemes a unit that glides from the first
// model to the second at a flat pitch. It speaks robotically, but every unit is there,
// pitch-marked, so the whole rendering path can be heard and measured without recordings.
#pragma once

#include "voice_file_writer.h"

namespace brelvox::voicefile {

struct SyntheticVoiceOptions {
  int32_t sampleRate = 16000;
  double baseF0 = 125.0;
};

VoiceFileContents MakeSyntheticVoice(const SyntheticVoiceOptions& options);

}  // namespace brelvox::voicefile
