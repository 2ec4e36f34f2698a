// Builds a diphone voice file from the donor: one carrier word per wanted phoneme pair, cut into
// units, pitch-marked, levelled and packed in the engine's voice file format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "donor.h"
#include "pair_list.h"
#include "tools/voicefile/voice_file_writer.h"
#include "unit_cutter.h"

namespace brelvox::voicebuild {

struct Carrier {
  std::string phonemes;  // the voice phonemes the donor says (no pause characters)
  size_t pairIndex = 0;  // segment index of the pair's left phoneme, pauses included
  bool leadingPause = false;
  bool trailingPause = false;
};

// The carrier of an ordered pair: the pair between neutral context ("t" and "y" around it), the
// stress on a context vowel when neither phoneme of the pair is a stressed vowel, the donor's own
// silence for a pair with the pause.
Carrier MakeCarrier(PhonemePair pair);

struct VoiceBuildOptions {
  DonorOptions donor;
  std::vector<PhonemePair> pairs;
  int32_t smoothBack = 2;
  int32_t smoothForward = 2;
  int32_t maxHalfFrame = 400;
  double pauseSeconds = 0.1;  // length of the pause phoneme
  double peakLevel = 0.55;    // the loudest unit sample, as a fraction of full scale
};

struct PairNote {
  PhonemePair pair;
  std::string text;
};

struct VoiceBuildReport {
  int32_t requested = 0;
  int32_t built = 0;
  std::vector<PairNote> failed;     // pairs the donor could not make, with the reason
  std::vector<PairNote> notes;      // pairs made, with the donor's departures from the carrier
  std::vector<PairNote> fallbacks;  // pairs made of other sounds than asked for, and how
  double baseF0 = 0.0;
  double gain = 0.0;  // the common gain applied after levelling
  int64_t sampleCount = 0;
  int32_t leadIn = 0;
};

// The units of a labelled recording for the wanted pairs at `indices`, marked with `grid`.
bool CutRecording(const LabelledRecording& recording, const PitchGrid& grid,
                  const std::vector<size_t>& indices, int32_t maxHalfFrame,
                  std::vector<CutUnit>* units, std::vector<std::string>* errors);

// Levels the units (each phoneme to the median level of its occurrences, ramped across a unit)
// and packs them into a voice with the given base pitch. Fills the report's gain, sample count
// and lead-in.
bool PackVoice(std::vector<CutUnit> units, int32_t sampleRate, const PitchGrid& grid,
               const VoiceBuildOptions& options, voicefile::VoiceFileContents* voice,
               VoiceBuildReport* report, std::string* error);

// The whole build from the donor.
bool BuildDonorVoice(const VoiceBuildOptions& options, voicefile::VoiceFileContents* voice,
                     VoiceBuildReport* report, std::string* error);

// The whole build from a folder of labelled recordings (see recordings.h), through the same
// cutting and packing: every ordered pair of neighbouring phonemes in the recordings, or only the
// options' pairs when there are any (then a pair no recording holds is reported), the first
// occurrence of a pair kept. Marks follow the recordings' own pitch; baseF0 is their median.
bool BuildRecordedVoice(const VoiceBuildOptions& options, const std::string& folder,
                        voicefile::VoiceFileContents* voice, VoiceBuildReport* report,
                        std::string* error);

// A readable report of the build.
std::string FormatReport(const VoiceBuildReport& report);

// The coverage of each pair source by a built voice: a line "coverage of NAME: built of asked"
// and a line naming every pair of the source the voice lacks. `missing` (optional) receives the
// number of wanted pairs without a unit, over all sources.
std::string CoverageReport(const std::vector<PairSource>& sources,
                           const voicefile::VoiceFileContents& voice, int32_t* missing = nullptr);

}  // namespace brelvox::voicebuild
