// The compiled Bulgarian grammar, run through the engine's own loaders and cascade: hand-checked
// transcriptions and the stream conventions the marks builder and synthesis rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/core/dyn_array.h"
#include "engine/core/sound/phoneme_set.h"
#include "engine/core/symbols.h"
#include "engine/core/synthesize.h"
#include "engine/core/text/byte_reader.h"
#include "engine/core/text/cascade.h"
#include "engine/core/text/grammar.h"
#include "engine/core/text/transducer.h"
#include "platform/com/unicode.h"
#include "tests/support/recording_site.h"
#include "tests/support/test_voices.h"
#include "tests/support/text_grammar.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace {

std::vector<char> ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The UTF-16 code units of a UTF-8 text, as the engine's symbols.
std::vector<int32_t> Utf16(const std::string& text) {
  const std::u16string units = Utf8ToUtf16(text);
  return std::vector<int32_t>(units.begin(), units.end());
}

class BulgarianGrammar : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    grammarImage_ = new std::vector<char>(ReadFile(BRELVOX_GRAMMAR_FILE));
    dictImage_ = new std::vector<char>(ReadFile(BRELVOX_USERDICT_FILE));
    ByteReader reader = MakeByteReader(grammarImage_->data(), std::ssize(*grammarImage_));
    grammar_ = grammarImage_->empty() ? nullptr : LoadGrammar(&reader);
    ByteReader dictReader = MakeByteReader(dictImage_->data(), std::ssize(*dictImage_));
    dictionary_ = dictImage_->empty() ? nullptr : LoadTransducer(&dictReader);
  }
  static void TearDownTestSuite() {
    FreeGrammar(grammar_);
    if (dictionary_ != nullptr) FreeTransducer(dictionary_);
    delete grammarImage_;
    delete dictImage_;
  }
  void SetUp() override {
    ASSERT_NE(grammar_, nullptr) << BRELVOX_GRAMMAR_FILE;
    ASSERT_NE(dictionary_, nullptr) << BRELVOX_USERDICT_FILE;
  }

  static std::vector<int32_t> Run(const std::string& text, int32_t flags = 1) {
    return Run(Utf16(text), flags);
  }
  static std::vector<int32_t> Run(const std::vector<int32_t>& input, int32_t flags = 1) {
    DynArray* stream = DynArrayCreate(1, 32, kDefaultGrowth);
    for (int32_t s : input)
      DynArrayAppend(stream, &s);
    DynArray* result = RunCascade(*grammar_, dictionary_, stream, flags);
    DynArrayRelease(stream);
    std::vector<int32_t> out(result->data, result->data + result->count);
    DynArrayRelease(result);
    return out;
  }

  // The phonemes of each word, words separated by a space; with stress, each phoneme is
  // followed by the digit (or 'X' for 10) of its stress symbol.
  static std::string Transcribe(const std::string& text, bool stress = false) {
    return Transcribe(Run(text), stress);
  }
  static std::string Transcribe(const std::vector<int32_t>& stream, bool stress = false) {
    std::string out;
    bool inWord = false;
    for (int32_t s : stream) {
      if (IsWordMarker(s)) {
        if (!inWord && !out.empty()) out += ' ';
        inWord = !inWord;
      } else if (IsPhonemeSymbol(s)) {
        out += PhonemeAlphabet[static_cast<size_t>(s - PhonemeBase)];
      } else if (stress && IsStressSymbol(s)) {
        const int32_t level = s - StressBase;
        out += level == 10 ? 'X' : static_cast<char>('0' + level);
      }
    }
    return out;
  }

  // A text and its transcription, written from the rules of Bulgarian pronunciation.
  struct Reading {
    const char* text;
    const char* phonemes;
  };
  static void ExpectReadings(std::span<const Reading> cases) {
    for (const Reading& c : cases)
      EXPECT_EQ(Transcribe(c.text), c.phonemes) << c.text;
  }

  static inline std::vector<char>* grammarImage_ = nullptr;
  static inline std::vector<char>* dictImage_ = nullptr;
  static inline Grammar* grammar_ = nullptr;
  static inline Transducer* dictionary_ = nullptr;
};

