// Made-up speech for the recording inputs of the voice builder.
#pragma once

#include <cstdint>
#include <vector>

namespace brelvox::voicebuild {

// "_ a s a _" at 16 000 Hz: 1600 samples of silence, a vowel whose period glides from 140 to 110
// samples (each glottal pulse exciting a damped 700 Hz resonance), 1500 samples of noise, the
// vowel again, 1600 samples of silence (10 700 samples). `pulses` gets the pulse times.
std::vector<double> MadeUpSpeech(std::vector<int32_t>* pulses);

// The same rounded to 16-bit samples.
std::vector<int16_t> MadeUpSamples(std::vector<int32_t>* pulses);

}  // namespace brelvox::voicebuild
