// Any bytes as the text of a translation request: the page checks, cuts and folds it without
// reading outside it, the cut keeps valid text valid, and folding is stable; then the phrase
// translator looks the text up both ways in a small dictionary whose words share endings with
// many forms (so the rules that take endings off, restore vowels and find aspect partners run),
// and every translation of valid text is valid text.
#include <cstdlib>
#include <string>

#include "page/phrase_translator.h"
#include "page/text.h"

using namespace brelvox::page;

namespace {

DictionaryTables SmallDictionary() {
  DictionaryTables t;
  t.english_to_bulgarian = {{"water", {"вода"}},
                            {"red", {"червен", "алено"}},
                            {"car", {"кола"}},
                            {"see", {"виждам", "видя"}},
                            {"saw", {"трион"}},
                            {"man", {"мъж", "човек"}},
                            {"run", {"тичам"}},
                            {"don't", {"не"}},
                            {"good morning", {"добро утро"}},
                            {"ring", {"пръстен"}}};
  t.english_verbs = {{"see", {"виждам"}}, {"run", {"тичам"}}};
  t.english_nouns = {{"run", {"бягане"}}};
  t.english_bases = {{"saw", {"see"}}, {"men", {"man"}}, {"ran", {"run"}}};
  t.english_verb_forms = {"saw", "ran"};
  t.english_base_first = {{"saw", "see"}};
  t.bulgarian_to_english = {
      {"вода", {"water"}},       {"червен", {"red"}}, {"кола", {"car"}},
      {"виждам", {"see"}},       {"видя", {"see"}},   {"спя", {"sleep"}},
      {"чакам", {"wait"}},       {"кажа", {"say"}},   {"дете", {"child"}},
      {"гняв", {"anger"}},       {"бял", {"white"}},  {"извършвам", {"do"}},
      {"закъснея", {"be late"}}, {"греша", {"err"}},  {"добро утро", {"good morning"}}};
  t.bulgarian_bases = {{"децата", {"дете"}}, {"казах", {"кажа"}}};
  t.bulgarian_base_first = {{"казах", "кажа"}};
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const DictionaryTables tables = SmallDictionary();
  static const PhraseTranslator translator(tables, nullptr, nullptr);
  const std::string q(reinterpret_cast<const char*>(data), size);
  const bool valid = IsValidUtf8(q);
  bool cut = false;
  const std::string kept = CutRequest(q, &cut);
  if (kept.size() > q.size() || (valid && !IsValidUtf8(kept))) std::abort();
  const std::string key = FoldKey(kept);
  if (valid && FoldKey(key) != key) std::abort();
  if (valid && EncodeUtf8(DecodeUtf8(q)) != q) std::abort();
  if (!valid) return 0;  // the service refuses such text before it reaches the translator
  for (const auto direction : {Direction::kEnglishToBulgarian, Direction::kBulgarianToEnglish}) {
    const TranslationResult r = translator.Translate(direction, q);
    if (!IsValidUtf8(r.Shown()) || !IsValidUtf8(r.source)) std::abort();
  }
  return 0;
}
