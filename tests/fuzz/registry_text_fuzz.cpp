// Any bytes as a registry file: whatever the reader makes of it, writing it back and reading that
// again changes nothing (no value or name can add a line or a section to the file).
#include <cstdlib>
#include <string>

#include "platform/registry/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string once =
      ReformatRegistryText(std::string(reinterpret_cast<const char*>(data), size));
  if (ReformatRegistryText(once) != once) std::abort();
  return 0;
}
