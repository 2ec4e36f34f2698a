#include "engine/core/sound/voice_inventory.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Loader limits on the header: a voice outside them cannot be rendered.
constexpr int32_t kMinSampleRate = 1000;
constexpr int32_t kMaxSampleRate = 384000;

struct Header {
  int32_t sampleRate;
  double samplingFrequency;
  double leadInFrequency;
  int32_t sampleBytes;
  int32_t maxHalfFrame;
  double headerReal;
  int32_t headerWord;
  double baseF0;
  int32_t smoothBack;
  int32_t smoothForward;
  int32_t unitBytes;
  int32_t markBytes;
  int32_t sampleDataBytes;
};

template <typename T>
T ReadField(const unsigned char* image, int offset) {
  T value;
  std::memcpy(&value, image + offset, sizeof(T));
  return value;
}

Header ReadHeader(const unsigned char* image) {
  Header h{};
  h.sampleRate = ReadField<int32_t>(image, 0);
  h.samplingFrequency = ReadField<double>(image, 8);
  h.leadInFrequency = ReadField<double>(image, 16);
  h.sampleBytes = ReadField<int32_t>(image, 24);
  h.maxHalfFrame = ReadField<int32_t>(image, 28);
  h.headerReal = ReadField<double>(image, 32);
  h.headerWord = ReadField<int32_t>(image, 40);
  h.baseF0 = ReadField<double>(image, 48);
  h.smoothBack = ReadField<int32_t>(image, 56);
  h.smoothForward = ReadField<int32_t>(image, 60);
  h.unitBytes = ReadField<int32_t>(image, 64);
  h.markBytes = ReadField<int32_t>(image, 68);
  h.sampleDataBytes = ReadField<int32_t>(image, 72);
  return h;
}

double LeadIn(double samplingFrequency, double leadInFrequency) {
  return (1.0 / leadInFrequency) * samplingFrequency;
}

bool SectionsFit(const Header& h, size_t size) {
  if (h.unitBytes < 0 || h.markBytes < 0 || h.sampleDataBytes < 0) return false;
  const int64_t total = int64_t{kVoiceHeaderBytes} + h.unitBytes + h.markBytes + h.sampleDataBytes;
  return static_cast<uint64_t>(total) == size;
}

bool HeaderWorks(const Header& h) {
  if (h.unitBytes % static_cast<int32_t>(sizeof(DiphoneUnit)) != 0 ||
      h.unitBytes / static_cast<int32_t>(sizeof(DiphoneUnit)) > kUnitTableEntries ||
      h.markBytes % static_cast<int32_t>(sizeof(PitchMark)) != 0 || h.sampleDataBytes % 2 != 0) {
    return false;
  }
  if (h.sampleRate < kMinSampleRate || h.sampleRate > kMaxSampleRate) return false;
  // The real rate is the same rate; all timing uses it.
  if (!std::isfinite(h.samplingFrequency) ||
      std::fabs(h.samplingFrequency - h.sampleRate) > 0.01 * h.sampleRate) {
    return false;
  }
  if (h.sampleBytes != 2) return false;
  // A whole frame must fit easily into the quarter of the mix buffer below the flush mark.
  if (h.maxHalfFrame < 1 || h.maxHalfFrame > h.sampleRate / 8) return false;
  if (!std::isfinite(h.leadInFrequency) || h.leadInFrequency <= 0.0) return false;
  const double leadIn = LeadIn(h.samplingFrequency, h.leadInFrequency);
  if (!(leadIn >= 1.0) || leadIn > h.sampleRate / 4) return false;
  if (!std::isfinite(h.baseF0) || h.baseF0 <= 0.0 || h.baseF0 > h.samplingFrequency / 2)
    return false;
  return h.smoothBack >= 0 && h.smoothForward >= 0;
}

bool MarkWorks(const PitchMark& mark, int64_t unitStart, int32_t maxHalfFrame,
               int32_t sampleCount) {
  if (mark.left < 0 || mark.right < 0 || mark.left > maxHalfFrame || mark.right > maxHalfFrame) {
    return false;
  }
  const int64_t windowStart = unitStart + mark.start;
  return windowStart >= 0 && windowStart + mark.left + mark.right <= sampleCount;
}

bool UnitsWork(const Header& h, const DiphoneUnit* units, const PitchMark* marks) {
  const int32_t unitCount = h.unitBytes / static_cast<int32_t>(sizeof(DiphoneUnit));
  const int32_t markCount = h.markBytes / static_cast<int32_t>(sizeof(PitchMark));
  const int32_t sampleCount = h.sampleDataBytes / 2;
  for (int32_t u = 0; u < unitCount; ++u) {
    const DiphoneUnit& unit = units[u];
    if (unit.duration < 0) return false;
    if (unit.duration == 0) continue;  // no unit for this pair: nothing of it is ever read
    if (unit.start < 0 || int64_t{unit.start} + unit.duration > sampleCount) return false;
    if (unit.markCount < 1 || unit.firstMark < 0 ||
        int64_t{unit.firstMark} + unit.markCount > markCount) {
      return false;
    }
    for (int32_t k = 0; k < unit.markCount; ++k) {
      if (!MarkWorks(marks[unit.firstMark + k], unit.start, h.maxHalfFrame, sampleCount)) {
        return false;
      }
    }
  }
  return true;
}