// Numbers, dates, times and money, read as words.
TEST_F(BulgarianGrammar, Numbers) {
  const Reading cases[] = {
      {"0", "nUla"},  // numbers: cardinals by rules over digit groups, each digit kept
      {"15", "petnAjset"},
      {"100", "stO"},
      {"1100", "hiLAdaistO"},
      {"2021", "dwEhiLAdidwAjsetiednO"},
      {"3,5", "trICAloipEt"},    // a decimal comma: цяло и
      {"007", "nUlanUlasEdem"},  // not a plain number: digit by digit
      {"12345", "dwanAjsethiLAditrIsta4etirIjsetipEt"},
      {"2026 г.", "dwEhiLAdidwAjseti6Esta godIna"},  // a year: ordinal, г. read in full
      {"10 %", "dEset procEnta"},
      {"1-ви март", "pYrwi mArt"},  // ordinals written with a suffix
      {"21-ви век", "dwAjsetipYrwi wEk"},
      {"2-ра", "ftOra"},
      // large numbers, digit groups with a space or a no-break space, "и" before the last element
      {"12 500", "dwanAjsethiLAdiipEtstotin"},
      {"1 000 000", "miliOn"},
      {"1\u00a0000\u00a0000", "miliOn"},
      {"1 500 000", "miliOnipEtstotinhiLAdi"},
      {"2 000 005", "dwAmiliOnaipEt"},
      {"1 001 000", "miliOnihiLAda"},
      {"1250", "hiLAdadwEstaipedesEt"},
      {"999 999 999 999",
       "dEwetstotindewedesEtidEwetmiliArdadEwetstotindewedesEtidEwetmiliOna"
       "dEwetstotindewedesEtidEwethiLAdidEwetstotindewedesEtidEwet"},
      {"1000000000000", "triliOn"},
      {"1989 200", "hiLAdadEwetstotinosemdesEtidEwet dwEsta"},  // not one number: two
      // gender from the next word; the counting form alone
      {"1", "ednO"},
      {"1 книга", "ednA knIga"},
      {"1 дете", "ednO detE"},
      {"1 ден", "edIn dEn"},
      {"2 книги", "dwE knIgi"},
      {"2 пъти", "dwA pYti"},
      {"2 часа", "dwA 4asA"},
      {"21 години", "dwAjsetiednA godIni"},
      {"2 души", "dwAma dU6i"},  // the personal count form for men
      {"3 мъже", "trIma myvE"},
      {"2-та", "dwAta"},  // definite forms
      {"3-те", "trIte"},
      {"90-те", "dewedesEtte"},
      // negative and decimal numbers, percentages, fractions
      {"-5", "mInuspEt"},
      {"\u22125", "mInuspEt"},
      {"1,5", "ednOCAloipEt"},
      {"3.14", "trICAloi4etirinAjset"},
      {"3,05", "trICAloinUlapEt"},
      {"5%", "pEtprocEnta"},
      {"1 %", "edIn procEnt"},
      {"1/2", "ednAftOra"},
      {"3/4", "trI4etwYrti"},
      // ordinals with their definite forms
      {"3-то", "trEto"},
      {"1-вият", "pYrwijat"},
      {"2-рата", "ftOrata"},
      {"11-ти", "edinAjseti"},
      {"20-ти", "dwajsEti"},
      {"99-ти", "dewedesEtidewEti"},
      {"100-тен", "stOten"},
      // years, dates, times
      {"2000 г.", "dwehiLAdna godIna"},
      {"през 1989", "pres hiLAdadEwetstotinosemdesEtidewEta"},  // a year after a preposition
      {"25.12.2026", "dwAjsetipEtidekEmwridwEhiLAdidwAjseti6EstagodIna"},
      {"25.12.", "dwAjsetipEtidekEmwri"},
      {"1.1.2027", "pYrwijanuAridwEhiLAdidwAjsetisEdmagodIna"},
      {"10 декември", "desEti dekEmwri"},
      {"Добър ден! Как сте? Днес е 10 декември 2026 г.",
       "dObyr dEn kAk ste dnEs e desEti dekEmwri dwEhiLAdidwAjseti6Esta godIna"},
      {"10:30", "dEsetitrIjset"},
      {"9:05", "dEwetipEt"},
      {"в 10:30 ч.", "w dEsetitrIjset 4asA"},
      // money
      {"5 лв.", "pEt lEwa"},
      {"5 BGN", "pEt lEwa"},
      {"1 лв.", "edIn lEf"},
      {"2,50 лв.", "dwAlEwaipedesEt stotInki"},
      {"€5", "pEtEwro"},
      {"5 EUR", "pEt Ewro"},
      {"$5", "pEtdOlara"},
      {"5 $", "pEt dOlara"},
      {"1 $", "edIn dOlar"},
      {"24,66 долара", "dwAjseti4EtiridOlarai6ejsEti6Est cEnta"},  // the currency word after
      // millions and thousands written short, units with agreement
      {"11 млн. долара", "edinAjset miliOna dOlara"},
      {"330 млн. лева", "trIstaitrIjset miliOna lEwa"},
      {"330 млн. лв.", "trIstaitrIjset miliOna lEwa"},
      {"1 млрд.", "edIn miliArt"},
      {"$ 11 млн.", "edinAjset miliOnadOlara"},  // the currency after the scale word
      {"(62 л)", "6ejsEtidwA lItra"},
      {"(41 г)", "4etirIjsetiedIn grAma"},
      {"5 см", "pEt santimEtra"},
      {"25 °C", "dwAjsetipEt grAdusa"},
      {"90 км/ч", "dewedesEt kilomEtrawY4As"},
      {"2 месеца", "dwA mEseca"},  // a masculine count form in -ца
      // years without г. after a preposition and in a range; centuries; times with a comma
      {"през 2000 г.", "prez dwehiLAdna godIna"},
      {"1991–1995", "hiLAdadEwetstotindewedesEtipYrwa hiLAdadEwetstotindewedesEtipEta"},
      {"19 в.", "dewetnAjseti wEk"},
      {"в 16,57 ч.", "f 6estnAjsetipedesEtisEdem 4asA"},
      {"0 ч", "nUla 4asA"},
      {"69-ата", "6ejsEtidewEtata"},  // an ordinal ending without its letter
      // Roman numerals: ordinals, feminine after глава and част
      {"XIX век", "dewetnAjseti wEk"},
      {"VII клас", "sEdmi klAs"},
      {"Петър I", "pEtyr pYrwi"},
      {"Йоан-Павел II", "joAn pAwel ftOri"},
      {"глава III", "glawA trEta"},
  };
  ExpectReadings(cases);
}

