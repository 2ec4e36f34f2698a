// The module's speaker over the speech platform: voice tokens of the BRELVOX engine, the engine
// loaded once per voice and driven through an engine site of the module's own.
#pragma once

#include <memory>

#include "programs/sd_brelvox/speaker.h"

namespace brelvox::speechd {

std::unique_ptr<Speaker> MakePlatformSpeaker();

}  // namespace brelvox::speechd
