// Which data file of a voice is damaged. The engine only says that binding failed, that the
// voice has no usable format, or (for the user dictionary) nothing at all; the commands name the
// file by loading it the way the engine does.
#pragma once

#include <string>
#include <vector>

#include "platform/speech/voice_token.h"

namespace brelvox::command {

// One sentence per data file (voice, grammar, user dictionary) that cannot be read or that the
// engine's loader refuses, naming the file and the way out; empty when all of them load. When the
// voice `spoke`, only the user dictionary (which the engine drops silently) is loaded again:
// loading the grammar a second time would double the start-up time of every request.
std::vector<std::string> DamagedDataFiles(const VoiceToken& token, bool spoke);

// The sentence for the user dictionary alone (the engine speaks on without one it refuses), or
// empty when it loads.
std::string DamagedUserDictionary(const std::string& path);

}  // namespace brelvox::command