// Abbreviations and units read in full.
TEST_F(BulgarianGrammar, Abbreviations) {
  const Reading cases[] = {
      {"5 кг", "pEt kilogrAma"},
      {"т.е.", "tOest"},
      {"д-р Иванов", "dOktor iwAnof"},
      // abbreviations read in full
      {"напр.", "naprImer"},
      {"проф. Иванова", "profEsor iwAnowa"},
      {"бул.", "bulewArt"},
      {"гр. София", "grAt sOfija"},
      {"ул. Раковски", "Ulica rakOfski"},
      {"и др.", "i drUgi"},
      {"кв.", "kwartAl"},
      {"5 мин.", "pEt minUti"},
      {"5 ч.", "pEt 4asA"},
      {"10 км", "dEset kilomEtra"},
      {"г-н Петров", "gospodIn pEtrof"},
      {"г-жа", "gospovA"},
      {"св. Неделя", "swEta nedELa"},  // света before a woman saint
      {"ж.к.", "vilI6tenkomplEks"},
      {"бл. 5", "blOk pEt"},
      {"ал. 2", "alinEja dwE"},
      {"т. 3", "tO4ka trI"},
      {"о. Крит", "Ostrow krIt"},
      {"XIX в.", "dewetnAjseti wEk"},  // в. after a number is век, before a name вестник
      {"в. Труд", "wEstnik trUt"},
      {"хляб & вода", "hLAp i wodA"},  // signs
      {"No 7", "nOmer sEdem"},
      {"§ 5", "paragrAf pEt"},
      // acronyms: spelled by the letters' names, or said as a word
      {"МВР", "emwerE"},
      {"БСП", "besepE"},
      {"ЕС", "esE"},
      {"БТА", "beteA"},
      {"НАТО", "nAto"},
  };
  ExpectReadings(cases);
}

