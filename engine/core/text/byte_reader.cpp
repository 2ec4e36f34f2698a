#include "engine/core/text/byte_reader.h"

#include <cstring>

bool ReadBytes(ByteReader* reader, void* destination, int64_t n) {
  if (n < 0 || n > reader->size - reader->position) return false;
  if (n > 0) std::memcpy(destination, reader->base + reader->position, static_cast<size_t>(n));
  reader->position += n;
  return true;
}

bool ReadInt32(ByteReader* reader, int32_t* value) {
  return ReadBytes(reader, value, 4);
}

const int32_t* ViewWords(ByteReader* reader, int64_t words) {
  if (words < 0 || words > (reader->size - reader->position) / 4) return nullptr;
  const uint8_t* at = reader->base + reader->position;
  if (reinterpret_cast<uintptr_t>(at) % alignof(int32_t) != 0) return nullptr;
  reader->position += words * 4;
  return reinterpret_cast<const int32_t*>(at);
}
