// `brelvox lexicon add|remove|list`: the user's own pronunciations, compiled at once into the user
// dictionary that the chosen voice uses from its next utterance on.
#pragma once

#include <string>

namespace brelvox::command {

struct LexiconOptions {
  std::string action;  // add, remove or list
  std::string word;
  std::string pronunciation;
  std::string voice;  // empty: the default voice
};

// Runs the command; returns the exit status (0 success, 1 failure, 2 unusable input).
int RunLexicon(const LexiconOptions& options);

}  // namespace brelvox::command