// Option bit 2 (speak punctuation) reads the marks by name; bit 1 alone does not. Marks inside
// numbers, abbreviations, addresses and hyphenated words are not punctuation and stay silent, and
// the pauses, sentence markers and the tune of the sentence stay as they are.
TEST_F(BulgarianGrammar, PunctuationByNameUnderOptionBit2) {
  const struct {
    const char* text;
    const char* plain;   // flags 1
    const char* spoken;  // flags 3: the default and speak punctuation
  } cases[] = {
      {"Да, не.", "dA ne", "dA zapetAja ne tO4ka"},
      {"Кой? Аз!", "kOj As", "kOj wyprosItelenznAk As udiwItelenznAk"},
      {"Хляб; вода: сол…", "hLAp wodA sOl", "hLAp tO4kaizapetAja wodA dwoetO4ie sOl mnogotO4ie"},
      {"„Не“ (да) - по-добре", "ne da pO dobrE",
       "kawI4ki ne kawI4ki otwARa6taskOba da zatwARa6taskOba tirE pO dobrE"},
      {"Аз — ти... той/тя", "As ti tOj TA", "As tirE ti mnogotO4ie tOj naklonEna4ertA TA"},
      {"т.е. ivan@abv.bg;", "tOest Iwan majmUnka Abw tO4ka bEgE",
       "tOest Iwan majmUnka Abw tO4ka bEgE tO4kaizapetAja"},
  };
  for (const auto& c : cases) {
    const std::vector<int32_t> plain = Run(c.text, 1);
    const std::vector<int32_t> spoken = Run(c.text, 3);
    EXPECT_EQ(Transcribe(plain), c.plain) << c.text;
    EXPECT_EQ(Transcribe(spoken), c.spoken) << c.text;
    // The same characters, pauses and sentence markers either way.
    const auto skeleton = [](const std::vector<int32_t>& stream) {
      std::vector<int32_t> out;
      for (int32_t s : stream)
        if (s <= kLastCharacterSymbol || s == PauseSymbol || IsSentenceMarker(s)) out.push_back(s);
      return out;
    };
    EXPECT_EQ(skeleton(spoken), skeleton(plain)) << c.text;
  }
  // Separators inside numbers are not punctuation.
  const char* numbers = "3,5 и 25.12.2026 в 10:30 и 1/2";
  EXPECT_EQ(Transcribe(Run(numbers, 3)), Transcribe(Run(numbers, 1)));
  // A question keeps its rising tune when its mark is read.
  const std::string question = Transcribe("Това е сграда ли?", true);
  EXPECT_EQ(Transcribe(Run("Това е сграда ли?", 3), true).substr(0, question.size()), question);
}

// Latin words, e-mail and web addresses.
TEST_F(BulgarianGrammar, LatinAndAddresses) {
  const Reading cases[] = {
      {"USB", "UEsbE"},              // Latin capitals spelled by their names
      {"Hans-Peter", "hAns pEter"},  // names transliterated, English words the English way
      {"The Scale", "dY skEjl"},
      {"Love", "lAf"},
      {"Google", "gUgle"},
      // Latin words: capitals and vowelless words spelled, others transliterated
      {"OK", "OkA"},
      {"BBC", "bEbEcE"},
      {"bg", "bEgE"},
      {"Linux", "lInuks"},
      {"Chrome", "4rOme"},
      {"Smith", "smIt"},
      // e-mail and web addresses: маймунка, точка, наклонена черта, тире; the parts as Latin
      // words; a full stop after the address still ends the sentence
      {"ivan@abv.bg", "Iwan majmUnka Abw tO4ka bEgE"},
      {"ivan.petrov@abv.bg", "Iwan tO4ka pEtrow majmUnka Abw tO4ka bEgE"},
      {"petrov-1@mail.bg", "pEtrow tirE ednO majmUnka mEjl tO4ka bEgE"},
      {"www.example.com", "dAbyljUdAbyljUdAbyljU tO4ka egzEmpyl tO4ka kOm"},
      {"https://abv.bg/mail",
       "Ej4tItIpIEs dwoetO4ie naklonEna4ertA naklonEna4ertA Abw tO4ka bEgE naklonEna4ertA mEjl"},
      {"Пиши на ivan@abv.bg.", "pI6i na Iwan majmUnka Abw tO4ka bEgE"},
  };
  ExpectReadings(cases);
}

