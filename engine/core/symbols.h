// The engine's symbol codes: one signed 32-bit code space for text characters (UTF-16 code units),
// structural markers, phonemes, tones and stress levels.
#pragma once

#include <cstdint>

inline constexpr int32_t kLastCharacterSymbol = 0xFFFE;

inline constexpr int32_t PauseSymbol = 0x10000;
inline constexpr int32_t SpellStartSymbol = 0x10001;
inline constexpr int32_t SpellEndSymbol = 0x10002;
inline constexpr int32_t SpellWordSymbol = 0x1001B;

// Word markers come in pairs around a word; sentence markers in pairs, the second ending a
// sentence.
inline constexpr int32_t kFirstWordMarker = 0x10003;
inline constexpr int32_t kLastWordMarker = 0x10022;
inline constexpr int32_t kSentenceMarkerA = 0x1000E;
inline constexpr int32_t kSentenceMarkerB = 0x10023;

inline constexpr int32_t PhonemeBase = 0x11200;
inline constexpr int32_t kPhonemeCount = 53;
inline constexpr int32_t ToneBase = 0x1123B;
inline constexpr int32_t kToneCount = 4;
inline constexpr int32_t StressBase = 0x11300;
inline constexpr int32_t kStressLevels = 11;
inline constexpr int32_t kNeutralStress = 5;

inline constexpr bool IsSentenceMarker(int32_t symbol) {
  return symbol == kSentenceMarkerA || symbol == kSentenceMarkerB;
}
inline constexpr bool IsWordMarker(int32_t symbol) {
  return symbol >= kFirstWordMarker && symbol <= kLastWordMarker && !IsSentenceMarker(symbol);
}
inline constexpr bool IsPhonemeSymbol(int32_t symbol) {
  return symbol >= PhonemeBase && symbol < PhonemeBase + kPhonemeCount;
}
inline constexpr bool IsToneSymbol(int32_t symbol) {
  return symbol >= ToneBase && symbol < ToneBase + kToneCount;
}
inline constexpr bool IsStressSymbol(int32_t symbol) {
  return symbol >= StressBase && symbol < StressBase + kStressLevels;
}
