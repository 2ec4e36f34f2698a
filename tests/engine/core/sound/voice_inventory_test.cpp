#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "engine/core/sound/voice_inventory.h"
#include "tests/support/test_voices.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace {

template <typename T>
void Poke(std::vector<uint8_t>& image, size_t offset, T value) {
  std::memcpy(image.data() + offset, &value, sizeof(T));
}

std::vector<uint8_t> SmallVoiceImage() {
  return SerializeVoiceFile(MakeImpulseVoice({}));
}

// Loads into an inventory filled with a marker byte; reports whether the load succeeded and whether
// a refused load left the inventory as it was.
struct LoadResult {
  int32_t status;
  bool untouched;
};

LoadResult LoadMarked(const std::vector<uint8_t>& image, size_t size) {
  VoiceInventory inventory;
  std::memset(static_cast<void*>(&inventory), 0xA5, sizeof inventory);
  VoiceInventory before;
  std::memcpy(static_cast<void*>(&before), &inventory, sizeof inventory);
  const int32_t status = LoadVoice(&inventory, image.data(), size);
  const bool untouched = std::memcmp(&before, &inventory, sizeof inventory) == 0;
  if (status == 1) ReleaseVoiceBuffers(&inventory);
  return {status, untouched};
}

TEST(LoadVoiceTest, HeaderOnlyVoiceLoads) {
  VoiceFileContents contents;
  contents.header.sampleRate = 16000;
  contents.header.maxHalfFrame = 200;
  const std::vector<uint8_t> image = SerializeVoiceFile(contents);
  ASSERT_EQ(image.size(), 80u);
  LoadedVoice loaded(contents);
  ASSERT_TRUE(loaded.loaded);
  EXPECT_EQ(loaded.voice.unitCount, 0);
  EXPECT_EQ(loaded.voice.bufferLength, 16000);
}

TEST(LoadVoiceTest, BindsTheImageWithoutCopyingAndAllocatesZeroedBuffers) {
  LoadedVoice loaded(MakeImpulseVoice({}));
  ASSERT_TRUE(loaded.loaded);
  const VoiceInventory& v = loaded.voice;
  const uint8_t* base = loaded.image.data();
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(v.units), base + 80);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(v.marks), base + 80 + kUnitTableEntries * 20);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(v.samples),
            base + 80 + kUnitTableEntries * 20 + v.markCount * 16);
  EXPECT_EQ(v.unitCount, kUnitTableEntries);
  EXPECT_EQ(v.markCount, 11);
  EXPECT_EQ(v.sampleRate, 16000);
  EXPECT_EQ(v.baseF0, 160.0);
  EXPECT_EQ(v.smoothBack, 2);
  EXPECT_EQ(LeadInSamples(v), 320);
  for (int32_t i = 0; i < v.bufferLength; ++i) {
    ASSERT_EQ(v.pcmBuffer[i], 0);
    ASSERT_EQ(v.mixBuffer[i], 0.0);
  }
  for (int32_t i = 0; i < 2 * v.maxHalfFrame; ++i) {
    ASSERT_EQ(v.frameBuffer[i], 0.0);
    ASSERT_EQ(v.deltaBuffer[i], 0.0);
  }
}

TEST(LoadVoiceTest, SizeMismatchIsRefusedWithoutTouchingTheInventory) {
  std::vector<uint8_t> image = SmallVoiceImage();
  image.push_back(0);
  EXPECT_EQ(LoadMarked(image, image.size()).status, 0) << "one byte longer";
  EXPECT_TRUE(LoadMarked(image, image.size()).untouched);
  image.pop_back();
  EXPECT_EQ(LoadMarked(image, image.size() - 1).status, 0) << "one byte shorter";
  EXPECT_EQ(LoadMarked(image, 79).status, 0) << "shorter than the header";
  EXPECT_EQ(LoadMarked(image, image.size()).status, 1);
}

