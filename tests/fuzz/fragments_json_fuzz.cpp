// Any bytes as the fragment list of `brelvox speak --fragments`: refused with a sentence, or every
// source fragment lies inside the source text.
#include <cstdlib>
#include <string>

#include "platform/speech/fragments_json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const FragmentsJson parsed =
      ParseFragmentsJson(std::string(reinterpret_cast<const char*>(data), size));
  if (parsed.fragments == nullptr) {
    if (parsed.error.empty()) std::abort();
    return 0;
  }
  const std::u16string& source = parsed.fragments->Source();
  for (const SPVTEXTFRAG* f = parsed.fragments->First(); f != nullptr; f = f->pNext) {
    if (f->State.eAction == SPVA_Speak && f->ulTextSrcOffset + f->ulTextLen > source.size()) {
      std::abort();
    }
  }
  return 0;
}
