#include "platform/speech/fragments.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "platform/com/unicode.h"

SPVSTATE DefaultFragmentState() {
  SPVSTATE state{};
  state.eAction = SPVA_Speak;
  state.LangID = 0x402;
  state.Volume = 100;
  return state;
}

SPVTEXTFRAG& FragmentList::AddSourceFragment(const SPVSTATE& state, size_t offset, size_t length) {
  SPVTEXTFRAG f{};
  f.State = state;
  f.pTextStart = AsWide(source_.data() + offset);
  f.ulTextLen = static_cast<ULONG>(length);
  f.ulTextSrcOffset = static_cast<ULONG>(offset);
  fragments_.push_back(f);
  return fragments_.back();
}

SPVTEXTFRAG& FragmentList::AddOwnFragment(const SPVSTATE& state, std::u16string text,
                                          size_t offset) {
  ownTexts_.push_back(std::move(text));
  SPVTEXTFRAG f{};
  f.State = state;
  f.pTextStart = AsWide(ownTexts_.back().c_str());
  f.ulTextLen = static_cast<ULONG>(ownTexts_.back().size());
  f.ulTextSrcOffset = static_cast<ULONG>(offset);
  fragments_.push_back(f);
  return fragments_.back();
}

const SPVTEXTFRAG* FragmentList::First() {
  for (size_t i = 0; i < fragments_.size(); ++i) {
    fragments_[i].pNext = i + 1 < fragments_.size() ? &fragments_[i + 1] : nullptr;
  }
  return fragments_.empty() ? nullptr : &fragments_.front();
}

void AddPlainText(FragmentList* list) {
  list->AddSourceFragment(DefaultFragmentState(), 0, list->Source().size());
}

