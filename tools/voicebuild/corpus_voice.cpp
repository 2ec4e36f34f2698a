#include "corpus_voice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "corpus.h"
#include "donor_phonemes.h"
#include "epochs.h"
#include "recordings.h"

using namespace brelvox::voicefile;

namespace brelvox::voicebuild {

namespace fs = std::filesystem;

namespace {

constexpr int32_t kRate = 16000;
constexpr int32_t kShortest = kRate / 400;       // the highest pitch looked for, 400 Hz
constexpr int32_t kLongest = kRate / 60;         // the lowest, 60 Hz
constexpr int32_t kBoundaryReach = kRate / 50;   // 20 ms
constexpr int32_t kBoundarySlack = kRate / 100;  // 10 ms
constexpr int32_t kMargin = 400;                 // samples kept around a half unit
constexpr double kQuietPause = 300.0;            // RMS of a pause side that counts as quiet

enum class Kind : uint8_t { kAdjacent, kSplit, kLeftHalf, kRightHalf };

// One occurrence of a pair's corpus sounds: the left phoneme over [xs, xb), the right over
// [xb, ye). A left half only uses [xs, xb), a right half only [xb, ye).
struct Candidate {
  int32_t pair;  // index into the wanted pairs
  int32_t recording;
  int32_t xs, xb, ye;
  int32_t leftPhone, rightPhone;  // the corpus phones at the two middles
  int16_t level;                  // steps down the phonemes' lists of corpus sounds
  Kind kind;
  double cost;    // cheap terms only, until measured
  int8_t ix, iy;  // the corpus sounds used, indices into the phonemes' lists
};

struct Choice {
  double cost = 1e300;
  CutUnit unit;
  std::string where;
  bool present = false;
  bool fallback = false;  // other sounds than the first choice, or a split phone
};

// A stored half unit: its samples with a margin, its marks, the phone span inside them.
struct Half {
  double cost = 1e300;
  std::vector<double> signal;
  std::vector<int32_t> marks;
  int32_t start = 0, end = 0;  // the phoneme inside `signal`
  std::string where;
};

double MinimumLength(int32_t phone, bool stressed) {
  const CorpusPhone& p = CorpusPhoneAt(phone);
  if (phone == CorpusPauseIndex()) return 0.04 * kRate;
  if (p.vowel) return (stressed ? 0.05 : 0.04) * kRate;
  return 0.03 * kRate;
}

bool IsStressedCorpusVowel(int32_t phone) {
  const std::string_view name = CorpusPhoneAt(phone).name;
  return CorpusPhoneAt(phone).vowel && name.size() == 2 && name[0] == name[1];
}

double Semitones(double period, double reference) {
  return std::fabs(12.0 * std::log2(period / reference));
}

// The period at a position from the corpus frames (the cheap estimate): the spacing of the two
// frames around it; 0 outside [kShortest, kLongest].
double FramePeriod(const std::vector<int32_t>& frames, int32_t position) {
  const auto it = std::lower_bound(frames.begin(), frames.end(), position);
  if (it == frames.begin() || it == frames.end()) return 0.0;
  const double spacing = *it - *(it - 1);
  return spacing >= kShortest && spacing <= kLongest ? spacing : 0.0;
}

std::string Seconds(int32_t sample) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(sample) / kRate);
  return text;
}

class Selector {
 public:
  Selector(const VoiceBuildOptions& options, const CorpusSelection& selection,
           const std::vector<CorpusRecording>& recordings)
      : options_(options), selection_(selection), recordings_(recordings) {
    for (int32_t r = 0; r < static_cast<int32_t>(recordings.size()); ++r) {
      const auto& segments = recordings[static_cast<size_t>(r)].segments;
      for (int32_t s = 0; s < static_cast<int32_t>(segments.size()); ++s) {
        byPhone_[segments[static_cast<size_t>(s)].phone].emplace_back(r, s);
      }
    }
    medianPeriod_ = MedianFramePeriod();
    std::vector<std::vector<double>> lengths(static_cast<size_t>(CorpusPauseIndex()) + 1);
    for (const CorpusRecording& r : recordings) {
      for (const CorpusSegment& s : r.segments)
        lengths[static_cast<size_t>(s.phone)].push_back(s.end - s.start);
    }
    for (std::vector<double>& l : lengths) {
      if (l.empty()) {
        medianLength_.push_back(0.0);
        continue;
      }
      std::nth_element(l.begin(), l.begin() + static_cast<ptrdiff_t>(l.size() / 2), l.end());
      medianLength_.push_back(l[l.size() / 2]);
    }
  }

