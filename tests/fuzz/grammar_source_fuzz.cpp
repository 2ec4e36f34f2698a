// Any bytes as a grammar source: the compiler's parser either reads it or refuses it with a
// located error, within its limits (no recursion without bound, no file it cannot read).
#include <string>

#include "tools/grammarc/parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    brelvox::grammarc::ParseSourceText(std::string(reinterpret_cast<const char*>(data), size),
                                       "fuzz.grc", "/nonexistent");
  } catch (const brelvox::grammarc::CompileError&) {
  }
  return 0;
}
