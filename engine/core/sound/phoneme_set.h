// The voice's phoneme set: the phoneme characters, their indices in the unit table, the pitch
// factors of stress levels and pitch adjusts, and the phonemes joined without junction smoothing.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The character of phoneme symbol PhonemeBase + k is PhonemeAlphabet[k].
inline constexpr std::string_view PhonemeAlphabet =
    "AaEeIiOoUuYybwgdvzklLmnprstfhc46j'#%_BWGDZ&KMNPRSTFHC";

// Characters in the order of their voice index (0 to 52).
inline constexpr std::string_view kVoiceIndexOrder =
    "bwgdvzklLmnprstfhc46#%ayoiueAYOIUE'j_BWGDZ&KMNPRSTFHC";

inline constexpr char kPausePhoneme = '_';
inline constexpr int32_t kPauseVoiceIndex = 36;
inline constexpr int32_t kVoicePhonemeCount = 53;

// Voice index of each 7-bit character, -1 for characters that are not phonemes.
inline constexpr std::array<int32_t, 128> VoiceIndexTable = [] {
  std::array<int32_t, 128> table{};
  table.fill(-1);
  for (size_t i = 0; i < kVoiceIndexOrder.size(); ++i) {
    table[static_cast<unsigned char>(kVoiceIndexOrder[i])] = static_cast<int32_t>(i);
  }
  return table;
}();

// 2^(k/12) for k = -5 to 5, as stored; index k + 5.
inline constexpr std::array<double, 11> PitchTable = {
    0.7491535384, 0.7937005259, 0.8408964152, 0.8908987181, 0.9438743126, 1.0,
    1.059463094,  1.122462048,  1.189207115,  1.259921049,  1.334839854};

inline constexpr int32_t kNeutralPitchIndex = 5;

// Pitch factor of an item's pitch adjust: the adjust is clamped to -10..10 and halved toward zero.
inline constexpr double PitchFactorForAdjust(int32_t adjust) {
  const int32_t clamped = adjust < -10 ? -10 : (adjust > 10 ? 10 : adjust);
  return PitchTable[static_cast<size_t>(clamped / 2 + kNeutralPitchIndex)];
}

inline constexpr std::string_view kNoSmoothCharacters = "_bgdkptc4BGDKPTC#%1";

// Units whose left phoneme is in this set join the unit before them without smoothing.
inline constexpr std::array<bool, 128> NoSmoothSet = [] {
  std::array<bool, 128> set{};
  for (char c : kNoSmoothCharacters)
    set[static_cast<unsigned char>(c)] = true;
  return set;
}();

// Voice index of a phoneme character, or -1.
inline constexpr int32_t VoiceIndexOf(char phoneme) {
  const auto code = static_cast<unsigned char>(phoneme);
  return code < 128 ? VoiceIndexTable[code] : -1;
}

inline constexpr bool IsNoSmooth(char phoneme) {
  const auto code = static_cast<unsigned char>(phoneme);
  return code < 128 && NoSmoothSet[code];
}
