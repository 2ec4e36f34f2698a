#include "engine/sapi/front_end.h"

#include "engine/core/dyn_array.h"
#include "engine/identity/engine_identity.h"
#include "engine/sapi/text_fragments.h"

DWORD ReadEngineOptions(HKEY* settingsKey, DWORD speakFlags) {
  DWORD options = kDefaultEngineOptions;
  if (*settingsKey == nullptr &&
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEngineSettingsKey, 0, nullptr, 0, KEY_READ, nullptr,
                      settingsKey, nullptr) != ERROR_SUCCESS) {
    *settingsKey = nullptr;
  }
  if (*settingsKey != nullptr) {
    DWORD size = sizeof options;
    RegQueryValueExA(*settingsKey, kEngineSettingsValue, nullptr, nullptr,
                     reinterpret_cast<BYTE*>(&options), &size);
  }
  if ((speakFlags & SPF_NLP_SPEAK_PUNC) != 0) options |= kSpeakPunctuationOption;
  return options;
}

SymbolStream FrontEndStream(const Grammar& grammar, const Transducer* userDictionary,
                            const SPVTEXTFRAG* fragments, DWORD options) {
  DynArray* items = collectTextItems(fragments);
  if (items == nullptr) return SymbolStream{nullptr, nullptr};
  const SymbolStream stream =
      BuildSymbolStream(grammar, userDictionary, items, static_cast<int32_t>(options));
  DynArrayRelease(items);
  return stream;
}