// The stressed vowel: typed marks, clitics, the lexicon, the hand list, the model and the rules.
TEST_F(BulgarianGrammar, Stress) {
  const Reading cases[] = {
      {"жена́", "venA"},        // a typed stress mark wins over the rules
      {"не знам", "ne znAm"},  // a clitic is unstressed
      {"Не, да.", "nE da"},    // a clitic alone at the start of a sentence is stressed
      {"Да.", "dA"},
      {"по-добре", "pO dobrE"},          // comparative по- is stressed
      {"радост", "rAdost"},              // -ост
      {"градът", "grAdyt"},              // the article -ът
      {"къщата", "kY6tata"},             // definite forms keep the stress of the dictionary form
      {"хубавата", "hUbawata"},          // likewise for adjectives
      {"това", "towA"},                  // stress from the lexicon
      {"програмиране", "programIrane"},  // stress from the suffix model
      {"вертолетчик", "wertolEt4ik"},
      // forms of the paradigm: the stem keeps the stress, or the ending takes it
      {"правят", "prAWat"},
      {"бъдат", "bYdat"},
      {"четат", "4etAt"},
      {"военната", "woEnnata"},
      {"наредбата", "narEdbata"},
      {"имаме", "Imame"},
      {"носеше", "nOse6e"},
      {"градове", "gradowE"},
      {"ако", "akO"},
      // after не a short pronoun or a form of съм takes the stress; ѝ (or й alone) is a vowel
      {"не се знае", "ne sE znAe"},
      {"не е", "ne E"},
      {"каза ѝ", "kAza i"},
      {"каза й", "kAza i"},
      // stress from the lexicon, unstressed vowels as written
      {"вода", "wodA"},
      {"хора", "hOra"},
      {"жена", "venA"},
      {"майка", "mAjka"},
      {"баща", "ba6tA"},
      {"дете", "detE"},
      {"мъж", "mY6"},
      {"писмо", "pismO"},
      {"училище", "u4Ili6te"},
      {"голям", "goLAm"},
      {"работа", "rAbota"},
      {"човек", "4owEk"},
      {"книга", "knIga"},
      {"учител", "u4Itel"},
      {"птица", "ptIca"},
      {"прозорец", "prozOrec"},
      {"хубав", "hUbaf"},
      {"телефон", "telefOn"},
      {"университет", "uniwersitEt"},
      {"магазин", "magazIn"},
      {"самолет", "samolEt"},
      {"моята", "mOjata"},  // the hand list of frequent words
      {"него", "negO"},
      {"после", "pOsle"},
      // definite forms keep the stress of the dictionary form
      {"жената", "venAta"},
      {"детето", "detEto"},
      {"учителят", "u4IteLat"},
      {"столът", "stOlyt"},
      {"водата", "wodAta"},
      {"човекът", "4owEkyt"},
  };
  ExpectReadings(cases);
}

