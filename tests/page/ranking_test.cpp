// The built dictionary as a reader meets it: the first translation of frequent words both ways,
// inflected and irregular forms, and two-word phrases.
#include <gtest/gtest.h>

#include <memory>

#include "page/dictionary_tables.h"
#include "page/morphology.h"
#include "page/page_service.h"
#include "page/phrase_translator.h"
#include "page/text.h"

namespace brelvox::page {
namespace {

class PageRankingTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dictionary_ = new PageDictionary;
    std::string error;
    ASSERT_TRUE(LoadPageDictionary(DefaultDataDir(), dictionary_, &error)) << error;
  }
  static void TearDownTestSuite() { delete dictionary_; }
  static TranslationResult Translate(const char* direction, const char* text) {
    const PhraseTranslator translator(*dictionary_);
    return translator.Translate(std::string_view(direction) == "en"
                                    ? Direction::kEnglishToBulgarian
                                    : Direction::kBulgarianToEnglish,
                                text);
  }
  static PageDictionary* dictionary_;
};
PageDictionary* PageRankingTest::dictionary_ = nullptr;

TEST_F(PageRankingTest, MainSenseComesFirst) {
  struct Case {
    const char* from;
    const char* text;
    const char* first;  // folded: no stress marks
    const char* method;
    const char* base;  // the base form used, if any
  };
  const Case cases[] = {
      // The noun the bare word means, and frequent translations before rare or slang ones.
      {"en", "water", "вода", "exact", ""},
      {"en", "table", "маса", "exact", ""},
      {"en", "people", "хора", "exact", ""},
      {"en", "face", "лице", "exact", ""},
      {"en", "egg", "яйце", "exact", ""},
      {"bg", "маса", "table", "exact", ""},
      {"bg", "храна", "food", "exact", ""},
      {"bg", "богат", "rich", "exact", ""},
      {"bg", "вода", "water", "exact", ""},
      // Forms that are words of their own read as the more frequent word first.
      {"en", "saw", "виждам", "base form", "see"},
      {"en", "found", "намирам", "base form", "find"},
      {"en", "left", "тръгвам", "base form", "leave"},
      {"en", "drove", "карам", "base form", "drive"},
      {"bg", "казах", "say", "base form", "кажа"},
      // Irregular Bulgarian forms reach their base forms.
      {"bg", "видях", "see", "base form", "видя"},
      {"bg", "чух", "hear", "base form", "чуя"},
      {"bg", "взех", "take", "base form", "взема"},
      {"bg", "децата", "child", "base form", "дете"},
      {"bg", "ръцете", "hand", "base form", "ръка"},
      {"bg", "очите", "eye", "base form", "око"},
      // A listed participle's other genders and plural follow it; a word of its own keeps its
      // own sense (дали: whether, though дал is listed).
      {"bg", "спала", "sleep", "base form", "спя"},
      {"bg", "излязло", "go out", "base form", "изляза"},
      {"bg", "дали", "whether", "exact", ""},
      // Verb forms read the verb, not a noun of the same spelling.
      {"en", "said", "казвам", "base form", "say"},
      {"en", "wanted", "искам", "base form", "want"},
      // Plurals of nouns that are verbs too read the noun; adverbs in -ly the adjective's neuter.
      {"en", "soldiers", "войник", "base form", "soldier"},
      {"en", "wants", "искам", "base form", "want"},  // a verb first: the third person
      // A supplement's noun is no sense of the verb's forms (tear: сълза; tore: късам).
      {"en", "tore", "късам", "base form", "tear"},
      {"en", "absolutely", "абсолютно", "base form", "absolute"},
      {"en", "literally", "буквално", "base form", "literal"},
      // A comparative or superlative reads its adjective in that degree, not a verb of the same
      // spelling; an agent noun takes no degree (no cheatest).
      {"en", "meanest", "най-подъл", "base form", "mean"},
      {"en", "largest", "най-голям", "base form", "large"},
      {"en", "quicker", "по-бърз", "base form", "quick"},
      {"en", "cheater", "измамник", "base form", "cheat"},
      // A contraction cut at its apostrophe or written without it reads the whole contraction.
      {"en", "didn", "не", "base form", "didn't"},
      {"en", "thats", "това е", "base form", "that's"},
      {"en", "won", "печеля", "base form", "win"},  // a past form, no cut won't
      // An -ing form without its g reads as the -ing form.
      {"en", "tryin", "опитвам", "base form", "trying"},
      // Perfective verbs and their forms, through the supplement and the endings.
      {"bg", "направих", "do", "base form", "направя"},
      {"bg", "кажеш", "say", "base form", "кажа"},
      // Aspect partners the dictionary files the verb under, and the я of a base's stem.
      {"bg", "извършил", "commit", "base form", "извършвам"},
      {"bg", "закъснявам", "be late", "base form", "закъснея"},
      {"bg", "смехът", "laughter", "base form", "смях"},
      // Softened т, -ява forms of a perfective in -ея, and a prefix that adds only the aspect.
      {"bg", "заплатих", "pay", "base form", "заплащам"},
      {"bg", "закъснява", "be late", "base form", "закъснея"},
      {"bg", "сгреших", "be wrong", "base form", "греша"},
      // Definite forms hunspell reads as another word's.
      {"bg", "хората", "people", "base form", "хора"},
      {"bg", "името", "name", "base form", "име"},
      // Words the dictionary lacks, from the supplement.
      {"en", "wolf", "вълк", "exact", ""},
      {"en", "fridge", "хладилник", "exact", ""},
      {"bg", "нали", "right", "exact", ""},
  };
  for (const auto& c : cases) {
    const auto r = Translate(c.from, c.text);
    ASSERT_FALSE(r.translations.empty()) << c.text;
    EXPECT_EQ(FoldKey(r.translations[0].text), c.first) << c.text << ": " << r.Shown();
    EXPECT_EQ(MethodName(r.translations[0].method), c.method) << c.text;
    EXPECT_EQ(r.translations[0].base, c.base) << c.text;
  }
  // The form's own reading still follows its base's.
  const auto saw = Translate("en", "saw");
  ASSERT_EQ(saw.translations.size(), 3u);
  EXPECT_EQ(saw.translations[2].method, Method::kExact);
  // An -ing or -ed form's own participle goes second, after its verb; none is made up where the
  // form's entry lists none (going: no отиващ).
  for (const auto& [form, second] : {std::pair{"shocking", "шокиращ"},
                                     {"burning", "горящ"},
                                     {"wounded", "ранен"},
                                     {"limited", "ограничен"}}) {
    const auto r = Translate("en", form);
    ASSERT_GE(r.translations.size(), 2u) << form;
    EXPECT_EQ(FoldKey(r.translations[1].text), second) << r.Shown();
  }
  EXPECT_EQ(Translate("en", "going").Shown().find("отиващ"), std::string::npos);
}

