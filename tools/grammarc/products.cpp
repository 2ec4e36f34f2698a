#include "tools/grammarc/automaton_steps.h"

namespace brelvox::grammarc {

Dfa Difference(const Dfa& a, const Dfa& b, const Location& where) {
  if (int64_t{a.size()} * b.size() * a.classes > kMaxDfaCells) {
    throw CompileError(where, "the difference needs a table of more than " +
                                  std::to_string(kMaxDfaCells) +
                                  " cells (states by symbol classes); simplify it");
  }
  Dfa d;
  d.classes = a.classes;
  const int32_t nb = b.size();
  d.start = a.start * nb + b.start;
  d.final.resize(static_cast<size_t>(a.size()) * static_cast<size_t>(nb));
  d.next.resize(d.final.size() * static_cast<size_t>(d.classes));
  for (int32_t x = 0; x < a.size(); ++x) {
    for (int32_t y = 0; y < nb; ++y) {
      const int32_t s = x * nb + y;
      d.final[static_cast<size_t>(s)] =
          a.final[static_cast<size_t>(x)] && !b.final[static_cast<size_t>(y)];
      for (int32_t c = 0; c < d.classes; ++c) {
        d.next[static_cast<size_t>(s) * static_cast<size_t>(d.classes) + static_cast<size_t>(c)] =
            a.Next(x, c) * nb + b.Next(y, c);
      }
    }
  }
  return d;
}

}  // namespace brelvox::grammarc