  double medianPeriod() const { return medianPeriod_; }

  // The candidates of every wanted pair with their cheap cost, the best few of each kept.
  std::vector<Candidate> Candidates(const std::vector<PhonemePair>& pairs) {
    pairs_ = &pairs;
    std::vector<Candidate> kept;
    for (int32_t k = 0; k < static_cast<int32_t>(pairs.size()); ++k) {
      std::vector<Candidate> all;
      const auto [x, y] = pairs[static_cast<size_t>(k)];
      if (x == '_' && y == '_') continue;  // silence, made without the corpus
      AddAdjacent(k, x, y, &all);
      if (all.empty()) {
        AddHalves(k, x, Kind::kLeftHalf, &all);
        AddHalves(k, y, Kind::kRightHalf, &all);
      }
      for (Candidate& c : all)
        c.cost = CheapCost(c);
      auto keep = [&](Kind kind) {
        std::vector<Candidate> some;
        for (const Candidate& c : all) {
          if ((c.kind == Kind::kLeftHalf) == (kind == Kind::kLeftHalf) &&
              (c.kind == Kind::kRightHalf) == (kind == Kind::kRightHalf)) {
            some.push_back(c);
          }
        }
        const auto n = std::min<size_t>(some.size(), static_cast<size_t>(selection_.candidates));
        std::partial_sort(some.begin(), some.begin() + static_cast<ptrdiff_t>(n), some.end(),
                          [](const Candidate& a, const Candidate& b) { return a.cost < b.cost; });
        kept.insert(kept.end(), some.begin(), some.begin() + static_cast<ptrdiff_t>(n));
      };
      keep(Kind::kAdjacent);
      keep(Kind::kLeftHalf);
      keep(Kind::kRightHalf);
    }
    return kept;
  }

  // The full cost of a candidate in a recording whose epochs and spectra are known; moves the
  // candidate's boundaries to the spectral changes.
  double Measure(Candidate* c, const std::vector<double>& signal, const Epochs& epochs,
                 SpectralFrames* spectra, char x, char y) const {
    double cost = LevelCost(*c);
    const bool pauseLeft = x == '_', pauseRight = y == '_';
    if (c->kind != Kind::kSplit) {
      const int32_t label = c->xb;
      const int32_t moved = spectra->Boundary(label, kBoundaryReach, c->xs + (c->xb - c->xs) / 3,
                                              c->ye - (c->ye - c->xb) / 3);
      const int32_t shift = std::abs(moved - label);
      cost += selection_.boundaryCost * std::max(0, shift - kBoundarySlack) / kBoundarySlack;
      const int32_t delta = moved - label;
      c->xb = moved;
      if (pauseLeft && c->kind != Kind::kRightHalf) c->xs += delta;  // the pause keeps its length
      if (pauseRight && c->kind != Kind::kLeftHalf) c->ye += delta;
    }
    auto side = [&](int32_t phone, int32_t start, int32_t end, bool isPause, char phoneme) {
      double sideCost = 0.0;
      const double length = end - start;
      sideCost += LengthCost(phone, length, phoneme);
      if (isPause) {
        double sum = 0.0;
        for (int32_t i = std::max(start, 0); i < std::min<int32_t>(end, signal.size()); ++i)
          sum += signal[static_cast<size_t>(i)] * signal[static_cast<size_t>(i)];
        if (std::sqrt(sum / std::max(1.0, length)) > kQuietPause)
          sideCost += selection_.noisyPauseCost;
        return sideCost;
      }
      const int32_t quarter = (end - start) / 4;
      const double voiced = VoicedFraction(epochs, start + quarter, end - quarter);
      const bool expectVoiced = CorpusPhoneAt(phone).voiced;
      sideCost += selection_.voicingCost * (expectVoiced ? 1.0 - voiced : voiced);
      if (expectVoiced) {
        const double period = PeriodAt(epochs, (start + end) / 2);
        if (period > 0.0) {
          sideCost += selection_.pitchCost * std::max(0.0, Semitones(period, medianPeriod_) - 1.0);
        }
      }
      return sideCost;
    };
    if (c->kind != Kind::kRightHalf) cost += side(c->leftPhone, c->xs, c->xb, pauseLeft, x);
    if (c->kind != Kind::kLeftHalf) cost += side(c->rightPhone, c->xb, c->ye, pauseRight, y);
    const int32_t from = c->kind == Kind::kRightHalf ? c->xb : (c->xs + c->xb) / 2;
    const int32_t to = c->kind == Kind::kLeftHalf ? c->xb : (c->xb + c->ye) / 2;
    for (int32_t i = std::max(from, 0); i < std::min<int32_t>(to, signal.size()); ++i) {
      if (std::fabs(signal[static_cast<size_t>(i)]) >= 32000.0) {
        cost += selection_.clipCost;
        break;
      }
    }
    return cost;
  }

