// Text fragment lists as the platform hands them to an engine: plain text as one fragment, the
// platform's markup (bookmark, silence, spell, rate, volume, pitch) split into fragments with the
// state in force for each, or a list given fragment by fragment.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/speech/sapi.h"

class FragmentList {
 public:
  explicit FragmentList(std::u16string source) : source_(std::move(source)) {}
  FragmentList(const FragmentList&) = delete;
  FragmentList& operator=(const FragmentList&) = delete;

  const std::u16string& Source() const { return source_; }
  // A fragment pointing into the source text.
  SPVTEXTFRAG& AddSourceFragment(const SPVSTATE& state, size_t offset, size_t length);
  // A fragment with a text of its own (bookmark names and the like given apart from the source).
  SPVTEXTFRAG& AddOwnFragment(const SPVSTATE& state, std::u16string text, size_t offset);
  // The first fragment, the list linked in order; null when empty.
  const SPVTEXTFRAG* First();
  size_t Size() const { return fragments_.size(); }

 private:
  std::u16string source_;
  std::deque<SPVTEXTFRAG> fragments_;
  std::deque<std::u16string> ownTexts_;
};

// The state of text outside any markup: speak, Bulgarian, volume 100, no adjustments.
SPVSTATE DefaultFragmentState();

// One speak fragment over the whole text.
void AddPlainText(FragmentList* list);

// Splits marked-up text into fragments. False with a one-line message when the markup is broken
// (a tag that is never closed, an attribute without its value).
bool ParseMarkup(FragmentList* list, std::string* error);