template <typename T>
T* AllocateZeroed(int64_t count) {
  return static_cast<T*>(std::calloc(static_cast<size_t>(count > 0 ? count : 1), sizeof(T)));
}

}  // namespace

int32_t LoadVoice(VoiceInventory* inventory, const void* image, size_t size) {
  if (image == nullptr || size < static_cast<size_t>(kVoiceHeaderBytes)) return 0;
  const auto* bytes = static_cast<const unsigned char*>(image);
  const Header h = ReadHeader(bytes);
  if (!SectionsFit(h, size)) return 0;
  if (reinterpret_cast<uintptr_t>(image) % alignof(int32_t) != 0) return 0;
  if (!HeaderWorks(h)) return 0;
  const auto* units = reinterpret_cast<const DiphoneUnit*>(bytes + kVoiceHeaderBytes);
  const auto* marks = reinterpret_cast<const PitchMark*>(bytes + kVoiceHeaderBytes + h.unitBytes);
  const auto* samples =
      reinterpret_cast<const int16_t*>(bytes + kVoiceHeaderBytes + h.unitBytes + h.markBytes);
  if (!UnitsWork(h, units, marks)) return 0;

  VoiceInventory& v = *inventory;
  v.sampleRate = h.sampleRate;
  v.samplingFrequency = h.samplingFrequency;
  v.leadInFrequency = h.leadInFrequency;
  v.sampleBytes = h.sampleBytes;
  v.maxHalfFrame = h.maxHalfFrame;
  v.headerReal = h.headerReal;
  v.headerWord = h.headerWord;
  v.baseF0 = h.baseF0;
  v.smoothBack = h.smoothBack;
  v.smoothForward = h.smoothForward;
  v.units = units;
  v.unitCount = h.unitBytes / static_cast<int32_t>(sizeof(DiphoneUnit));
  v.marks = marks;
  v.markCount = h.markBytes / static_cast<int32_t>(sizeof(PitchMark));
  v.samples = samples;
  v.sampleCount = h.sampleDataBytes / 2;
  v.bufferLength = h.sampleRate;
  v.pcmBuffer = nullptr;
  v.frameBuffer = nullptr;
  v.deltaBuffer = nullptr;
  v.mixBuffer = nullptr;
  v.windows = WindowTable{nullptr, nullptr, 0};

  if ((v.pcmBuffer = AllocateZeroed<int16_t>(v.bufferLength)) == nullptr) return 0;
  if ((v.frameBuffer = AllocateZeroed<double>(2 * int64_t{v.maxHalfFrame})) == nullptr) return 0;
  if ((v.deltaBuffer = AllocateZeroed<double>(2 * int64_t{v.maxHalfFrame})) == nullptr) return 0;
  if ((v.mixBuffer = AllocateZeroed<double>(v.bufferLength)) == nullptr) return 0;
  if (!BuildWindowTable(&v.windows, v.maxHalfFrame)) return 0;
  return 1;
}

void ReleaseVoiceBuffers(VoiceInventory* inventory) {
  std::free(inventory->pcmBuffer);
  std::free(inventory->frameBuffer);
  std::free(inventory->deltaBuffer);
  std::free(inventory->mixBuffer);
  inventory->pcmBuffer = nullptr;
  inventory->frameBuffer = nullptr;
  inventory->deltaBuffer = nullptr;
  inventory->mixBuffer = nullptr;
  FreeWindowTable(&inventory->windows);
}

int32_t LeadInSamples(const VoiceInventory& voice) {
  return static_cast<int32_t>(LeadIn(voice.samplingFrequency, voice.leadInFrequency));
}

const PitchMark* FindNearestPitchMark(int32_t t, const PitchMark* marks, int32_t count) {
  if (count <= 0) return nullptr;
  const PitchMark& last = marks[count - 1];
  if (int64_t{t} > int64_t{last.start} + last.left + last.right) return nullptr;
  const PitchMark* best = &marks[0];
  int64_t bestDistance = std::llabs(int64_t{t} - (int64_t{marks[0].start} + marks[0].left));
  for (int32_t k = 1; k < count; ++k) {
    const int64_t distance = std::llabs(int64_t{t} - (int64_t{marks[k].start} + marks[k].left));
    if (distance < bestDistance && distance < 20000) {
      best = &marks[k];
      bestDistance = distance;
    }
  }
  return best;
}