// Letters to sounds: palatalisation, щ, дж, дз, devoicing, voicing, the glide, clitic sandhi.
TEST_F(BulgarianGrammar, LettersAndSounds) {
  const Reading cases[] = {
      {"хляб", "hLAp"},           // palatalised before я, final devoicing
      {"ХЛЯБ", "hLAp"},           // upper case
      {"град", "grAt"},           // final devoicing
      {"сграда", "zgrAda"},       // regressive voicing
      {"здравей", "zdrawEj"},     // stress on a final vowel before й
      {"България", "bylgArija"},  // -ия keeps its syllable, stress before it
      {"щастие", "6tAstie"},      // щ, -ие keeps its syllable
      {"къща", "kY6ta"},          // ъ stressed, щ
      {"вход", "fhOt"},           // в devoiced before a voiceless consonant
      {"сватба", "swAdba"},       // т voiced before б; в does not voice what comes before it
      {"юг", "jUk"},              // ю at the start of a word
      {"дюля", "DULa"},           // ю and я after consonants
      {"шофьор", "6oFOr"},        // ьо
      {"джоб", "#Op"},            // дж
      {"дзън", "%Yn"},            // дз
      {"в къщата", "f kY6tata"},  // a clitic's last consonant joins the next word
      {"в окото", "w okOto"},
      {"с брат", "z brAt"},
      {"от град", "od grAt"},
      // я, ю and ьо: a palatalised consonant before them, j + vowel at a word start or after a
      // vowel
      {"ябълка", "jAbylka"},
      {"люляк", "LULak"},
      {"бял", "BAl"},
      {"пясък", "PAsyk"},
      {"няма", "NAma"},
      {"мляко", "mLAko"},
      {"вятър", "WAtyr"},
      {"тютюн", "TuTUn"},
      {"синьо", "sINo"},
      {"актьор", "akTOr"},
      {"Мая", "mAja"},
      {"ягода", "jAgoda"},
      {"компютър", "komPUtyr"},
      // щ, дж, дз
      {"щит", "6tIt"},
      {"още", "O6te"},
      {"нощ", "nO6t"},
      {"щука", "6tUka"},
      {"джинси", "#Insi"},
      {"джоджен", "#O#en"},
      {"дзифт", "%Ift"},
      // final devoicing
      {"зъб", "zYp"},
      {"нож", "nO6"},
      {"мраз", "mrAs"},
      {"лъв", "lYf"},
      {"враг", "wrAk"},
      {"глад", "glAt"},
      {"любов", "LubOf"},
      {"сняг", "sNAk"},
      {"плод", "plOt"},
      // regressive voicing assimilation (в is devoiced but voices nothing)
      {"отговор", "Odgowor"},
      {"изток", "Istok"},
      {"сладко", "slAtko"},
      {"книжка", "knI6ka"},
      {"вкус", "fkUs"},
      {"всички", "fsI4ki"},
      {"вторник", "ftOrnik"},
      {"сделка", "zdElka"},
      {"отдел", "oddEl"},
      {"изход", "Ishot"},
      {"рибка", "rIpka"},
      {"разказ", "rAskas"},
      {"подпис", "pOtpis"},
      {"сбогом", "zbOgom"},
      {"безкраен", "beskrAen"},
      {"автобус", "aftobUs"},
      {"дъжд", "dY6t"},  // a final cluster devoices whole
      {"през далечната", "prez dalE4nata"},
      {"оръжие", "orYvie"},
      // -ия and -ие after a consonant keep their syllable
      {"история", "istOrija"},
      {"Германия", "germAnija"},
      {"здравие", "zdrAwie"},
      {"знание", "znAnie"},
      {"линия", "lInija"},
      {"армия", "Armija"},
      {"събрание", "sybrAnie"},
      {"Мария", "marIja"},
      {"историята", "istOrijata"},
      {"пиян", "pijAn"},
      {"клиент", "kliEnt"},
      // clitics: unstressed and joined to the next word, whose first sound sets the voicing of
      // their last consonant (no devoicing before a vowel or a sonorant)
      {"ще дойда", "6te dOjda"},
      {"той е тук", "tOj e tUk"},
      {"дай ми", "dAj mi"},
      {"чух го", "4Uh go"},
      {"с майка си", "s mAjka si"},
      {"в София", "f sOfija"},
      {"от Пловдив", "ot plOwdif"},
      {"без захар", "bez zAhar"},
      {"под масата", "pod mAsata"},
      {"за мен", "za mEn"},
      {"и аз", "i As"},
      {"да видя", "da wIDa"},
  };
  ExpectReadings(cases);
}