TEST(LoadVoiceTest, RefusesHeadersThatCannotWork) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> change;
  } cases[] = {
      {"sampleRate 0", [](auto& i) { Poke<int32_t>(i, 0, 0); }},
      {"sampleRate negative", [](auto& i) { Poke<int32_t>(i, 0, -16000); }},
      {"sampleRate huge", [](auto& i) { Poke<int32_t>(i, 0, 100000000); }},
      {"samplingFrequency another rate", [](auto& i) { Poke<double>(i, 8, 22050.0); }},
      {"samplingFrequency NaN", [nan](auto& i) { Poke<double>(i, 8, nan); }},
      {"leadInFrequency 0", [](auto& i) { Poke<double>(i, 16, 0.0); }},
      {"leadInFrequency negative", [](auto& i) { Poke<double>(i, 16, -50.0); }},
      {"leadInFrequency NaN", [nan](auto& i) { Poke<double>(i, 16, nan); }},
      {"lead-in under one sample", [](auto& i) { Poke<double>(i, 16, 20000.0); }},
      {"lead-in over a quarter buffer", [](auto& i) { Poke<double>(i, 16, 3.0); }},
      {"sampleBytes 1", [](auto& i) { Poke<int32_t>(i, 24, 1); }},
      {"sampleBytes 4", [](auto& i) { Poke<int32_t>(i, 24, 4); }},
      {"maxHalfFrame 0", [](auto& i) { Poke<int32_t>(i, 28, 0); }},
      {"maxHalfFrame over an eighth buffer", [](auto& i) { Poke<int32_t>(i, 28, 2001); }},
      {"baseF0 0", [](auto& i) { Poke<double>(i, 48, 0.0); }},
      {"baseF0 NaN", [nan](auto& i) { Poke<double>(i, 48, nan); }},
      {"smoothBack negative", [](auto& i) { Poke<int32_t>(i, 56, -1); }},
      {"smoothForward negative", [](auto& i) { Poke<int32_t>(i, 60, -2); }},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> image = SmallVoiceImage();
    c.change(image);
    const LoadResult result = LoadMarked(image, image.size());
    EXPECT_EQ(result.status, 0) << c.what;
    EXPECT_TRUE(result.untouched) << c.what;
  }
}

TEST(LoadVoiceTest, RefusesSectionsThatAreNotWholeRecords) {
  VoiceFileContents contents = MakeImpulseVoice({});
  contents.units.resize(kUnitTableEntries + 1);
  std::vector<uint8_t> image = SerializeVoiceFile(contents);
  EXPECT_EQ(LoadMarked(image, image.size()).status, 0) << "more units than pairs";

  // Shift 4 bytes between sections: every section still adds up to the image size.
  const struct {
    const char* what;
    int32_t unitDelta, markDelta, sampleDelta;
  } cases[] = {{"unit table not whole units", 4, -4, 0},
               {"marks not whole marks", 0, 4, -4},
               {"odd sample bytes", 0, 1, -1}};
  for (const auto& c : cases) {
    image = SmallVoiceImage();
    int32_t sizes[3];
    std::memcpy(sizes, image.data() + 64, sizeof sizes);
    Poke<int32_t>(image, 64, sizes[0] + c.unitDelta);
    Poke<int32_t>(image, 68, sizes[1] + c.markDelta);
    Poke<int32_t>(image, 72, sizes[2] + c.sampleDelta);
    EXPECT_EQ(LoadMarked(image, image.size()).status, 0) << c.what;
  }
  image = SmallVoiceImage();
  Poke<int32_t>(image, 64, -20);
  Poke<int32_t>(image, 68, int32_t{kUnitTableEntries * 20 + 20} + 11 * 16);
  EXPECT_EQ(LoadMarked(image, image.size()).status, 0) << "negative section size";
}

