// The output module protocol of speech-dispatcher: settings blocks, message text, and the audio
// event that carries PCM to the server.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace brelvox::speechd {

// One `name=value` line of a settings block; nullopt when the line has no '='.
std::optional<std::pair<std::string, std::string>> ParseSettingLine(std::string_view line);

// A line of message text as sent: a line that starts with '.' arrives with one more '.'.
std::string UnstuffLine(std::string_view line);

// PCM bytes as the protocol sends them: every 0x0A and 0x7D becomes 0x7D followed by the byte with
// bit 5 flipped.
std::string EscapeAudio(const void* data, size_t bytes);
// The reverse, for tests and tools; nullopt when an escape is cut off at the end.
std::optional<std::string> UnescapeAudio(std::string_view escaped);

// The complete `705` event for `count` 16-bit mono little-endian samples at `rate` Hz.
std::string AudioEvent(const int16_t* samples, size_t count, int rate);

// The `700` event of an index mark; line breaks in the name become spaces.
std::string MarkEvent(std::string_view name);

}  // namespace brelvox::speechd
