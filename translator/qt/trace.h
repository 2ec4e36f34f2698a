// A line-by-line record of what the translator does, for diagnosis and for the end-to-end tests:
// windows loaded and unloaded, shown, hidden and moved; controls shown, hidden, written and
// ticked; navigations, speech, synthetic input and tray events. Off unless
// BRELVOX_TRANSLATOR_TRACE names a file. Each line is "<ms since start> <event> <details>", with
// line breaks in texts written as "\n".
#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace brelvox::translator::qt {

class Trace {
 public:
  // The trace the environment asks for, or null.
  static std::unique_ptr<Trace> FromEnvironment();
  explicit Trace(std::FILE* file) : file_(file), start_(std::chrono::steady_clock::now()) {}
  ~Trace();
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  void Line(std::string_view event, std::string_view details = {});

  // A text on one line: line breaks become "\n", tabs "\t".
  static std::string OneLine(std::string_view text);

 private:
  std::FILE* file_;
  std::chrono::steady_clock::time_point start_;
};

// Writes a line when there is a trace.
inline void TraceLine(Trace* trace, std::string_view event, std::string_view details = {}) {
  if (trace) trace->Line(event, details);
}

}  // namespace brelvox::translator::qt
