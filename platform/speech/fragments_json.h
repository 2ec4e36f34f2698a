// The fragment list of `brelvox speak --fragments`, read from JSON:
//   {"source": TEXT, "speak_flags": N, "fragments": [{"action": "speak", "offset": O,
//    "length": L, "rate": R, "volume": V, "pitch": P, "silence_ms": S, "text": T}, ...]}
// Every field is optional; its type and range are checked before anything is built.
#pragma once

#include <memory>
#include <string>

#include "platform/speech/fragments.h"

struct FragmentsJson {
  std::unique_ptr<FragmentList> fragments;  // null when the JSON was refused
  long long speakFlags = 0;
  std::string error;  // one sentence naming the field at fault
};

FragmentsJson ParseFragmentsJson(const std::string& json);
