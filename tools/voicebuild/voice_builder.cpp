#include "voice_builder.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "donor_phonemes.h"
#include "engine/core/sound/phoneme_set.h"
#include "recordings.h"

using namespace brelvox::voicefile;

namespace brelvox::voicebuild {

namespace {

bool IsVowelPhoneme(char c) {
  const DonorPhoneme* p = FindDonorPhoneme(c);
  return p != nullptr && p->vowel;
}

bool IsStressedVowel(char c) {
  const DonorPhoneme* p = FindDonorPhoneme(c);
  return p != nullptr && p->vowel && p->stressed;
}

bool NeedsVowelAfter(char c) {
  const DonorPhoneme* p = FindDonorPhoneme(c);
  return p != nullptr && (p->palatalised || c == kGlidePhoneme);
}

// Makes the first unstressed context vowel of `context` stressed; false when it has none.
bool StressContext(std::string* context) {
  for (char& c : *context) {
    if (c == 'y' || c == 'a' || c == 'i') {
      c = static_cast<char>(c == 'y' ? 'Y' : (c == 'a' ? 'A' : 'I'));
      return true;
    }
  }
  return false;
}

// The recording of a carrier: DC removed, the pauses of the pair added as silence.
bool RecordCarrier(const Carrier& carrier, int32_t pauseSamples, LabelledRecording* recording,
                   std::vector<std::string>* notes, std::string* error) {
  recording->signal.clear();
  recording->segments.clear();
  if (carrier.phonemes.empty()) {  // the pause pair: silence only
    recording->signal.assign(static_cast<size_t>(2 * pauseSamples), 0.0);
    recording->segments = {{'_', 0, pauseSamples}, {'_', pauseSamples, 2 * pauseSamples}};
    return true;
  }
  DonorUtterance utterance;
  if (!DonorSay(DonorPhonemeText(carrier.phonemes), &utterance, error)) return false;
  Segmentation segmentation;
  if (!SegmentUtterance(carrier.phonemes, utterance, &segmentation, error)) return false;
  double mean = 0.0;
  for (int16_t s : utterance.samples)
    mean += s;
  mean /= std::max<size_t>(utterance.samples.size(), 1);
  const int32_t shift = carrier.leadingPause ? pauseSamples : 0;
  recording->signal.assign(static_cast<size_t>(shift), 0.0);
  for (int16_t s : utterance.samples)
    recording->signal.push_back(s - mean);
  for (PhonemeSegment s : segmentation.segments) {
    s.start += shift;
    s.end += shift;
    recording->segments.push_back(s);
  }
  if (carrier.leadingPause) {
    recording->segments.insert(recording->segments.begin(),
                               PhonemeSegment{'_', 0, recording->segments.front().start});
  }
  if (carrier.trailingPause) {
    const int32_t end = recording->segments.back().end;
    recording->signal.resize(
        std::max(recording->signal.size(), static_cast<size_t>(end + pauseSamples)), 0.0);
    // Whatever the donor left after the last phoneme fades into the pause.
    for (int32_t i = end; i < static_cast<int32_t>(recording->signal.size()); ++i) {
      const double fade = std::max(0.0, 1.0 - (i - end) / (0.1 * pauseSamples));
      recording->signal[static_cast<size_t>(i)] *= fade;
    }
    recording->segments.push_back(PhonemeSegment{'_', end, end + pauseSamples});
  }
  notes->insert(notes->end(), segmentation.notes.begin(), segmentation.notes.end());
  return true;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

Carrier MakeCarrier(PhonemePair pair) {
  const auto [x, y] = pair;
  Carrier carrier;
  if (x == '_' && y == '_') {
    carrier.leadingPause = carrier.trailingPause = true;
    return carrier;
  }
  std::string left;
  std::string right;
  if (x == '_') {
    carrier.leadingPause = true;
  } else if (x == kGlidePhoneme) {
    // The glide after a vowel, as in the default pairs; before j it follows a consonant, as the
    // front end writes -ия (the donor drops its glide after i before j).
    left = y == 'j' ? "tyt" : "ti";
  } else if (IsVowelPhoneme(x)) {
    left = "tyt";
  } else {
    left = "ty";
  }
  if (y == '_') {
    carrier.trailingPause = true;
  } else if (NeedsVowelAfter(y)) {
    right = "at";
  } else if (IsVowelPhoneme(y)) {
    right = "ty";
  } else {
    right = "yt";
  }
  if (!IsStressedVowel(x) && !IsStressedVowel(y)) {
    if (!StressContext(&right)) StressContext(&left);
  }
  std::string middle;
  if (x != '_') middle += x;
  if (y != '_') middle += y;
  carrier.phonemes = left + middle + right;
  carrier.pairIndex = left.size();  // a leading pause is the pair's own left phoneme
  return carrier;
}

bool CutRecording(const LabelledRecording& recording, const PitchGrid& grid,
                  const std::vector<size_t>& indices, int32_t maxHalfFrame,
                  std::vector<CutUnit>* units, std::vector<std::string>* errors) {
  const std::vector<int32_t> marks =
      PlacePitchMarks(recording.signal, VoicedRanges(recording.segments), grid);
  bool all = true;
  for (size_t index : indices) {
    CutUnit unit;
    std::string error;
    if (index + 1 >= recording.segments.size() ||
        !CutDiphone(recording, marks, index, grid.period, maxHalfFrame, &unit, &error)) {
      errors->push_back(error.empty() ? "no such phoneme pair in the recording" : error);
      all = false;
      continue;
    }
    units->push_back(std::move(unit));
  }
  return all;
}

bool PackVoice(std::vector<CutUnit> units, int32_t sampleRate, const PitchGrid& grid,
               const VoiceBuildOptions& options, VoiceFileContents* voice, VoiceBuildReport* report,
               std::string* error) {
  const double fs = sampleRate;
  const double baseF0 = fs / grid.period;
  // The longest period synthesis can ask for: the lowest stress at the lowest pitch adjust.
  const double longest = fs / (baseF0 * PitchTable[0] * PitchTable[0]);
  if (longest >= options.maxHalfFrame) {
    *error = "the longest period (" + std::to_string(longest) +
             " samples) does not fit the largest half frame; raise it.";
    return false;
  }
  // The lead-in covers the longest period; the rate sits half a sample away from an integer
  // lead-in so that fs / rate and (1 / rate) * fs truncate to the same count.
  const auto leadIn = static_cast<int32_t>(std::ceil(longest)) + 1;
  const double leadInFrequency = fs / (leadIn + 0.5);
  if (static_cast<int32_t>(fs / leadInFrequency) != leadIn ||
      static_cast<int32_t>((1.0 / leadInFrequency) * fs) != leadIn) {
    *error = "the lead-in cannot be expressed as a rate";
    return false;
  }

  // Level: every phoneme to the median level of its occurrences.
  std::map<char, std::vector<double>> levels;
  for (const CutUnit& u : units) {
    if (u.left != '_' && u.leftLevel > 1.0) levels[u.left].push_back(u.leftLevel);
    if (u.right != '_' && u.rightLevel > 1.0) levels[u.right].push_back(u.rightLevel);
  }
  std::map<char, double> target;
  for (const auto& [phoneme, values] : levels)
    target[phoneme] = Median(values);
  auto gainFor = [&](char phoneme, double level) {
    if (phoneme == '_' || level <= 1.0) return 1.0;
    return std::clamp(target[phoneme] / level, 0.5, 2.0);
  };
  double peak = 0.0;
  for (CutUnit& u : units) {
    const double g1 = gainFor(u.left, u.leftLevel);
    const double g2 = gainFor(u.right, u.rightLevel);
    for (size_t i = 0; i < u.samples.size(); ++i) {
      const double x = static_cast<double>(static_cast<int32_t>(i) - u.first);
      const double g = x <= 0 ? g1 : (x >= u.duration ? g2 : g1 + (g2 - g1) * x / u.duration);
      u.samples[i] *= g;
      peak = std::max(peak, std::fabs(u.samples[i]));
    }
  }
  const double gain = peak > 0.0 ? options.peakLevel * 32767.0 / peak : 1.0;

  std::sort(units.begin(), units.end(), [](const CutUnit& a, const CutUnit& b) {
    return VoiceIndexOf(a.left) * 53 + VoiceIndexOf(a.right) <
           VoiceIndexOf(b.left) * 53 + VoiceIndexOf(b.right);
  });
  VoiceFileContents& v = *voice;
  v = VoiceFileContents{};
  v.header.sampleRate = sampleRate;
  v.header.samplingFrequency = fs;
  v.header.leadInFrequency = leadInFrequency;
  v.header.sampleBytes = 2;
  v.header.maxHalfFrame = options.maxHalfFrame;
  v.header.baseF0 = baseF0;
  v.header.smoothBack = options.smoothBack;
  v.header.smoothForward = options.smoothForward;
  v.units.assign(kUnitTableEntries, DiphoneUnit{0, 0, 0, 0, 0});
  for (const CutUnit& u : units) {
    const int32_t record = VoiceIndexOf(u.left) * 53 + VoiceIndexOf(u.right);
    DiphoneUnit& d = v.units[static_cast<size_t>(record)];
    if (d.duration != 0) continue;  // a pair asked for twice keeps its first unit
    d.start = static_cast<int32_t>(v.samples.size()) + u.first;
    d.duration = u.duration;
    d.boundary = u.boundary;
    d.firstMark = static_cast<int32_t>(v.marks.size());
    d.markCount = static_cast<int32_t>(u.marks.size());
    for (const CutMark& m : u.marks)
      v.marks.push_back(PitchMark{m.start, m.left, m.right, 0});
    for (double s : u.samples) {
      const double scaled = std::round(s * gain);
      v.samples.push_back(static_cast<int16_t>(std::clamp(scaled, -32767.0, 32767.0)));
    }
  }
  report->baseF0 = baseF0;
  report->gain = gain;
  report->sampleCount = static_cast<int64_t>(v.samples.size());
  report->leadIn = leadIn;
  return true;
}

bool BuildDonorVoice(const VoiceBuildOptions& options, VoiceFileContents* voice,
                     VoiceBuildReport* report, std::string* error) {
  if (!OpenDonor(options.donor, error)) return false;
  const int32_t rate = DonorSampleRate();
  const auto pauseSamples = static_cast<int32_t>(options.pauseSeconds * rate);

  // The donor's flat pitch, from a long voiced stretch, and the reference period, from the
  // steady middle of its first stressed vowel.
  LabelledRecording reference;
  Carrier referenceCarrier;
  referenceCarrier.phonemes = "tAmamAmamAty";
  std::vector<std::string> referenceNotes;
  if (!RecordCarrier(referenceCarrier, pauseSamples, &reference, &referenceNotes, error)) {
    return false;
  }
  const PhonemeSegment& vowel = reference.segments[1];
  const SampleRange voiced{vowel.start, reference.segments[reference.segments.size() - 3].end};
  const double period = MeasureFlatPeriod(reference.signal, voiced, rate / 300.0, rate / 60.0);
  const int32_t quarter = (vowel.end - vowel.start) / 4;
  const SampleRange steady{vowel.start + quarter, vowel.end - quarter};
  const PitchGrid grid = MakePitchGrid(reference.signal, steady, period);

  std::vector<CutUnit> units;
  report->requested = static_cast<int32_t>(options.pairs.size());
  for (const PhonemePair& pair : options.pairs) {
    const Carrier carrier = MakeCarrier(pair);
    LabelledRecording recording;
    std::string reason;
    std::vector<std::string> notes;
    if (!RecordCarrier(carrier, pauseSamples, &recording, &notes, &reason)) {
      report->failed.push_back(PairNote{pair, reason});
      continue;
    }
    for (const std::string& note : notes)
      report->notes.push_back(PairNote{pair, note});
    std::vector<std::string> errors;
    if (!CutRecording(recording, grid, {carrier.pairIndex}, options.maxHalfFrame, &units,
                      &errors)) {
      report->failed.push_back(PairNote{pair, errors.empty() ? "not cut" : errors.front()});
      continue;
    }
    if (units.back().left != pair.first || units.back().right != pair.second) {
      units.pop_back();
      report->failed.push_back(PairNote{pair, "the carrier did not hold the pair"});
      continue;
    }
    ++report->built;
  }
  return PackVoice(std::move(units), rate, grid, options, voice, report, error);
}

bool BuildRecordedVoice(const VoiceBuildOptions& options, const std::string& folder,
                        VoiceFileContents* voice, VoiceBuildReport* report, std::string* error) {
  RecordingFolder recordings;
  if (!ReadRecordingFolder(folder, &recordings, error)) return false;
  const int32_t rate = recordings.sampleRate;
  const auto shortest = static_cast<int32_t>(rate / 400.0);
  const auto longest = static_cast<int32_t>(rate / 60.0);
  std::vector<std::vector<int32_t>> marks;
  std::vector<double> spacings;
  const double nominal = rate / 120.0;
  for (const LabelledRecording& r : recordings.recordings) {
    marks.push_back(
        TrackPitchMarks(r.signal, VoicedRanges(r.segments), shortest, longest, nominal, &spacings));
  }
  if (spacings.empty()) {
    *error = "no voiced sound with a steady pitch was found in " + folder + ".";
    return false;
  }
  PitchGrid grid;
  grid.period = Median(spacings);

  std::map<PhonemePair, bool> wanted;  // pair -> built
  for (const PhonemePair& p : options.pairs)
    wanted[p] = false;
  const bool all = options.pairs.empty();
  std::vector<CutUnit> units;
  std::map<PhonemePair, std::string> reasons;
  for (size_t k = 0; k < recordings.recordings.size(); ++k) {
    const LabelledRecording& r = recordings.recordings[k];
    for (size_t i = 0; i + 1 < r.segments.size(); ++i) {
      const PhonemePair pair{r.segments[i].phoneme, r.segments[i + 1].phoneme};
      if (r.segments[i].end != r.segments[i + 1].start) continue;  // not neighbours
      auto it = wanted.find(pair);
      if (it == wanted.end()) {
        if (!all) continue;
        it = wanted.emplace(pair, false).first;
      }
      if (it->second) continue;
      CutUnit unit;
      std::string reason;
      if (!CutDiphone(r, marks[k], i, grid.period, options.maxHalfFrame, &unit, &reason)) {
        reasons[pair] = recordings.names[k] + ": " + reason;
        continue;
      }
      units.push_back(std::move(unit));
      it->second = true;
    }
  }
  report->requested = static_cast<int32_t>(wanted.size());
  for (const auto& [pair, built] : wanted) {
    if (built) {
      ++report->built;
    } else {
      const auto reason = reasons.find(pair);
      report->failed.push_back(
          PairNote{pair, reason != reasons.end() ? reason->second : "no recording holds the pair"});
    }
  }
  return PackVoice(std::move(units), rate, grid, options, voice, report, error);
}

std::string FormatReport(const VoiceBuildReport& report) {
  std::ostringstream out;
  out << "pairs asked for: " << report.requested << "\n";
  out << "pairs built: " << report.built << "\n";
  out << "pairs the donor could not make: " << report.failed.size() << "\n";
  out << "base pitch: " << report.baseF0 << " Hz\n";
  out << "lead-in: " << report.leadIn << " samples\n";
  out << "gain after levelling: " << report.gain << "\n";
  out << "samples: " << report.sampleCount << "\n";
  for (const PairNote& n : report.failed)
    out << "not made: " << n.pair.first << n.pair.second << ": " << n.text << "\n";
  for (const PairNote& n : report.fallbacks)
    out << "fallback: " << n.pair.first << n.pair.second << ": " << n.text << "\n";
  for (const PairNote& n : report.notes)
    out << "note: " << n.pair.first << n.pair.second << ": " << n.text << "\n";
  return out.str();
}

std::string CoverageReport(const std::vector<PairSource>& sources, const VoiceFileContents& voice,
                           int32_t* missing) {
  std::ostringstream out;
  int32_t lacking = 0;
  for (const PairSource& source : sources) {
    std::string absent;
    int32_t built = 0;
    for (const PhonemePair& p : source.pairs) {
      const int32_t a = VoiceIndexOf(p.first);
      const int32_t b = VoiceIndexOf(p.second);
      const bool present = a >= 0 && b >= 0 &&
                           static_cast<size_t>(a * 53 + b) < voice.units.size() &&
                           voice.units[static_cast<size_t>(a * 53 + b)].duration > 0;
      if (present) {
        ++built;
      } else {
        absent += std::string(" ") + p.first + p.second;
      }
    }
    lacking += static_cast<int32_t>(source.pairs.size()) - built;
    out << "coverage of " << source.name << ": " << built << " of " << source.pairs.size()
        << " pairs\n";
    if (!absent.empty()) out << "missing from " << source.name << ":" << absent << "\n";
  }
  if (missing != nullptr) *missing = lacking;
  return out.str();
}

}  // namespace brelvox::voicebuild
