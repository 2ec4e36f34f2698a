#include "translator/pronunciation.h"

#include <cmath>
#include <cstdlib>
#include <span>
#include <string>

namespace translator {

int ListenClickDelay(bool bulgarian_source, bool bulgarian_speech_on,
                     std::size_t bulgarian_length) {
  struct Row {
    std::size_t longer_than;
    int delay_ms;
  };
  static constexpr Row kEnglish[] = {{15, 2000}, {25, 2500}, {35, 3000},
                                     {50, 3500}, {65, 4000}, {75, 6500}};
  static constexpr Row kBulgarian[] = {{10, 1500}, {15, 2500}, {35, 3500}, {50, 4500}, {75, 5500}};
  if (!bulgarian_speech_on) return bulgarian_source ? 10 : 1500;
  int delay = bulgarian_source ? 750 : 1500;
  for (const Row& row :
       bulgarian_source ? std::span<const Row>(kBulgarian) : std::span<const Row>(kEnglish)) {
    if (bulgarian_length > row.longer_than) delay = row.delay_ms;
  }
  return delay;
}

std::optional<int> SpeechRateFromCaption(std::string_view caption) {
  const std::string text(caption);
  const char* begin = text.c_str();
  char* end = nullptr;
  const double value = std::strtod(begin, &end);
  if (end == begin) return std::nullopt;
  while (*end == ' ')
    ++end;
  if (*end != '\0' || !std::isfinite(value)) return std::nullopt;
  const double rate = std::nearbyint(value / 10 - 5);
  if (rate < -10 || rate > 10) return std::nullopt;  // outside what a voice takes
  return static_cast<int>(rate);
}

}  // namespace translator
