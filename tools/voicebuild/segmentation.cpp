#include "segmentation.h"

#include <algorithm>

#include "donor_phonemes.h"

namespace brelvox::voicebuild {

namespace {

bool IsDonorPause(const std::string& mnemonic) {
  return !mnemonic.empty() && mnemonic[0] == '_';
}

bool IsDonorVowel(const std::string& mnemonic) {
  return mnemonic == "a" || mnemonic == "e" || mnemonic == "i" || mnemonic == "o" ||
         mnemonic == "u" || mnemonic == "@";
}

std::string Base(std::string mnemonic) {
  while (!mnemonic.empty() && mnemonic.back() == ';')
    mnemonic.pop_back();
  return mnemonic;
}

}  // namespace

int32_t MaxClosureSamples(int32_t sampleRate) {
  return static_cast<int32_t>(0.05 * sampleRate);
}

bool SegmentUtterance(std::string_view phonemes, const DonorUtterance& utterance,
                      Segmentation* result, std::string* error) {
  result->segments.clear();
  result->notes.clear();
  const std::vector<DonorEvent>& events = utterance.events;
  const auto total = static_cast<int32_t>(utterance.samples.size());
  size_t k = 0;
  auto skipPauses = [&] {
    while (k < events.size() && IsDonorPause(events[k].mnemonic))
      ++k;
  };
  for (size_t i = 0; i < phonemes.size(); ++i) {
    const char phoneme = phonemes[i];
    const DonorPhoneme* want = FindDonorPhoneme(phoneme);
    skipPauses();
    if (want == nullptr || k >= events.size()) {
      *error = "the donor said fewer phonemes than \"" + std::string(phonemes) + "\"";
      return false;
    }
    const DonorEvent& event = events[k++];
    if (Base(event.mnemonic) != Base(want->mnemonic)) {
      result->notes.push_back("asked for " + std::string(want->mnemonic) + ", the donor said " +
                              event.mnemonic);
    }
    // A glide right after the event: palatalisation of a consonant, or a glide inserted between
    // two vowels; either way it belongs to this phoneme unless the glide is the next phoneme.
    const bool nextIsGlide = i + 1 < phonemes.size() && phonemes[i + 1] == kGlidePhoneme;
    if (k < events.size() && events[k].mnemonic == ";" && !nextIsGlide) {
      if (IsDonorVowel(event.mnemonic)) {
        result->notes.push_back("the donor put a glide after " + event.mnemonic);
      }
      ++k;
    }
    result->segments.push_back(PhonemeSegment{phoneme, event.sample, total});
  }
  skipPauses();
  if (k < events.size()) {
    *error = "the donor said more phonemes than \"" + std::string(phonemes) + "\" (" +
             events[k].mnemonic + ")";
    return false;
  }
  // Ends: the next phoneme's start, or the first donor event (a pause) after the last phoneme.
  std::vector<PhonemeSegment>& segments = result->segments;
  for (size_t i = 0; i + 1 < segments.size(); ++i)
    segments[i].end = segments[i + 1].start;
  if (!segments.empty()) {
    for (const DonorEvent& event : events) {
      if (event.sample > segments.back().start && IsDonorPause(event.mnemonic)) {
        segments.back().end = std::min(event.sample, total);
        break;
      }
    }
  }
  // The silent closure before a stop's burst belongs to the stop.
  const int32_t maxClosure = MaxClosureSamples(DonorSampleRate() > 0 ? DonorSampleRate() : 22050);
  for (size_t i = 0; i < segments.size(); ++i) {
    if (!FindDonorPhoneme(segments[i].phoneme)->closure) continue;
    const int32_t floor = i > 0 ? segments[i - 1].start + 1 : 0;
    int32_t start = segments[i].start;
    while (start - 1 >= floor && segments[i].start - (start - 1) <= maxClosure &&
           start - 1 < total && utterance.samples[static_cast<size_t>(start - 1)] == 0) {
      --start;
    }
    segments[i].start = start;
    if (i > 0) segments[i - 1].end = start;
  }
  for (const PhonemeSegment& s : segments) {
    if (s.end <= s.start) {
      *error = "the donor gave an empty phoneme in \"" + std::string(phonemes) + "\"";
      return false;
    }
  }
  return true;
}

}  // namespace brelvox::voicebuild
