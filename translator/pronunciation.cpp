#include "translator/pronunciation.h"

#include <cmath>
#include <cstdlib>
#include <span>
#include <string>

namespace brelvox::translator {
namespace {

bool EndsInPunctuation(std::string_view line) {
  return !line.empty() && std::string_view(".,;:!?").find(line.back()) != std::string_view::npos;
}

}  // namespace

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

std::string SpokenText(std::string_view text) {
  // A comma between two translations lets the voice pause, as between the parts of a sentence.
  std::string spoken;
  std::size_t from = 0;
  while (from <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", from);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(from, end - from);
    const std::size_t first = line.find_first_not_of(" \t");
    const std::size_t last = line.find_last_not_of(" \t");
    line =
        first == std::string_view::npos ? std::string_view() : line.substr(first, last - first + 1);
    if (!line.empty()) {
      if (!spoken.empty()) spoken += EndsInPunctuation(spoken) ? " " : ", ";
      spoken += line;
    }
    from = end + 1;
  }
  return spoken;
}

}  // namespace brelvox::translator