 private:
  double MedianFramePeriod() const {
    std::vector<double> spacings;
    for (const CorpusRecording& r : recordings_) {
      for (const CorpusSegment& s : r.segments) {
        if (!CorpusPhoneAt(s.phone).vowel) continue;
        const double p = FramePeriod(r.frames, (s.start + s.end) / 2);
        if (p > 0.0) spacings.push_back(p);
      }
    }
    if (spacings.empty()) return kRate / 150.0;
    std::nth_element(spacings.begin(),
                     spacings.begin() + static_cast<ptrdiff_t>(spacings.size() / 2),
                     spacings.end());
    return spacings[spacings.size() / 2];
  }

  // A phone shorter than its minimum, or longer than one and a half times its median (an
  // unstressed vowel said with a stressed corpus vowel: longer than 0.8 times its median).
  double LengthCost(int32_t phone, double length, char phoneme) const {
    const double minimum = MinimumLength(phone, IsStressedCorpusVowel(phone));
    double cost = selection_.shortCost * std::max(0.0, 1.0 - length / minimum);
    const double median = medianLength_[static_cast<size_t>(phone)];
    const DonorPhoneme* p = FindDonorPhoneme(phoneme);
    const bool reduced = p != nullptr && p->vowel && !p->stressed && IsStressedCorpusVowel(phone);
    if (phone != CorpusPauseIndex() && median > 0.0)
      cost += selection_.longCost * std::max(0.0, length / median - (reduced ? 0.8 : 1.5));
    return cost;
  }

  // A period away from the speaker's median by more than a semitone; 0 for no period.
  double PitchCost(double period) const {
    if (period <= 0.0) return 0.0;
    return selection_.pitchCost * std::max(0.0, Semitones(period, medianPeriod_) - 1.0);
  }

  double LevelCost(const Candidate& c) const {
    return selection_.substitutionCost * c.level +
           (c.kind == Kind::kSplit ? selection_.splitCost : 0.0);
  }

  double CheapCost(const Candidate& c) const {
    const CorpusRecording& r = recordings_[static_cast<size_t>(c.recording)];
    double cost = LevelCost(c);
    const auto [x, y] = (*pairs_)[static_cast<size_t>(c.pair)];
    auto side = [&](int32_t phone, int32_t start, int32_t end, char phoneme) {
      double sideCost = LengthCost(phone, end - start, phoneme);
      if (CorpusPhoneAt(phone).voiced)
        sideCost += PitchCost(FramePeriod(r.frames, (start + end) / 2));
      return sideCost;
    };
    if (c.kind != Kind::kRightHalf) cost += side(c.leftPhone, c.xs, c.xb, x);
    if (c.kind != Kind::kLeftHalf) cost += side(c.rightPhone, c.xb, c.ye, y);
    return cost;
  }

