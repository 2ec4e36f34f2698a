#include "programs/sd_brelvox/module_protocol.h"

#include <bit>

namespace brelvox::speechd {

std::optional<std::pair<std::string, std::string>> ParseSettingLine(std::string_view line) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos || equals == 0) return std::nullopt;
  return std::make_pair(std::string(line.substr(0, equals)), std::string(line.substr(equals + 1)));
}

std::string UnstuffLine(std::string_view line) {
  if (line.size() >= 2 && line[0] == '.' && line[1] == '.') line.remove_prefix(1);
  return std::string(line);
}

std::string EscapeAudio(const void* data, size_t bytes) {
  const auto* in = static_cast<const unsigned char*>(data);
  std::string out;
  out.reserve(bytes + bytes / 64 + 8);
  for (size_t i = 0; i < bytes; ++i) {
    const unsigned char b = in[i];
    if (b == 0x0A || b == 0x7D) {
      out.push_back(0x7D);
      out.push_back(static_cast<char>(b ^ 0x20));
    } else {
      out.push_back(static_cast<char>(b));
    }
  }
  return out;
}

std::optional<std::string> UnescapeAudio(std::string_view escaped) {
  std::string out;
  out.reserve(escaped.size());
  for (size_t i = 0; i < escaped.size(); ++i) {
    if (static_cast<unsigned char>(escaped[i]) != 0x7D) {
      out.push_back(escaped[i]);
      continue;
    }
    if (++i == escaped.size()) return std::nullopt;
    out.push_back(static_cast<char>(escaped[i] ^ 0x20));
  }
  return out;
}

std::string AudioEvent(const int16_t* samples, size_t count, int rate) {
  // The samples go out in little-endian order, as this machine keeps them.
  static_assert(std::endian::native == std::endian::little);
  std::string event = "705-bits=16\n705-num_channels=1\n705-sample_rate=" + std::to_string(rate) +
                      "\n705-num_samples=" + std::to_string(count) +
                      "\n705-big_endian=0\n705-AUDIO";
  event.push_back('\0');
  event += EscapeAudio(samples, count * sizeof(int16_t));
  event += "\n705 AUDIO\n";
  return event;
}

std::string MarkEvent(std::string_view name) {
  std::string line(name);
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';  // a line break would end the event early
  }
  return "700-" + line + "\n700 INDEX MARK\n";
}

}  // namespace brelvox::speechd
