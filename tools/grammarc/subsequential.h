// A batch's bimachine turned into a transducer, when the batch is subsequential: each symbol's
// output may wait until the symbols after it have decided it, but only a bounded number of them.
// The transducer's state is the bimachine's left state and, for every right state the rest of the
// stream could lead to, the output owed so far; what all of them agree on comes out at once.
// Unknown symbols wait in the engine's queue.
#pragma once

#include <optional>

#include "tools/grammarc/machines.h"

namespace brelvox::grammarc {

struct SubsequentialLimits {
  int32_t maxStates = 4000;
  size_t maxOwed = 16;  // symbols owed under any one right state
};

// Nothing when the batch needs unbounded delay (or more than the limits), or deletes or repeats
// symbols it does not name (those pass through the queue exactly once).
std::optional<TransducerMachine> BimachineToTransducer(const BimachineMachine& machine,
                                                       const SubsequentialLimits& limits = {});

}  // namespace brelvox::grammarc
