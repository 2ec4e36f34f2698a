// A corpus of labelled natural recordings in the layout of the Russian read-speech corpus that
// Debian ships (festvox-ru): wav/NAME.wav (16-bit mono), lab/NAME.lab (one phone a line, "END
// COLOUR PHONE" with END in seconds, after a line holding "#"), mcep/NAME.mcep (a binary track
// whose frames sit pitch-synchronously in voiced speech; only the frame times are read). Also the
// mapping of the voice's phonemes onto the corpus's phones.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brelvox::voicebuild {

// The corpus's phones: stressed vowels, reduced vowels, consonants with their soft twins, pause.
struct CorpusPhone {
  const char* name;
  bool vowel;
  bool voiced;
};

// The index of a corpus phone name, or -1.
int32_t CorpusPhoneIndex(std::string_view name);
const CorpusPhone& CorpusPhoneAt(int32_t index);
int32_t CorpusPauseIndex();

struct CorpusSegment {
  int32_t phone;  // CorpusPhoneIndex
  int32_t start;  // first sample
  int32_t end;    // one past the last sample
};

// Parses a label file's text: segments one after another from sample 0, END x `sampleRate`
// rounded. False with a message naming the line for an unknown phone or a time going backwards.
bool ParseCorpusLabels(const std::string& text, int32_t sampleRate,
                       std::vector<CorpusSegment>* segments, std::string* error);

// The frame times of a track file (ASCII header up to "EST_Header_End", then binary float frames:
// time, a break flag when BreaksPresent is true, NumChannels values), in samples at `sampleRate`.
bool ParseTrackTimes(const std::string& bytes, int32_t sampleRate, std::vector<int32_t>* times,
                     std::string* error);

struct CorpusRecording {
  std::string name;
  std::vector<CorpusSegment> segments;
  std::vector<int32_t> frames;  // pitch-synchronous frame times, samples
};

// The labels and frame times of every recording of the corpus folder, in name order (the audio is
// read later, one recording at a time: see CorpusWavPath).
bool ReadCorpusIndex(const std::string& folder, int32_t sampleRate,
                     std::vector<CorpusRecording>* recordings, std::string* error);

std::string CorpusWavPath(const std::string& folder, const std::string& name);

// The corpus sounds that stand for one of the voice's phonemes, best first: each alternative a
// sequence of corpus phone indices (дж is d + zh).
const std::vector<std::vector<int32_t>>& CorpusAlternatives(char phoneme);

// The corpus phone names of a sequence, separated by '+'.
std::string CorpusSequenceName(const std::vector<int32_t>& sequence);

}  // namespace brelvox::voicebuild