  // Occurrences of any of the pair's corpus sound sequences one after the other; for a geminate
  // of one sound, also long single phones split in two.
  void AddAdjacent(int32_t pair, char x, char y, std::vector<Candidate>* out) const {
    const auto& xs = CorpusAlternatives(x);
    const auto& ys = CorpusAlternatives(y);
    for (size_t ix = 0; ix < xs.size(); ++ix) {
      for (size_t iy = 0; iy < ys.size(); ++iy) {
        const auto level = static_cast<int16_t>(ix + iy);
        std::vector<int32_t> sequence = xs[ix];
        sequence.insert(sequence.end(), ys[iy].begin(), ys[iy].end());
        const auto found = byPhone_.find(sequence.front());
        if (found == byPhone_.end()) continue;
        for (const auto& [r, s] : found->second) {
          const auto& segments = recordings_[static_cast<size_t>(r)].segments;
          if (static_cast<size_t>(s) + sequence.size() > segments.size()) continue;
          bool match = true;
          for (size_t q = 1; q < sequence.size() && match; ++q)
            match = segments[static_cast<size_t>(s) + q].phone == sequence[q];
          if (!match) continue;
          const CorpusSegment& first = segments[static_cast<size_t>(s)];
          const CorpusSegment& lastX = segments[static_cast<size_t>(s) + xs[ix].size() - 1];
          const CorpusSegment& last = segments[static_cast<size_t>(s) + sequence.size() - 1];
          Candidate c{pair,
                      r,
                      first.start,
                      lastX.end,
                      last.end,
                      xs[ix].back(),
                      ys[iy].front(),
                      level,
                      Kind::kAdjacent,
                      0.0,
                      static_cast<int8_t>(ix),
                      static_cast<int8_t>(iy)};
          ClipPause(x, y, &c);
          out->push_back(c);
        }
        if (xs[ix] == ys[iy] && xs[ix].size() == 1) {
          for (const auto& [r, s] : found->second) {
            const CorpusSegment& one =
                recordings_[static_cast<size_t>(r)].segments[static_cast<size_t>(s)];
            if (one.end - one.start < 4.0 * medianPeriod_) continue;
            out->push_back(Candidate{pair, r, one.start, (one.start + one.end) / 2, one.end,
                                     one.phone, one.phone, level, Kind::kSplit, 0.0,
                                     static_cast<int8_t>(ix), static_cast<int8_t>(iy)});
          }
        }
      }
    }
  }

  // Half units of one phoneme: its corpus sounds followed (left half) or preceded (right half)
  // by any phone but the pause.
  void AddHalves(int32_t pair, char phoneme, Kind kind, std::vector<Candidate>* out) const {
    const auto& alternatives = CorpusAlternatives(phoneme);
    for (size_t i = 0; i < alternatives.size(); ++i) {
      const std::vector<int32_t>& sequence = alternatives[i];
      const auto found = byPhone_.find(sequence.front());
      if (found == byPhone_.end()) continue;
      for (const auto& [r, s] : found->second) {
        const auto& segments = recordings_[static_cast<size_t>(r)].segments;
        const size_t from = static_cast<size_t>(s);
        const size_t next = from + sequence.size();
        if (from + sequence.size() > segments.size()) continue;
        if (kind == Kind::kLeftHalf ? next >= segments.size() : from == 0) continue;
        bool match = true;
        for (size_t q = 1; q < sequence.size() && match; ++q)
          match = segments[from + q].phone == sequence[q];
        if (!match) continue;
        const CorpusSegment& first = segments[from];
        const CorpusSegment& last = segments[next - 1];
        const CorpusSegment& before = segments[kind == Kind::kLeftHalf ? from : from - 1];
        const CorpusSegment& after = segments[kind == Kind::kLeftHalf ? next : next - 1];
        const auto level = static_cast<int16_t>(i);
        const auto index = static_cast<int8_t>(i);
        Candidate c{};
        if (kind == Kind::kLeftHalf) {
          if (after.phone == CorpusPauseIndex()) continue;
          c = Candidate{pair,        r,     first.start, last.end, after.end, sequence.back(),
                        after.phone, level, kind,        0.0,      index,     0};
          ClipPause(phoneme, 0, &c);
        } else {
          if (before.phone == CorpusPauseIndex()) continue;
          c = Candidate{
              pair,  r,    before.start, first.start, last.end, before.phone, sequence.front(),
              level, kind, 0.0,          0,           index};
          ClipPause(0, phoneme, &c);
        }
        out->push_back(c);
      }
    }
  }

  // A pause side keeps at most the builder's pause length next to the speech.
  void ClipPause(char x, char y, Candidate* c) const {
    const auto pause = static_cast<int32_t>(options_.pauseSeconds * kRate);
    if (x == '_') c->xs = std::max(c->xs, c->xb - pause);
    if (y == '_') c->ye = std::min(c->ye, c->xb + pause);
  }

