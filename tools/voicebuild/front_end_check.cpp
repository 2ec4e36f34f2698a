#include "front_end_check.h"

#include <fstream>
#include <set>

#include "engine/core/dyn_array.h"
#include "engine/core/engine_site.h"
#include "engine/core/sound/phoneme_set.h"
#include "engine/core/symbols.h"
#include "engine/core/synthesize.h"
#include "engine/core/text/speech_marks.h"
#include "engine/core/text/text_item.h"
#include "platform/com/unicode.h"
#include "tools/voicefile/collecting_host.h"

using namespace brelvox::voicefile;

namespace brelvox::voicebuild {

namespace {

// The engine's default settings (the registry value "settings" when it is missing): the grammar's
// stages run as the engine runs them.
constexpr int32_t kEngineFlags = 1;

bool Blank(const std::string& line) {
  return line.find_first_not_of(" \t\r") == std::string::npos;
}

// Speak items over the UTF-16 texts (which must outlive the array), one item each.
DynArray* MakeItems(const std::vector<std::u16string>& texts, int32_t pitchAdjust) {
  DynArray* items = DynArrayCreate(kTextItemWords, 16, kDefaultGrowth);
  int32_t offset = 0;
  for (const std::u16string& text : texts) {
    TextItem item{};
    item.kind = kSpeakItem;
    item.pitchAdj = pitchAdjust;
    item.volume = 100;
    item.text = text.data();
    item.textLength = static_cast<int32_t>(text.size());
    item.sourceOffset = offset;
    offset += item.textLength;
    DynArrayAppend(items, reinterpret_cast<const int32_t*>(&item));
  }
  return items;
}

bool StreamOf(const Grammar& grammar, const std::vector<std::u16string>& texts, int32_t pitchAdjust,
              std::vector<StreamPhoneme>* phonemes, std::string* error) {
  DynArray* items = MakeItems(texts, pitchAdjust);
  const SymbolStream stream = BuildSymbolStream(grammar, nullptr, items, kEngineFlags);
  DynArrayRelease(items);
  if (stream.symbols == nullptr) {
    *error = "the front end could not allocate its stream.";
    return false;
  }
  *phonemes = StreamPhonemes(stream.symbols->data, stream.symbols->count,
                             PitchFactorForAdjust(pitchAdjust));
  DynArrayRelease(stream.symbols);
  DynArrayRelease(stream.marks);
  return true;
}

}  // namespace

bool ReadTextPassages(const std::string& path, std::vector<std::string>* passages,
                      std::string* error) {
  std::ifstream in(path);
  if (!in) {
    *error = "cannot read the text " + path + "; check the path.";
    return false;
  }
  std::string line, passage;
  auto finish = [&] {
    if (!passage.empty()) passages->push_back(passage);
    passage.clear();
  };
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "%" || Blank(line)) {
      finish();
      continue;
    }
    const size_t first = line.find_first_not_of(" \t");
    if (!passage.empty()) passage += ' ';
    passage += line.substr(first);
  }
  finish();
  return true;
}

int32_t CountWords(const std::string& text) {
  int32_t words = 0;
  bool inWord = false;
  for (char16_t c : Utf8ToUtf16(text)) {
    const bool letter =
        (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= 0x0400 && c <= 0x04FF);
    if (letter && !inWord) ++words;
    inWord = letter;
  }
  return words;
}

std::vector<StreamPhoneme> StreamPhonemes(const int32_t* symbols, int32_t count,
                                          double pitchFactor) {
  std::vector<StreamPhoneme> phonemes;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t s = symbols[i];
    if (s == PauseSymbol && i > 0) {
      phonemes.push_back({kPausePhoneme, pitchFactor});
    } else if (IsPhonemeSymbol(s) && i + 1 < count && IsStressSymbol(symbols[i + 1])) {
      const char phoneme = PhonemeAlphabet[static_cast<size_t>(s - PhonemeBase)];
      phonemes.push_back(
          {phoneme, PitchTable[static_cast<size_t>(symbols[i + 1] - StressBase)] * pitchFactor});
      ++i;
    } else if (IsPhonemeSymbol(s)) {
      ++i;  // without its stress symbol the engine passes over both
    }
  }
  return phonemes;
}

