#include "platform/speech/fragments_json.h"

#include <cstdint>
#include <nlohmann/json.hpp>

#include "platform/com/unicode.h"

namespace {

using Json = nlohmann::json;

bool ActionOf(const std::string& name, SPVACTIONS* action) {
  static const std::pair<const char*, SPVACTIONS> kActions[] = {{"speak", SPVA_Speak},
                                                                {"silence", SPVA_Silence},
                                                                {"pronounce", SPVA_Pronounce},
                                                                {"bookmark", SPVA_Bookmark},
                                                                {"spellout", SPVA_SpellOut},
                                                                {"section", SPVA_Section},
                                                                {"unknown", SPVA_ParseUnknownTag}};
  for (const auto& [n, a] : kActions) {
    if (name == n) {
      *action = a;
      return true;
    }
  }
  return false;
}

// Reads the checked fields of one object; the first fault wins.
class Fields {
 public:
  Fields(const Json& object, std::string where, std::string* error)
      : object_(object), where_(std::move(where)), error_(error) {}

  // An integer field within [low, high]; `fallback` when absent.
  long long Integer(const char* name, long long low, long long high, long long fallback) {
    const auto it = object_.find(name);
    if (it == object_.end()) return fallback;
    long long value = 0;
    if (it->is_number_unsigned()) {
      // Above the range of long long it is above every high bound too.
      const auto u = it->get<unsigned long long>();
      if (u > static_cast<unsigned long long>(high)) return Fail(name, low, high, fallback);
      value = static_cast<long long>(u);
    } else if (it->is_number_integer()) {
      value = it->get<long long>();
    } else {
      return Fail(name, low, high, fallback);
    }
    if (value < low || value > high) return Fail(name, low, high, fallback);
    return value;
  }

  std::string Text(const char* name, const std::string& fallback) {
    const auto it = object_.find(name);
    if (it == object_.end()) return fallback;
    if (!it->is_string()) {
      Fault(std::string("\"") + name + "\" must be a string");
      return fallback;
    }
    return it->get<std::string>();
  }

  void Fault(const std::string& what) {
    if (error_->empty()) *error_ = where_ + ": " + what + ".";
  }

 private:
  long long Fail(const char* name, long long low, long long high, long long fallback) {
    Fault(std::string("\"") + name + "\" must be an integer from " + std::to_string(low) + " to " +
          std::to_string(high));
    return fallback;
  }

  const Json& object_;
  std::string where_;
  std::string* error_;
};

}  // namespace

FragmentsJson ParseFragmentsJson(const std::string& json) {
  FragmentsJson result;
  const Json doc = Json::parse(json, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) {
    result.error =
        "the fragments file is not a JSON object; give {\"source\": ..., "
        "\"fragments\": [...]}.";
    return result;
  }
  std::string error;
  Fields top(doc, "the fragments file", &error);
  const std::u16string source = Utf8ToUtf16(top.Text("source", ""));
  result.speakFlags = top.Integer("speak_flags", 0, UINT32_MAX, 0);
  const auto list = doc.find("fragments");
  if (list != doc.end() && !list->is_array()) top.Fault("\"fragments\" must be an array");
  if (!error.empty()) {
    result.error = error;
    return result;
  }
  auto fragments = std::make_unique<FragmentList>(source);
  const long long size = static_cast<long long>(source.size());
  size_t index = 0;
  for (const Json& f : list != doc.end() ? *list : Json::array()) {
    const std::string where = "fragment " + std::to_string(index++);
    if (!f.is_object()) {
      result.error = where + " is not a JSON object.";
      return result;
    }
    Fields field(f, where, &error);
    SPVSTATE state = DefaultFragmentState();
    const std::string action = field.Text("action", "speak");
    if (error.empty() && !ActionOf(action, &state.eAction)) {
      field.Fault("unknown action \"" + action +
                  "\"; use speak, silence, pronounce, bookmark, spellout, section or unknown");
    }
    state.RateAdj = static_cast<LONG>(field.Integer("rate", INT32_MIN, INT32_MAX, 0));
    state.Volume = static_cast<ULONG>(field.Integer("volume", 0, 100, 100));
    state.PitchAdj.MiddleAdj = static_cast<LONG>(field.Integer("pitch", INT32_MIN, INT32_MAX, 0));
    state.SilenceMSecs = static_cast<ULONG>(field.Integer("silence_ms", 0, UINT32_MAX, 0));
    const long long offset = field.Integer("offset", 0, size, 0);
    const bool inSource = state.eAction == SPVA_Speak || state.eAction == SPVA_Pronounce ||
                          state.eAction == SPVA_SpellOut;
    // The offset is at most the size, so size - offset cannot overflow.
    const long long length = inSource ? field.Integer("length", 0, size - offset, 0) : 0;
    const std::string text = inSource ? "" : field.Text("text", "");
    if (!error.empty()) {
      result.error = error;
      return result;
    }
    if (inSource) {
      fragments->AddSourceFragment(state, static_cast<size_t>(offset), static_cast<size_t>(length));
    } else {
      fragments->AddOwnFragment(state, Utf8ToUtf16(text), static_cast<size_t>(offset));
    }
  }
  result.fragments = std::move(fragments);
  return result;
}
