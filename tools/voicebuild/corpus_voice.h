// The voice cut from a corpus of natural recordings (corpus.h): for every wanted pair the best
// occurrence of the pair's corpus sounds by measured criteria, cut middle to middle through the
// builder's own cutting and packing.
#pragma once

#include <string>

#include "voice_builder.h"

namespace brelvox::voicebuild {

// How occurrences are chosen. The cost of an occurrence adds, in points:
//  - `substitutionCost` for each step down a phoneme's list of corpus sounds (corpus.h), and
//    `splitCost` for a geminate cut out of one long phone;
//  - the pitch at each phoneme middle away from the speaker's median: `pitchCost` a semitone
//    beyond the first;
//  - a phone shorter than its minimum (50 ms stressed vowel, 40 ms other vowel, 30 ms consonant):
//    `shortCost` times the missing fraction; one longer than 1.5 times the corpus's median for
//    its phone (0.8 times for an unstressed vowel said with a stressed one): `longCost` a median
//    beyond that (the voice keeps the recorded durations);
//  - voicing against expectation over the middle half of each phone: `voicingCost` times the
//    fraction voiced in a voiceless phone or not voiced in a voiced one;
//  - the labelled boundary further than 10 ms from the strongest spectral change within 20 ms:
//    `boundaryCost` each further 10 ms (the cut uses the moved boundary);
//  - a sample at full scale inside the unit: `clipCost`; a pause side that is not quiet:
//    `noisyPauseCost`.
struct CorpusSelection {
  double substitutionCost = 4.0;
  double splitCost = 2.0;
  double pitchCost = 0.5;
  double shortCost = 3.0;
  double longCost = 1.0;
  double voicingCost = 2.0;
  double boundaryCost = 1.0;
  double clipCost = 20.0;
  double noisyPauseCost = 3.0;
  int32_t candidates = 8;  // occurrences measured in full per pair, the best by the cheap terms
};

// Builds the voice from `folder` (16 000 Hz recordings). Every wanted pair gets a unit: the best
// occurrence of its corpus sounds; failing any, a geminate cut from one long phone; failing that,
// two half units (the left phoneme's from one recording, the right's from another) joined at the
// boundary. The report's notes tell for every pair where it was cut from; its fallbacks list the
// pairs made of other sounds than the first choice, split or joined. With a `cacheFolder` the
// epochs of each recording are kept there and reused while the recording and the builder stay
// the same (most of the build's work).
bool BuildCorpusVoice(const VoiceBuildOptions& options, const CorpusSelection& selection,
                      const std::string& folder, const std::string& cacheFolder,
                      voicefile::VoiceFileContents* voice, VoiceBuildReport* report,
                      std::string* error);

}  // namespace brelvox::voicebuild