// Every character stays in the stream once and in order; every phoneme has its stress symbol;
// word markers pair up; a sentence end gives a pause and one pair of sentence markers.
TEST_F(BulgarianGrammar, StreamConventions) {
  const std::string text = "Днес, утре — „Да“! Не? Хляб и вода…";
  const std::vector<int32_t> input = Utf16(text);
  const std::vector<int32_t> out = Run(text);
  std::vector<int32_t> characters;
  int wordMarkers = 0, sentenceMarkers = 0, pauses = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    const int32_t s = out[i];
    if (s <= kLastCharacterSymbol) characters.push_back(s);
    if (IsWordMarker(s)) ++wordMarkers;
    if (IsSentenceMarker(s)) ++sentenceMarkers;
    if (s == PauseSymbol) ++pauses;
    if (IsPhonemeSymbol(s)) {
      ASSERT_LT(i + 1, out.size());
      EXPECT_TRUE(IsStressSymbol(out[i + 1])) << "phoneme at " << i;
    }
    EXPECT_TRUE(s <= kLastCharacterSymbol || IsWordMarker(s) || IsSentenceMarker(s) ||
                s == PauseSymbol || IsPhonemeSymbol(s) || IsStressSymbol(s))
        << "stray symbol " << std::hex << s << " at " << std::dec << i;
  }
  ASSERT_EQ(characters.size(), input.size());
  for (size_t i = 0; i < input.size(); ++i) {
    // Cyrillic upper case comes out lower case; everything else unchanged.
    const int32_t expected = input[i] >= 0x410 && input[i] <= 0x42F ? input[i] + 0x20 : input[i];
    EXPECT_EQ(characters[i], expected) << "character " << i;
  }
  EXPECT_EQ(wordMarkers, 2 * 7);
  EXPECT_EQ(sentenceMarkers, 2 * 3);
  EXPECT_EQ(pauses, 2 + 3);
}

// Numbers, clitics, stress marks and mixed scripts keep every character too.
TEST_F(BulgarianGrammar, CharactersKeptInMixedText) {
  for (const std::string text : {"В 2026 г. имаше 15 души, 3,5 кг и 12345 лв.",
                                 "Ку́чето на Hans-Peter (№ 7) е 007?!", "а1б2в 10:30 25.12.2026"}) {
    const std::vector<int32_t> input = Utf16(text);
    std::vector<int32_t> characters;
    int wordMarkers = 0;
    for (int32_t s : Run(text)) {
      if (s <= kLastCharacterSymbol) characters.push_back(s);
      if (IsWordMarker(s)) ++wordMarkers;
    }
    ASSERT_EQ(characters.size(), input.size()) << text;
    for (size_t i = 0; i < input.size(); ++i) {
      const int32_t expected = input[i] >= 0x410 && input[i] <= 0x42F ? input[i] + 0x20 : input[i];
      EXPECT_EQ(characters[i], expected) << text << " character " << i;
    }
    EXPECT_EQ(wordMarkers % 2, 0) << text;
  }
}

// Spelled-out text: letters by their names (Cyrillic, Latin), digits by theirs, as one word;
// the text around it is read as usual.
TEST_F(BulgarianGrammar, SpellOut) {
  std::vector<int32_t> input = Utf16("да ");
  input.insert(input.end(), {SpellStartSymbol, SpellWordSymbol});
  for (int32_t c : Utf16("Бъ1 xЯ"))
    input.push_back(c);
  input.insert(input.end(), {SpellWordSymbol, SpellEndSymbol});
  for (int32_t c : Utf16(" хляб"))
    input.push_back(c);
  const std::vector<int32_t> out = Run(input);
  EXPECT_EQ(Transcribe(out), "da bYErgoLAmednOIksjA hLAp");
  int characters = 0;
  for (int32_t s : out)
    characters += s <= kLastCharacterSymbol ? 1 : 0;
  EXPECT_EQ(characters, 3 + 6 + 5);
}

