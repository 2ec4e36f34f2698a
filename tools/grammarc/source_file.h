// Reading the files a grammar source names (the source itself, includes, lexicons): regular files
// only, of bounded size, with every read error reported.
#pragma once

#include <cstdint>
#include <string>

#include "tools/grammarc/source.h"

namespace brelvox::grammarc {

// No grammar source, include or lexicon is anywhere near this large.
inline constexpr int64_t kMaxSourceFileBytes = int64_t{256} << 20;

// The whole file at `path`. Throws CompileError at `from` naming `what` (e.g. "the lexicon") when
// it is not a regular file (a folder, a device, a FIFO), is larger than kMaxSourceFileBytes, or
// cannot be read to its end.
std::string ReadSourceFile(const std::string& path, const Location& from, const std::string& what);

}  // namespace brelvox::grammarc
