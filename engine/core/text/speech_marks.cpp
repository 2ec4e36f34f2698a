#include "engine/core/text/speech_marks.h"

#include <algorithm>

#include "engine/core/symbols.h"

namespace {

bool IsTextKind(int32_t kind) {
  return kind == kSpeakItem || kind == kSpellOutItem;
}

class MarkBuilder {
 public:
  MarkBuilder(const DynArray* items, const DynArray* positions, int32_t characterCount,
              DynArray* marks)
      : items_(items), positions_(positions), characterCount_(characterCount), marks_(marks) {}

  void Run(const DynArray* stream) {
    if (items_->count > 0) Append(0, ItemMark, 0);
    for (int32_t u = 0; u < stream->count; ++u) {
      const int32_t v = stream->data[u];
      if (v < 0xFFFF) {
        CountCharacter(u);
      } else if (IsWordMarker(v)) {
        WordMarker(u);
      } else if (IsSentenceMarker(v)) {
        SentenceMarker(u);
      }
    }
    for (; nextItem_ < items_->count; ++nextItem_)
      Append(stream->count - 1, ItemMark, nextItem_);
    if (openSentence_ >= 0) Close(openSentence_);
  }

 private:
  void CountCharacter(int32_t u) {
    if (currentItem_ < items_->count && inItem_ >= TextItemAt(items_, currentItem_).textLength) {
      inItem_ = 0;
      while (nextItem_ < items_->count) {
        Append(u, ItemMark, nextItem_);
        currentItem_ = nextItem_++;
        if (IsTextKind(TextItemAt(items_, currentItem_).kind)) break;
      }
    }
    ++inItem_;
    ++total_;
  }

  void WordMarker(int32_t u) {
    if (openSentence_ < 0) openSentence_ = lastSentence_ = Append(u, SentenceMark, NextPosition());
    if (openWord_ < 0) {
      openWord_ = Append(u, WordMark, NextPosition());
    } else {
      Close(openWord_);
      openWord_ = -1;
    }
  }

  void SentenceMarker(int32_t u) {
    if (!pairOpen_) {
      pairOpen_ = true;
      return;
    }
    pairOpen_ = false;
    if (lastSentence_ >= 0) Close(lastSentence_);
    openSentence_ = -1;
    if (total_ < characterCount_) {
      openSentence_ = lastSentence_ = Append(u, SentenceMark, NextPosition());
    }
  }

  // Position of the k-th character; past the last one, one past its position.
  int32_t PositionOf(int32_t k) const {
    if (k < positions_->count) return positions_->data[k];
    return positions_->count > 0 ? positions_->data[positions_->count - 1] + 1 : 0;
  }
  int32_t NextPosition() const { return PositionOf(total_); }

  // A mark closed before any character of its own was counted keeps length 0.
  void Close(int32_t index) {
    auto* mark = reinterpret_cast<SpeechMark*>(DynArrayRow(marks_, index));
    const int32_t last = total_ > 0 ? PositionOf(total_ - 1) : mark->itemOrPosition - 1;
    mark->length = std::max(0, last - mark->itemOrPosition + 1);
  }

  int32_t Append(int32_t symbolIndex, SpeechMarkKind kind, int32_t itemOrPosition) {
    const SpeechMark mark{symbolIndex, kind, itemOrPosition, 0};
    return DynArrayAppend(marks_, reinterpret_cast<const int32_t*>(&mark));
  }

  const DynArray* items_;
  const DynArray* positions_;
  int32_t characterCount_;
  DynArray* marks_;
  int32_t currentItem_ = 0;
  int32_t nextItem_ = 1;
  int32_t inItem_ = 0;
  int32_t total_ = 0;
  int32_t openWord_ = -1;
  int32_t openSentence_ = -1;
  int32_t lastSentence_ = -1;
  bool pairOpen_ = false;
};

}  // namespace

DynArray* BuildSpeechMarks(const DynArray* textItems, const DynArray* stream,
                           const DynArray* positions, int32_t characterCount) {
  DynArray* marks = DynArrayCreate(kSpeechMarkWords, 50, kDefaultGrowth);
  if (marks == nullptr) return nullptr;
  MarkBuilder(textItems, positions, characterCount, marks).Run(stream);
  return marks;
}

SymbolStream BuildSymbolStream(const Grammar& grammar, const Transducer* userDictionary,
                               const DynArray* textItems, int32_t flags) {
  DynArray* input = DynArrayCreate(1, 32, kDefaultGrowth);
  DynArray* positions = DynArrayCreate(1, 256, kDefaultGrowth);
  if (input == nullptr || positions == nullptr) {
    DynArrayRelease(input);
    DynArrayRelease(positions);
    return SymbolStream{nullptr, nullptr};
  }
  int32_t characterCount = 0;
  const auto append = [](DynArray* array, int32_t value) { DynArrayAppend(array, &value); };
  for (int32_t k = 0; k < textItems->count; ++k) {
    const TextItem& item = TextItemAt(textItems, k);
    if (!IsTextKind(item.kind) || item.textLength <= 0) continue;
    characterCount += item.textLength;
    const bool spell = item.kind == kSpellOutItem;
    if (spell) {
      append(input, SpellStartSymbol);
      append(input, SpellWordSymbol);
    }
    for (int32_t i = 0; i < item.textLength; ++i) {
      append(input, static_cast<int32_t>(item.text[i]));
      append(positions, item.sourceOffset + i);
    }
    if (spell) {
      append(input, SpellWordSymbol);
      append(input, SpellEndSymbol);
    }
  }
  if (input->count == 0) {
    append(input, PauseSymbol);
    append(input, PauseSymbol);
    append(positions, 0);
  }
  SymbolStream result{RunCascade(grammar, userDictionary, input, flags), nullptr};
  DynArrayRelease(input);
  if (result.symbols != nullptr) {
    result.marks = BuildSpeechMarks(textItems, result.symbols, positions, characterCount);
    if (result.marks == nullptr) {
      DynArrayRelease(result.symbols);
      result.symbols = nullptr;
    }
  }
  DynArrayRelease(positions);
  return result;
}