TEST(LoadVoiceTest, RefusesUnitsAndMarksOutsideTheirSections) {
  const ImpulseVoiceSpec spec;
  const int32_t samples = spec.periods * spec.period + 2 * spec.period;
  const struct {
    const char* what;
    std::function<void(VoiceFileContents&)> change;
  } cases[] = {
      {"negative start", [](auto& v) { v.units[7].start = -1; }},
      {"samples past the section", [samples](auto& v) { v.units[7].start = samples - 999; }},
      {"negative duration", [](auto& v) { v.units[7].duration = -5; }},
      {"first mark past the marks", [](auto& v) { v.units[7].firstMark = 1; }},
      {"negative first mark", [](auto& v) { v.units[7].firstMark = -1; }},
      {"no marks", [](auto& v) { v.units[7].markCount = 0; }},
      {"window before the samples", [](auto& v) { v.marks[0].start = -200; }},
      {"window past the samples", [](auto& v) { v.marks[10].right = 160; }},
      {"negative left part", [](auto& v) { v.marks[3].left = -1; }},
      {"left part over maxHalfFrame",
       [](auto& v) {
         v.header.maxHalfFrame = 50;
         v.marks[3].left = 51;
         v.marks[3].start -= 1;
       }},
  };
  for (const auto& c : cases) {
    VoiceFileContents contents = MakeImpulseVoice(spec);
    c.change(contents);
    const std::vector<uint8_t> image = SerializeVoiceFile(contents);
    const LoadResult result = LoadMarked(image, image.size());
    EXPECT_EQ(result.status, 0) << c.what;
    EXPECT_TRUE(result.untouched) << c.what;
  }
}

TEST(LoadVoiceTest, PairsWithoutAUnitAreNotChecked) {
  VoiceFileContents contents = MakeImpulseVoice({});
  contents.units[5] = DiphoneUnit{-7, 0, 123, -99, 0};
  EXPECT_TRUE(LoadedVoice(contents).loaded);
}

TEST(LoadVoiceTest, RefusesAMisalignedImage) {
  const std::vector<uint8_t> image = SmallVoiceImage();
  std::vector<uint8_t> shifted(image.size() + 1);
  std::memcpy(shifted.data() + 1, image.data(), image.size());
  VoiceInventory inventory{};
  EXPECT_EQ(LoadVoice(&inventory, shifted.data() + 1, image.size()), 0);
}

TEST(LoadVoiceTest, ReleaseClearsEveryBufferAndMayRepeat) {
  LoadedVoice loaded(MakeImpulseVoice({}));
  ReleaseVoiceBuffers(&loaded.voice);
  EXPECT_EQ(loaded.voice.pcmBuffer, nullptr);
  EXPECT_EQ(loaded.voice.frameBuffer, nullptr);
  EXPECT_EQ(loaded.voice.deltaBuffer, nullptr);
  EXPECT_EQ(loaded.voice.mixBuffer, nullptr);
  EXPECT_EQ(loaded.voice.windows.rising, nullptr);
  ReleaseVoiceBuffers(&loaded.voice);
}

TEST(NearestPitchMarkTest, FindsTheClosestCentreWithinTheLastWindow) {
  // Centres at 10, 30, 50; the last window ends at 40 + 10 + 15 = 65.
  const PitchMark marks[] = {{0, 10, 10, 0}, {20, 10, 10, 0}, {40, 10, 15, 0}};
  const struct {
    int32_t t;
    int32_t mark;  // -1: none
  } cases[] = {{-100, 0}, {0, 0}, {19, 0}, {20, 0}, {21, 1}, {40, 1}, {41, 2}, {65, 2}, {66, -1}};
  for (const auto& c : cases) {
    const PitchMark* found = FindNearestPitchMark(c.t, marks, 3);
    const int32_t index = found == nullptr ? -1 : static_cast<int32_t>(found - marks);
    EXPECT_EQ(index, c.mark) << "t = " << c.t;
  }
  EXPECT_EQ(FindNearestPitchMark(0, marks, 0), nullptr);
}

TEST(NearestPitchMarkTest, LaterMarksWinOnlyWithinTwentyThousandSamples) {
  const PitchMark marks[] = {{0, 0, 0, 0}, {50000, 0, 0, 0}, {50100, 0, 100, 0}};
  EXPECT_EQ(FindNearestPitchMark(50000, marks, 3), &marks[1]);
  const PitchMark far[] = {{0, 0, 0, 0}, {70000, 0, 100000, 0}};
  EXPECT_EQ(FindNearestPitchMark(90000, far, 2), &far[0]) << "20000 away is not below 20000";
  EXPECT_EQ(FindNearestPitchMark(89999, far, 2), &far[1]);
}

}  // namespace
