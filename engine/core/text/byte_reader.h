// The cursor every grammar loader reads through: a mapped image, its size and a position.
// Reads never go past the end of the image; a read that would fails and leaves the position.
#pragma once

#include <cstdint>

struct ByteReader {
  const uint8_t* base;
  int64_t size;
  int64_t position;
};

inline ByteReader MakeByteReader(const void* image, int64_t size) {
  return ByteReader{static_cast<const uint8_t*>(image), size, 0};
}

// Copies n bytes from the position and advances past them.
bool ReadBytes(ByteReader* reader, void* destination, int64_t n);
bool ReadInt32(ByteReader* reader, int32_t* value);

// The address of `words` 32-bit words at the position, advancing past them without copying; null
// when they do not lie inside the image or are not aligned to 4 bytes.
const int32_t* ViewWords(ByteReader* reader, int64_t words);