void CountPairs(const VoiceInventory& voice, const std::vector<StreamPhoneme>& phonemes,
                PairCoverage* coverage) {
  std::set<PhonemePair> distinct(coverage->distinct.begin(), coverage->distinct.end());
  std::set<PhonemePair> missing(coverage->missing.begin(), coverage->missing.end());
  char previous = kPausePhoneme;
  for (const StreamPhoneme& p : phonemes) {
    const PhonemePair pair{previous, p.phoneme};
    previous = p.phoneme;
    ++coverage->pairs;
    if (!distinct.insert(pair).second) continue;
    coverage->distinct.push_back(pair);
    const int32_t unit = VoiceIndexOf(pair.first) * kVoicePhonemeCount + VoiceIndexOf(pair.second);
    if (voice.units[unit].duration == 0 && missing.insert(pair).second)
      coverage->missing.push_back(pair);
  }
}

bool FrontEndPhonemes(const Grammar& grammar, const std::vector<std::string>& passages,
                      int32_t pitchAdjust, std::vector<StreamPhoneme>* phonemes,
                      std::string* error) {
  for (const std::string& passage : passages) {
    std::vector<StreamPhoneme> one;
    if (!StreamOf(grammar, {Utf8ToUtf16(passage)}, pitchAdjust, &one, error)) return false;
    // Each request starts from the pause.
    if (!phonemes->empty() && phonemes->back().phoneme != kPausePhoneme)
      phonemes->push_back({kPausePhoneme, PitchFactorForAdjust(pitchAdjust)});
    phonemes->insert(phonemes->end(), one.begin(), one.end());
  }
  return true;
}

bool RenderText(VoiceInventory* voice, const Grammar& grammar,
                const std::vector<std::string>& passages, int32_t pitchAdjust,
                RenderedSpeech* speech, std::string* error) {
  std::vector<std::u16string> texts;
  for (const std::string& passage : passages) {
    texts.push_back(Utf8ToUtf16(passage));
    texts.back() += u' ';
  }
  std::vector<StreamPhoneme> stream;
  if (!StreamOf(grammar, texts, pitchAdjust, &stream, error)) return false;
  DynArray* items = MakeItems(texts, pitchAdjust);
  CollectingHost host;
  const EngineSite site = host.Table();
  const int32_t status = Synthesize(voice, &grammar, nullptr, items, kEngineFlags, &site);
  DynArrayRelease(items);
  if (status != 0) {
    *error = "the engine stopped with status " + std::to_string(status) + ".";
    return false;
  }
  speech->audio = std::move(host.audio);
  // The first event reports the pause the engine starts from; event k reports the left phoneme of
  // the k-th unit, which is stream phoneme k - 1. An event that covers more than one phoneme (its
  // unit never reached its boundary) is kept without a pitch factor.
  size_t next = 0;
  for (size_t k = 0; k < host.phonemes.size(); ++k) {
    const PhonemeSpan& p = host.phonemes[k];
    const char phoneme = kVoiceIndexOrder[static_cast<size_t>(p.phoneme)];
    double factor = 0.0;
    if (k == 0) {
      factor = phoneme == kPausePhoneme ? PitchFactorForAdjust(pitchAdjust) : 0.0;
    } else if (next < stream.size()) {
      if (stream[next].phoneme == phoneme) {
        factor = stream[next].factor;
        ++next;
      } else {
        while (next < stream.size() && stream[next].phoneme != phoneme)
          ++next;
        if (next < stream.size()) ++next;
      }
    }
    speech->phonemeMiddles.push_back(p.start + p.duration / 2);
    speech->phonemes.push_back(phoneme);
    speech->factors.push_back(factor);
  }
  return true;
}

}  // namespace brelvox::voicebuild