  const VoiceBuildOptions& options_;
  const CorpusSelection& selection_;
  const std::vector<CorpusRecording>& recordings_;
  std::map<int32_t, std::vector<std::pair<int32_t, int32_t>>> byPhone_;
  double medianPeriod_ = 0.0;
  std::vector<double> medianLength_;  // by corpus phone, samples
  const std::vector<PhonemePair>* pairs_ = nullptr;
};

std::vector<SampleRange> CorpusVoicedRanges(const std::vector<CorpusSegment>& segments) {
  std::vector<SampleRange> ranges;
  for (const CorpusSegment& s : segments) {
    if (!CorpusPhoneAt(s.phone).voiced) continue;
    if (!ranges.empty() && ranges.back().end == s.start) {
      ranges.back().end = s.end;
    } else {
      ranges.push_back(SampleRange{s.start, s.end});
    }
  }
  return ranges;
}

// What a cached epoch file must match: the recording's size and time and the builder's own time
// (a rebuilt builder may find other epochs).
std::array<int64_t, 3> EpochKey(const std::string& wav) {
  std::error_code ec;
  const auto time = [&](const fs::path& p) {
    return static_cast<int64_t>(fs::last_write_time(p, ec).time_since_epoch().count());
  };
  const auto size = static_cast<int64_t>(fs::file_size(wav, ec));
  return {size, time(wav), time(fs::read_symlink("/proc/self/exe", ec))};
}

constexpr char kEpochMagic[8] = {'E', 'P', 'O', 'C', 'H', 'S', '0', '1'};

bool LoadEpochs(const std::string& path, const std::string& wav, Epochs* epochs) {
  std::string bytes;
  if (!ReadWholeFile(path, &bytes)) return false;
  const std::array<int64_t, 3> key = EpochKey(wav);
  std::array<int64_t, 3> stored{};
  int64_t marks = 0, spacings = 0;
  constexpr size_t kHead = sizeof kEpochMagic + sizeof stored + 2 * sizeof(int64_t);
  if (bytes.size() < kHead || bytes.compare(0, 8, kEpochMagic, 8) != 0) return false;
  std::memcpy(stored.data(), bytes.data() + 8, sizeof stored);
  std::memcpy(&marks, bytes.data() + 8 + sizeof stored, 8);
  std::memcpy(&spacings, bytes.data() + 16 + sizeof stored, 8);
  if (stored != key || marks < 0 || spacings < 0 ||
      bytes.size() != kHead + static_cast<size_t>(marks) * 5 + static_cast<size_t>(spacings) * 8) {
    return false;
  }
  const char* at = bytes.data() + kHead;
  epochs->marks.resize(static_cast<size_t>(marks));
  epochs->voiced.resize(static_cast<size_t>(marks));
  epochs->spacings.resize(static_cast<size_t>(spacings));
  std::memcpy(epochs->marks.data(), at, epochs->marks.size() * 4);
  std::memcpy(epochs->voiced.data(), at + marks * 4, epochs->voiced.size());
  std::memcpy(epochs->spacings.data(), at + marks * 5, epochs->spacings.size() * 8);
  return true;
}

// Keeps the epochs of a recording for the next build; a file that cannot be written is only not
// kept.
void SaveEpochs(const std::string& path, const std::string& wav, const Epochs& epochs) {
  const std::array<int64_t, 3> key = EpochKey(wav);
  const auto marks = static_cast<int64_t>(epochs.marks.size());
  const auto spacings = static_cast<int64_t>(epochs.spacings.size());
  std::ofstream out(path + ".part", std::ios::binary);
  out.write(kEpochMagic, 8);
  out.write(reinterpret_cast<const char*>(key.data()), sizeof key);
  out.write(reinterpret_cast<const char*>(&marks), 8);
  out.write(reinterpret_cast<const char*>(&spacings), 8);
  out.write(reinterpret_cast<const char*>(epochs.marks.data()), marks * 4);
  out.write(reinterpret_cast<const char*>(epochs.voiced.data()), marks);
  out.write(reinterpret_cast<const char*>(epochs.spacings.data()), spacings * 8);
  out.close();
  std::error_code ec;
  if (out) fs::rename(path + ".part", path, ec);
}

