// A small grammar for tests: reads the vowels a, e, i, o, u as phonemes at neutral stress, keeps
// every character, puts word markers around words, and after "." a pair of sentence markers and a
// pause. Other symbols are copied through.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/text/grammar.h"
#include "engine/core/text/text_item.h"

namespace brelvox::test {

struct TransducerSpec;

// The reading stage of the test grammar on its own.
TransducerSpec VowelReader(bool closeWordAtEnd = true);

struct TestGrammar {
  explicit TestGrammar(bool closeWordAtEnd = true);
  ~TestGrammar();
  TestGrammar(const TestGrammar&) = delete;
  TestGrammar& operator=(const TestGrammar&) = delete;
  std::vector<int32_t> file;
  Grammar* grammar = nullptr;
};

// A list of text items over one source text; the items point into `source`, which must outlive it.
class TextItems {
 public:
  explicit TextItems(std::u16string source) : source_(std::move(source)) {}
  ~TextItems();
  TextItems& Speak(int32_t offset, int32_t length, int32_t pitch = 0, int32_t rate = 0,
                   int32_t volume = 100);
  TextItems& SpellOut(int32_t offset, int32_t length);
  TextItems& Bookmark(const void* fragment);
  TextItems& Silence(int32_t ms);
  const DynArray* List();

 private:
  std::u16string source_;
  std::vector<TextItem> items_;
  DynArray* list_ = nullptr;
};

}  // namespace brelvox::test
