// Any UTF-8 bytes as marked-up text: the markup parser never reads outside the text, and every
// fragment it makes lies inside the source or its own text.
#include <cstdlib>
#include <string>

#include "platform/com/unicode.h"
#include "platform/speech/fragments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FragmentList list(Utf8ToUtf16(std::string(reinterpret_cast<const char*>(data), size)));
  std::string error;
  if (!ParseMarkup(&list, &error)) return 0;
  const char16_t* begin = list.Source().data();
  const char16_t* end = begin + list.Source().size();
  for (const SPVTEXTFRAG* f = list.First(); f != nullptr; f = f->pNext) {
    const bool inSource = f->pTextStart >= begin && f->pTextStart + f->ulTextLen <= end;
    if (f->ulTextLen > 0 && !inSource && f->State.eAction != SPVA_Bookmark) std::abort();
  }
  return 0;
}
