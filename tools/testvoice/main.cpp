// brelvox-test-voice: writes a small test voice for the platform until the Bulgarian voice exists:
// a synthetic diphone voice, a grammar that reads Cyrillic and Latin letters one by one as
// phonemes (word and sentence markers, pauses at punctuation, the first vowel of a word stressed),
// and a user dictionary that changes nothing.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/core/sound/phoneme_set.h"
#include "engine/core/symbols.h"
#include "tests/support/grammar_files.h"
#include "tools/voicefile/synthetic_voice.h"

namespace {

struct Letter {
  char16_t letter;
  const char* phonemes;
};

// Each letter and the phoneme characters it is read as.
constexpr Letter kLetters[] = {
    {u'а', "a"},  {u'б', "b"},  {u'в', "w"}, {u'г', "g"}, {u'д', "d"},  {u'е', "e"}, {u'ж', "v"},
    {u'з', "z"},  {u'и', "i"},  {u'й', "j"}, {u'к', "k"}, {u'л', "l"},  {u'м', "m"}, {u'н', "n"},
    {u'о', "o"},  {u'п', "p"},  {u'р', "r"}, {u'с', "s"}, {u'т', "t"},  {u'у', "u"}, {u'ф', "f"},
    {u'х', "h"},  {u'ц', "c"},  {u'ч', "4"}, {u'ш', "6"}, {u'щ', "6t"}, {u'ъ', "y"}, {u'ь', ""},
    {u'ю', "ju"}, {u'я', "ja"}, {u'a', "a"}, {u'b', "b"}, {u'c', "k"},  {u'd', "d"}, {u'e', "e"},
    {u'f', "f"},  {u'g', "g"},  {u'h', "h"}, {u'i', "i"}, {u'j', "j"},  {u'k', "k"}, {u'l', "l"},
    {u'm', "m"},  {u'n', "n"},  {u'o', "o"}, {u'p', "p"}, {u'q', "k"},  {u'r', "r"}, {u's', "s"},
    {u't', "t"},  {u'u', "u"},  {u'v', "w"}, {u'w', "w"}, {u'x', "ks"}, {u'y', "i"}, {u'z', "z"},
};

bool IsVowel(char c) {
  return std::string_view("aeiouy").find(c) != std::string_view::npos;
}

int32_t PhonemeSymbol(char c) {
  return PhonemeBase + static_cast<int32_t>(PhonemeAlphabet.find(c));
}

char16_t Upper(char16_t c) {
  if (c >= u'а' && c <= u'я') return static_cast<char16_t>(c - 0x20);
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  return c;
}

// States: 0 between words, 1 in a word before its first vowel, 2 after it.
TransducerSpec LetterGrammar() {
  constexpr int32_t kWord = kFirstWordMarker;
  constexpr int32_t kSentence = kSentenceMarkerA;
  std::vector<int32_t> alphabet = {-1, kWord, kSentence, PauseSymbol};
  for (int32_t s = 0; s < kStressLevels; ++s)
    alphabet.push_back(StressBase + s);
  for (char p : PhonemeAlphabet)
    alphabet.push_back(PhonemeSymbol(p));
  const std::u16string pauses = u",;:";
  const std::u16string ends = u".!?";
  const std::u16string spaces = u" \t\n\r";
  for (const Letter& l : kLetters) {
    alphabet.push_back(l.letter);
    alphabet.push_back(Upper(l.letter));
  }
  for (char16_t c : pauses + ends + spaces)
    alphabet.push_back(c);
  TransducerBuilder b(alphabet);
  for (const Letter& l : kLetters) {
    for (char16_t letter : {l.letter, Upper(l.letter)}) {
      for (int32_t state : {0, 1, 2}) {
        std::vector<int32_t> out;
        if (state == 0) out.push_back(kWord);
        out.push_back(letter);
        bool stressed = state == 2;
        for (const char* p = l.phonemes; *p != '\0'; ++p) {
          out.push_back(PhonemeSymbol(*p));
          const bool first = IsVowel(*p) && !stressed;
          out.push_back(StressBase + (first ? 7 : kNeutralStress));
          stressed = stressed || IsVowel(*p);
        }
        b.Transition(state, letter, stressed ? 2 : 1, out);
      }
    }
  }
  for (int32_t state : {0, 1, 2}) {
    const std::vector<int32_t> close =
        state == 0 ? std::vector<int32_t>{} : std::vector<int32_t>{kWord};
    for (char16_t c : spaces) {
      std::vector<int32_t> out = close;
      out.push_back(c);
      b.Transition(state, c, 0, out);
    }
    for (char16_t c : pauses) {
      std::vector<int32_t> out = close;
      out.insert(out.end(), {c, PauseSymbol});
      b.Transition(state, c, 0, out);
    }
    for (char16_t c : ends) {
      std::vector<int32_t> out = close;
      out.insert(out.end(), {c, kSentence, kSentence, PauseSymbol});
      b.Transition(state, c, 0, out);
    }
    if (state != 0) b.Final(state, {kWord});
  }
  return b.Build(3);
}

bool WriteWords(const std::string& path, const std::vector<int32_t>& words) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(words.data(), 4, words.size(), f) == words.size();
  return (std::fclose(f) == 0) && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) == "--help") {
    std::fprintf(stderr,
                 "usage: brelvox-test-voice DIRECTORY\n"
                 "Writes test.voice, test.grammar and test.userdict into DIRECTORY.\n");
    return argc == 2 ? 0 : 2;
  }
  const std::string dir = argv[1];
  std::string error;
  StageSpec stage;
  stage.transducer = LetterGrammar();
  StageSpec dictionary;
  dictionary.kind = 3;
  const bool ok =
      WriteVoiceFile(dir + "/test.voice", MakeSyntheticVoice({}), &error) &&
      WriteWords(dir + "/test.grammar", GrammarFile({dictionary, stage})) &&
      WriteWords(dir + "/test.userdict", TransducerFile(TransducerBuilder({-1}).Build(1)));
  if (!ok) {
    std::fprintf(stderr, "brelvox-test-voice: cannot write into %s; check that it exists\n",
                 dir.c_str());
    return 1;
  }
  std::printf("wrote %s/test.voice, test.grammar, test.userdict\n", dir.c_str());
  return 0;
}
