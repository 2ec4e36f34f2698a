// A small voice installed for the end-to-end test: the impulse voice of the engine's tests with a
// grammar that reads the Cyrillic and Latin vowels, so that the translator's Bulgarian text
// becomes audible samples. Registered in a platform registry of its own (BRELVOX_REGISTRY).
#pragma once

#include <string>

namespace brelvox::translator::e2e {

// Writes the voice's files into `dir`, points BRELVOX_REGISTRY at `dir`/registry, registers the
// engine library and installs the voice as the default. Empty on success, else what failed.
std::string InstallTestVoice(const std::string& dir, const std::string& brelvox_command,
                             const std::string& engine_library);

}  // namespace brelvox::translator::e2e