// The marks of `epochs` inside [from, to), relative to `from`.
std::vector<int32_t> MarksIn(const Epochs& epochs, int32_t from, int32_t to) {
  std::vector<int32_t> marks;
  for (int32_t m : epochs.marks) {
    if (m >= from && m < to) marks.push_back(m - from);
  }
  return marks;
}

}  // namespace

bool BuildCorpusVoice(const VoiceBuildOptions& options, const CorpusSelection& selection,
                      const std::string& folder, const std::string& cacheFolder,
                      VoiceFileContents* voice, VoiceBuildReport* report, std::string* error) {
  std::error_code ec;
  if (!cacheFolder.empty()) fs::create_directories(cacheFolder, ec);
  std::vector<CorpusRecording> recordings;
  if (!ReadCorpusIndex(folder, kRate, &recordings, error)) return false;
  Selector selector(options, selection, recordings);
  const std::vector<PhonemePair>& pairs = options.pairs;
  std::vector<Candidate> candidates = selector.Candidates(pairs);
  std::sort(candidates.begin(), candidates.end(),
            [](const Candidate& a, const Candidate& b) { return a.recording < b.recording; });

  std::vector<Choice> chosen(pairs.size());
  std::vector<Half> lefts(pairs.size()), rights(pairs.size());
  std::vector<double> spacings;
  const double nominal = selector.medianPeriod();
  for (size_t begin = 0; begin < candidates.size();) {
    const int32_t r = candidates[begin].recording;
    size_t end = begin;
    while (end < candidates.size() && candidates[end].recording == r)
      ++end;
    const CorpusRecording& rec = recordings[static_cast<size_t>(r)];
    std::vector<int16_t> samples;
    int32_t rate = 0;
    if (!ReadWavFile(CorpusWavPath(folder, rec.name), &samples, &rate, error)) return false;
    if (rate != kRate) {
      *error = CorpusWavPath(folder, rec.name) + " is at " + std::to_string(rate) +
               " Hz; the corpus must be at 16000 Hz.";
      return false;
    }
    LabelledRecording recording;
    recording.signal = WithoutDc(samples);
    const std::string wav = CorpusWavPath(folder, rec.name);
    const std::string cached =
        cacheFolder.empty() ? "" : (fs::path(cacheFolder) / (rec.name + ".epochs")).string();
    Epochs epochs;
    if (cached.empty() || !LoadEpochs(cached, wav, &epochs)) {
      epochs = DetectEpochs(recording.signal, rec.frames, CorpusVoicedRanges(rec.segments),
                            kShortest, kLongest, nominal);
      if (!cached.empty()) SaveEpochs(cached, wav, epochs);
    }
    spacings.insert(spacings.end(), epochs.spacings.begin(), epochs.spacings.end());
    SpectralFrames spectra(recording.signal);
    for (size_t i = begin; i < end; ++i) {
      Candidate c = candidates[i];
      const auto [x, y] = pairs[static_cast<size_t>(c.pair)];
      const double cost = selector.Measure(&c, recording.signal, epochs, &spectra, x, y);
      const std::string xName =
          CorpusSequenceName(CorpusAlternatives(x)[static_cast<size_t>(c.ix)]);
      const std::string yName =
          CorpusSequenceName(CorpusAlternatives(y)[static_cast<size_t>(c.iy)]);
      if (c.kind == Kind::kLeftHalf || c.kind == Kind::kRightHalf) {
        Half& half = c.kind == Kind::kLeftHalf ? lefts[static_cast<size_t>(c.pair)]
                                               : rights[static_cast<size_t>(c.pair)];
        if (cost >= half.cost) continue;
        const int32_t from = std::max(0, (c.kind == Kind::kLeftHalf ? c.xs : c.xb) - kMargin);
        const int32_t to = std::min<int32_t>(static_cast<int32_t>(recording.signal.size()),
                                             (c.kind == Kind::kLeftHalf ? c.xb : c.ye) + kMargin);
        half.cost = cost;
        half.signal.assign(recording.signal.begin() + from, recording.signal.begin() + to);
        half.marks = MarksIn(epochs, from, to);
        half.start = (c.kind == Kind::kLeftHalf ? c.xs : c.xb) - from;
        half.end = (c.kind == Kind::kLeftHalf ? c.xb : c.ye) - from;
        half.where = (c.kind == Kind::kLeftHalf ? xName : yName) + " of " + rec.name + " " +
                     Seconds(from + half.start) + "-" + Seconds(from + half.end) + " s";
        continue;
      }
      Choice& choice = chosen[static_cast<size_t>(c.pair)];
      if (cost >= choice.cost) continue;
      recording.segments = {PhonemeSegment{x, c.xs, c.xb}, PhonemeSegment{y, c.xb, c.ye}};
      CutUnit unit;
      std::string why;
      if (!CutDiphone(recording, epochs.marks, 0, nominal, options.maxHalfFrame, &unit, &why)) {
        continue;
      }
      choice.cost = cost;
      choice.unit = std::move(unit);
      choice.present = true;
      choice.fallback = c.level > 0 || c.kind == Kind::kSplit;
      char costText[16];
      std::snprintf(costText, sizeof costText, "%.2f", cost);
      choice.where = (c.kind == Kind::kSplit ? xName + " split in two" : xName + "+" + yName) +
                     " of " + rec.name + " " + Seconds(c.xs) + "-" + Seconds(c.ye) + " s, cost " +
                     costText;
    }
    begin = end;
  }
  if (spacings.empty()) {
    *error = "no voiced speech was found in the corpus " + folder + ".";
    return false;
  }
  std::nth_element(spacings.begin(), spacings.begin() + static_cast<ptrdiff_t>(spacings.size() / 2),
                   spacings.end());
  const double period = spacings[spacings.size() / 2];

  std::vector<CutUnit> units;
  report->requested = static_cast<int32_t>(pairs.size());
  const auto pauseSamples = static_cast<int32_t>(options.pauseSeconds * kRate);
  for (size_t k = 0; k < pairs.size(); ++k) {
    const auto [x, y] = pairs[k];
    Choice& choice = chosen[k];
    if (x == '_' && y == '_') {  // the pause pair: silence
      LabelledRecording silence;
      silence.signal.assign(static_cast<size_t>(2 * pauseSamples), 0.0);
      silence.segments = {{'_', 0, pauseSamples}, {'_', pauseSamples, 2 * pauseSamples}};
      std::string why;
      if (CutDiphone(silence, FillMarkGaps({}, 2 * pauseSamples, period), 0, period,
                     options.maxHalfFrame, &choice.unit, &why)) {
        choice.present = true;
        choice.where = "silence";
      }
    }
    if (!choice.present && lefts[k].cost < 1e300 && rights[k].cost < 1e300) {
      // Two half units joined at the boundary.
      const Half& a = lefts[k];
      const Half& b = rights[k];
      LabelledRecording joined;
      joined.signal.assign(a.signal.begin(), a.signal.begin() + a.end);
      const auto offset = static_cast<int32_t>(joined.signal.size()) - b.start;
      joined.signal.insert(joined.signal.end(), b.signal.begin() + b.start, b.signal.end());
      std::vector<int32_t> marks;
      for (int32_t m : a.marks) {
        if (m < a.end) marks.push_back(m);
      }
      for (int32_t m : b.marks) {
        if (m >= b.start) marks.push_back(m + offset);
      }
      marks = FillMarkGaps(marks, static_cast<int32_t>(joined.signal.size()), period);
      joined.segments = {{x, a.start, a.end}, {y, a.end, b.end + offset}};
      std::string why;
      if (CutDiphone(joined, marks, 0, period, options.maxHalfFrame, &choice.unit, &why)) {
        choice.present = true;
        choice.fallback = true;
        choice.where = "two half units joined: " + a.where + " and " + b.where;
      }
    }
    if (!choice.present) {
      report->failed.push_back(PairNote{pairs[k], "no occurrence of its sounds could be cut"});
      continue;
    }
    if (choice.fallback) report->fallbacks.push_back(PairNote{pairs[k], choice.where});
    report->notes.push_back(PairNote{pairs[k], choice.where});
    units.push_back(std::move(choice.unit));
    ++report->built;
  }
  PitchGrid grid;
  grid.period = period;
  return PackVoice(std::move(units), kRate, grid, options, voice, report, error);
}

}  // namespace brelvox::voicebuild
