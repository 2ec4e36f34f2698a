#include "translator/qt/trace.h"

#include <cstdlib>

namespace brelvox::translator::qt {

std::unique_ptr<Trace> Trace::FromEnvironment() {
  const char* path = std::getenv("BRELVOX_TRANSLATOR_TRACE");
  if (!path || !*path) return nullptr;
  std::FILE* file = std::fopen(path, "a");
  if (!file) {
    std::fprintf(stderr, "translator: cannot write the trace file %s; going on without it.\n",
                 path);
    return nullptr;
  }
  return std::make_unique<Trace>(file);
}

Trace::~Trace() {
  if (file_) std::fclose(file_);
}

std::string Trace::OneLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out;
}

void Trace::Line(std::string_view event, std::string_view details) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start_)
                      .count();
  std::string line = std::to_string(ms) + " " + std::string(event);
  if (!details.empty()) line += " " + OneLine(details);
  line += "\n";
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fflush(file_);
}

}  // namespace brelvox::translator::qt
