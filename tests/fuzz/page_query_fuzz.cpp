// Any bytes as the text of a translation request: the page checks, cuts and folds it without
// reading outside it, the cut keeps valid text valid, and folding is stable.
#include <cstdlib>
#include <string>

#include "page/text.h"

using namespace brelvox::page;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string q(reinterpret_cast<const char*>(data), size);
  const bool valid = IsValidUtf8(q);
  bool cut = false;
  const std::string kept = CutRequest(q, &cut);
  if (kept.size() > q.size() || (valid && !IsValidUtf8(kept))) std::abort();
  const std::string key = FoldKey(kept);
  if (valid && FoldKey(key) != key) std::abort();
  if (valid && EncodeUtf8(DecodeUtf8(q)) != q) std::abort();
  return 0;
}