namespace {

struct Attribute {
  size_t offset;  // of the value in the source
  std::u16string value;
};

struct Tag {
  std::string name;  // lower case, without '/'
  bool closing = false;
  bool empty = false;  // <name ... />
  std::map<std::string, Attribute> attributes;
};

bool IsSpace(char16_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool ParseTag(const std::u16string& s, size_t begin, size_t end, Tag* tag, std::string* error) {
  size_t at = begin + 1;  // past '<'
  if (at < end && s[at] == '/') {
    tag->closing = true;
    ++at;
  }
  size_t last = end;  // index of '>'
  if (last > at && s[last - 1] == '/') {
    tag->empty = true;
    --last;
  }
  const size_t nameStart = at;
  while (at < last && !IsSpace(s[at]))
    ++at;
  for (size_t i = nameStart; i < at; ++i) {
    tag->name += static_cast<char>(std::tolower(s[i] < 128 ? static_cast<int>(s[i]) : '?'));
  }
  while (at < last) {
    while (at < last && IsSpace(s[at]))
      ++at;
    if (at >= last) break;
    const size_t keyStart = at;
    while (at < last && s[at] != '=' && !IsSpace(s[at]))
      ++at;
    const std::string key = Utf16ToUtf8(s.substr(keyStart, at - keyStart));
    while (at < last && IsSpace(s[at]))
      ++at;
    if (at >= last || s[at] != '=') {
      *error = "the attribute " + key + " has no value";
      return false;
    }
    ++at;
    while (at < last && IsSpace(s[at]))
      ++at;
    if (at >= last || (s[at] != '"' && s[at] != '\'')) {
      *error = "the value of " + key + " must be quoted";
      return false;
    }
    const char16_t quote = s[at++];
    const size_t valueStart = at;
    while (at < last && s[at] != quote)
      ++at;
    if (at >= last) {
      *error = "the value of " + key + " is not closed";
      return false;
    }
    tag->attributes[key] = Attribute{valueStart, s.substr(valueStart, at - valueStart)};
    ++at;
  }
  return true;
}

// A number attribute, saturated to the range of LONG (strtoll saturates what it cannot hold).
int64_t NumberOf(const Tag& tag, const char* name, int64_t fallback) {
  const auto it = tag.attributes.find(name);
  if (it == tag.attributes.end()) return fallback;
  return std::clamp<int64_t>(std::strtoll(Utf16ToUtf8(it->second.value).c_str(), nullptr, 10),
                             INT32_MIN, INT32_MAX);
}

// An absolute value plus a relative one, saturated rather than wrapped.
LONG Sum(int64_t a, int64_t b) {
  return static_cast<LONG>(std::clamp<int64_t>(a + b, INT32_MIN, INT32_MAX));
}

}  // namespace

bool ParseMarkup(FragmentList* list, std::string* error) {
  const std::u16string& s = list->Source();
  std::vector<SPVSTATE> states = {DefaultFragmentState()};
  std::vector<std::string> opened;
  int spell = 0;
  size_t at = 0;
  const auto text = [&](size_t from, size_t to) {
    if (to <= from) return;
    SPVSTATE state = states.back();
    state.eAction = spell > 0 ? SPVA_SpellOut : SPVA_Speak;
    list->AddSourceFragment(state, from, to - from);
  };
  while (at < s.size()) {
    const size_t open = s.find(u'<', at);
    if (open == std::u16string::npos) {
      text(at, s.size());
      break;
    }
    text(at, open);
    if (s.compare(open, 4, u"<!--") == 0) {
      const size_t close = s.find(u"-->", open);
      if (close == std::u16string::npos) {
        *error = "a comment is never closed";
        return false;
      }
      at = close + 3;
      continue;
    }
    const size_t close = s.find(u'>', open);
    if (close == std::u16string::npos) {
      *error = "a tag at character " + std::to_string(open) + " is never closed with '>'";
      return false;
    }
    at = close + 1;
    if (s[open + 1] == '?') continue;  // an XML declaration
    Tag tag;
    if (!ParseTag(s, open, close, &tag, error)) return false;
    if (tag.closing) {
      if (tag.name == "spell" && spell > 0) --spell;
      if ((tag.name == "rate" || tag.name == "volume" || tag.name == "pitch") && !opened.empty() &&
          opened.back() == tag.name) {
        opened.pop_back();
        states.pop_back();
      }
      continue;
    }
    SPVSTATE state = states.back();
    if (tag.name == "bookmark") {
      state.eAction = SPVA_Bookmark;
      const auto mark = tag.attributes.find("mark");
      if (mark == tag.attributes.end()) {
        list->AddSourceFragment(state, open, 0);
      } else {
        list->AddSourceFragment(state, mark->second.offset, mark->second.value.size());
      }
    } else if (tag.name == "silence") {
      state.eAction = SPVA_Silence;
      state.SilenceMSecs = static_cast<ULONG>(std::max<int64_t>(0, NumberOf(tag, "msec", 0)));
      list->AddSourceFragment(state, open, 0);
    } else if (tag.name == "spell") {
      if (!tag.empty) ++spell;
    } else if (tag.name == "rate" || tag.name == "volume" || tag.name == "pitch") {
      if (tag.name == "rate") {
        state.RateAdj = Sum(NumberOf(tag, "absspeed", state.RateAdj), NumberOf(tag, "speed", 0));
      } else if (tag.name == "volume") {
        state.Volume = static_cast<ULONG>(std::clamp<int64_t>(NumberOf(tag, "level", 100), 0, 100));
      } else {
        state.PitchAdj.MiddleAdj =
            Sum(NumberOf(tag, "absmiddle", state.PitchAdj.MiddleAdj), NumberOf(tag, "middle", 0));
      }
      if (tag.empty) {
        states.back() = state;  // applies to the rest of the text
      } else {
        states.push_back(state);
        opened.push_back(tag.name);
      }
    } else {
      state.eAction = SPVA_ParseUnknownTag;
      list->AddSourceFragment(state, open, close + 1 - open);
    }
  }
  return true;
}
