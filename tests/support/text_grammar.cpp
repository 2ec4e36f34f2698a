#include "tests/support/text_grammar.h"

#include "engine/core/sound/phoneme_set.h"
#include "engine/core/symbols.h"
#include "tests/support/grammar_files.h"

namespace brelvox::test {

namespace {

constexpr int32_t kWord = kFirstWordMarker;
constexpr int32_t kSentence = kSentenceMarkerA;
constexpr int32_t kStress = StressBase + kNeutralStress;

int32_t Phoneme(char c) {
  return PhonemeBase + static_cast<int32_t>(PhonemeAlphabet.find(c));
}

}  // namespace

TransducerSpec VowelReader(bool closeWordAtEnd) {
  const std::string vowels = "aeiou";
  std::vector<int32_t> alphabet = {-1, ' ', '.', kWord, kSentence, PauseSymbol, kStress};
  for (char v : vowels) {
    alphabet.push_back(v);
    alphabet.push_back(Phoneme(v));
  }
  TransducerBuilder b(alphabet);
  for (char v : vowels) {
    b.Transition(0, v, 1, {kWord, v, Phoneme(v), kStress});
    b.Transition(1, v, 1, {v, Phoneme(v), kStress});
  }
  b.Transition(0, ' ', 0, {' '});
  b.Transition(1, ' ', 0, {kWord, ' '});
  b.Transition(0, '.', 0, {'.', kSentence, kSentence, PauseSymbol});
  b.Transition(1, '.', 0, {kWord, '.', kSentence, kSentence, PauseSymbol});
  if (closeWordAtEnd) b.Final(1, {kWord});
  return b.Build(2);
}

TestGrammar::TestGrammar(bool closeWordAtEnd) {
  StageSpec stage;
  stage.transducer = VowelReader(closeWordAtEnd);
  file = GrammarFile({stage});
  ByteReader reader = ReaderOver(file);
  grammar = LoadGrammar(&reader);
}

TestGrammar::~TestGrammar() {
  FreeGrammar(grammar);
}

TextItems::~TextItems() {
  DynArrayRelease(list_);
}

TextItems& TextItems::Speak(int32_t offset, int32_t length, int32_t pitch, int32_t rate,
                            int32_t volume) {
  items_.push_back(TextItem{kSpeakItem, pitch, rate, volume, nullptr, 0, source_.data() + offset,
                            length, offset});
  return *this;
}

TextItems& TextItems::SpellOut(int32_t offset, int32_t length) {
  items_.push_back(
      TextItem{kSpellOutItem, 0, 0, 100, nullptr, 0, source_.data() + offset, length, offset});
  return *this;
}

TextItems& TextItems::Bookmark(const void* fragment) {
  items_.push_back(TextItem{kBookmarkItem, 0, 0, 100, fragment, 0, nullptr, 0, 0});
  return *this;
}

TextItems& TextItems::Silence(int32_t ms) {
  items_.push_back(TextItem{kSilenceItem, 0, 0, 100, nullptr, ms, nullptr, 0, 0});
  return *this;
}

const DynArray* TextItems::List() {
  DynArrayRelease(list_);
  list_ = DynArrayCreate(kTextItemWords, static_cast<int32_t>(items_.size()), kDefaultGrowth);
  for (const TextItem& item : items_) {
    DynArrayAppend(list_, reinterpret_cast<const int32_t*>(&item));
  }
  return list_;
}

}  // namespace brelvox::test