// Letter and digit names, one spelled span each; marks inside the span are silent.
TEST_F(BulgarianGrammar, SpelledLetterNames) {
  const struct {
    const char* text;
    const char* phonemes;
  } cases[] = {
      {"абв", "AbYwY"}, {"ЩЮЯ", "6tYjUjA"},      {"ъь", "ErgoLAmErmAlyk"},   {"й", "IkrAtko"},
      {"IBM", "IbEEm"}, {"qwx", "kUdUbylwEIks"}, {"2026", "dwEnUladwE6Est"}, {"bg.5", "bEgEpEt"},
  };
  for (const auto& c : cases) {
    std::vector<int32_t> input = {SpellStartSymbol, SpellWordSymbol};
    for (int32_t s : Utf16(c.text))
      input.push_back(s);
    input.insert(input.end(), {SpellWordSymbol, SpellEndSymbol});
    EXPECT_EQ(Transcribe(Run(input)), c.phonemes) << c.text;
  }
}

// The tune: the first accent of a sentence a little high, a statement falls after its last
// accent, a question rises from it, and the syllables after an accent before a comma stay up.
TEST_F(BulgarianGrammar, Intonation) {
  EXPECT_EQ(Transcribe("Това е сграда.", true), "t5o5w5A8 e5 z5g5r5A6d3a3");
  EXPECT_EQ(Transcribe("Това е сграда ли?", true), "t5o5w5A8 e5 z5g5r5A9dXaX lXiX");
  EXPECT_EQ(Transcribe("Сграда, да.", true), "z5g5r5A8d6a6 d3a3");
}

// Word events point at the words of the caller's text: through Synthesize with the compiled
// grammar, every letter and digit lies in exactly one word's span, the spans come in order without
// overlapping, and the abbreviations and words after numbers are found exactly where they are
// written, whatever grouping the number reading chooses.
TEST_F(BulgarianGrammar, WordEventsMapBackToTheText) {
  const std::u16string text = u"На 25.12.2026 г. ул. Раковски 12, т.е. напр. 3,5 кг";
  const std::u16string prefix = u"Чети: ";  // the item starts inside the caller's text
  TextItems items(prefix + text);
  items.Speak(static_cast<int32_t>(prefix.size()), static_cast<int32_t>(text.size()));
  LoadedVoice voice(MakeImpulseVoice({}));
  ASSERT_TRUE(voice.loaded);
  RecordingSite host;
  const EngineSite site = host.Table();
  ASSERT_EQ(Synthesize(&voice.voice, grammar_, dictionary_, items.List(), 1, &site), 0);

  const auto isWordCharacter = [](char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'а' && c <= u'я') || (c >= u'А' && c <= u'Я');
  };
  std::vector<int> cover(text.size(), 0);
  std::vector<std::u16string> words;
  int32_t end = 0;
  for (const BoundaryEvent& b : host.boundaries) {
    if (b.kind == 1) continue;  // sentence
    const int32_t at = b.position - static_cast<int32_t>(prefix.size());
    ASSERT_GE(at, end) << "word events out of order or overlapping at " << b.position;
    ASSERT_GT(b.length, 0);
    ASSERT_LE(at + b.length, static_cast<int32_t>(text.size()));
    for (int32_t i = at; i < at + b.length; ++i)
      ++cover[static_cast<size_t>(i)];
    const std::u16string word = text.substr(static_cast<size_t>(at), static_cast<size_t>(b.length));
    EXPECT_TRUE(isWordCharacter(word.front())) << "a word event starts at " << at;
    EXPECT_EQ(word.find(u' '), std::u16string::npos) << "a word event spans a space at " << at;
    words.push_back(word);
    end = at + b.length;
  }
  for (size_t i = 0; i < text.size(); ++i)
    if (isWordCharacter(text[i])) {
      EXPECT_EQ(cover[i], 1) << "character " << i;
    }
  for (const std::u16string expected :
       {u"На", u"г.", u"ул.", u"Раковски", u"12", u"т.е.", u"напр.", u"кг"}) {
    EXPECT_NE(std::find(words.begin(), words.end(), expected), words.end())
        << Utf16ToUtf8(expected);
  }
}

}  // namespace