TEST_F(PageRankingTest, WordByWordTakesMainSensesAndAgreesInGender) {
  struct Case {
    const char* from;
    const char* text;
    const char* shown;  // folded
  };
  const Case cases[] = {
      {"en", "red car", "червена кола"},      // feminine
      {"en", "the red car", "червена кола"},  // no word for "the"
      {"en", "big house", "голяма къща"},     // the fleeting vowel of голям stays
      {"en", "good water", "добра вода"},     // добър loses its ъ
      {"en", "small child", "малко дете"},    // neuter
      {"en", "new book", "нова книга"},
      {"en", "bulgarian language", "български език"},  // masculine: as the dictionary gives it
      {"bg", "червена кола", "red car"},
  };
  for (const auto& c : cases) {
    const auto r = Translate(c.from, c.text);
    ASSERT_EQ(r.method, Method::kWordByWord) << c.text;
    EXPECT_EQ(FoldKey(r.Shown()), c.shown) << c.text;
  }
}

TEST_F(PageRankingTest, NothingFoundIsAPlainValue) {
  for (const char* text : {"zzqxw", "qwrtzpl bnmvc"}) {
    const auto r = Translate("en", text);
    EXPECT_EQ(r.method, Method::kNotFound) << text;
    EXPECT_TRUE(r.translations.empty()) << text;
  }
}

}  // namespace
}  // namespace brelvox::page
