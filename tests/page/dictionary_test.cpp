#include <gtest/gtest.h>

#include <zlib.h>
#include <filesystem>
#include <fstream>

#include "page/dictionary_sources.h"
#include "page/dictionary_tables.h"

namespace brelvox::page {
namespace {

using Senses = std::vector<std::vector<std::string>>;

TEST(PageSources, GeneralEntryReadsNumberedUnnumberedAndBareSenses) {
  // Senses with and without glosses, a sense number trailing the first line, a sense with a gloss
  // and no translation, notes in parentheses.
  const auto e = ParseGeneralEntry(
      "run //ɹʌn// <n>\n"
      "1. про́бег\n"
      "2. бя́гане, ти́чане (спорт)\n"
      "act of running\n"
      "3. бяг 2.\n"
      "quick pace\n"
      " 3.\n"
      "fast gallop\n");
  EXPECT_EQ(e.headword, "run");
  EXPECT_EQ(e.part_of_speech, "n");
  // The bare " 3." shares бяг with the line that announced it.
  EXPECT_EQ(e.senses, (Senses{{"про́бег"}, {"бя́гане", "ти́чане"}, {"бяг"}, {"бяг"}}));
  const auto proverb = ParseGeneralEntry("a lot <adv>\nмного\nlarge amount\n");
  EXPECT_EQ(proverb.headword, "a lot");
  EXPECT_EQ(proverb.senses, (Senses{{"много"}}));
}

// Entries as dict-freedict-eng-bul writes them (pronunciations shortened).
TEST(PageSources, GeneralEntryReadsEveryLayoutOfTheDictionary) {
  struct Case {
    const char* text;
    Senses senses;
  };
  const Case cases[] = {
      // A translation that shares its line with the next sense number serves every sense that
      // follows as a bare number: вода is five senses of water, not one.
      {"water //ˈwɔːtə// <n>\nвода 2.\nclear liquid H₂O\n 3.\none of the basic elements\n 4.\n"
       "body of water, or specific part of it\n 5.\nserving of water\n 6.\nurine\n",
       {{"вода"}, {"вода"}, {"вода"}, {"вода"}, {"вода"}}},
      {"egg //ɛɡ// <n>\n1. яйце́, яйце 2.\napproximately spherical body\n 3.\nedible egg\n"
       "2. цици́на\nswelling on one’s head\n",
       {{"яйце́", "яйце"}, {"яйце́", "яйце"}, {"цици́на"}}},
      {"aberration //ˌæb.əˈɹeɪ.ʃn̩// <n>\n1. отклонение, отклоняване\nact of wandering\n"
       "4. абера́ция 2.\noptics: convergence to different foci\n 3.\nzoology, botany\n",
       {{"отклонение", "отклоняване"}, {"абера́ция"}, {"абера́ция"}}},
      // Links show their text; a link with two parts shows the second.
      {"table //ˈteɪbəl// <n>\n1. [[та́блица]] за [[умноже́ние]], та́блица\ncollection of "
       "arithmetic calculations\n4. ма́са, маса\nitem of furniture\n",
       {{"та́блица за умноже́ние", "та́блица"}, {"ма́са", "маса"}}},
      {"altitude /ˈæltɪtjuːd/ <n>\n1. [[надморски|надмо́рска]] [[височина́]]\nheight\n",
       {{"надмо́рска височина́"}}},
      // Latin look-alike letters typed inside Cyrillic words.
      {"aeolian harp /iːˈəʊlɪən hɑːp/ <n>\neолова арфа\nstringed instrument\n", {{"еолова арфа"}}},
      {"ad /ˌeɪˈdiː/ <adv>\nсл. Хр., след Xpиста\nanno Domini\n", {{"сл. Хр.", "след Христа"}}},
      // A question keeps its mark; a mark inside a word stands for a lost letter: dropped.
      {"can you help me /kan juː hˈɛlp miː/ <phrase>\nможете ли да ми помогнете?\nrequest\n",
       {{"можете ли да ми помогнете?"}}},
      {"backup <n>\n1. резервен, зап?сен\ncopy\n", {{"резервен"}}},
      // An unnumbered line after the first is a gloss, even with a look-alike letter in it.
      {"choppy /ˈtʃɒpi/ <adj>\n1. неспокоен\nоf wind\n", {{"неспокоен"}}},
  };
  for (const auto& c : cases) {
    const auto e = ParseGeneralEntry(c.text);
    EXPECT_EQ(e.senses, c.senses) << c.text;
    EXPECT_TRUE(e.unread.empty()) << c.text;
  }
  // A line where a translation belongs that has none is reported, not dropped silently.
  const auto letter = ParseGeneralEntry("c /siː/ <n>\nC\nthe letter\n");
  EXPECT_TRUE(letter.senses.empty());
  EXPECT_EQ(letter.unread, (std::vector<std::string>{"C"}));
}

TEST(PageSources, SupplementAndBulgarianFormsFiles) {
  std::vector<SourceEntry> entries;
  std::string error;
  ASSERT_TRUE(
      ParseSupplement("# main senses\nen wolf = вълк\n\nbg кажа = say, tell\n"
                      "en look after = грижа се за\n",
                      &entries, &error))
      << error;
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].headword, "wolf");
  EXPECT_EQ(entries[0].source, EntrySource::kSupplement);
  EXPECT_EQ(entries[1].source, EntrySource::kSupplementBulgarian);
  EXPECT_EQ(entries[1].senses, (Senses{{"say", "tell"}}));
  EXPECT_EQ(entries[2].headword, "look after");
  for (const char* bad : {"wolf = вълк\n", "en wolf вълк\n", "en  = вълк\n", "de Wolf = вълк\n"}) {
    EXPECT_FALSE(ParseSupplement(std::string("en a = един\n") + bad, &entries, &error)) << bad;
    EXPECT_NE(error.find("Line 2"), std::string::npos) << error;
  }
  const auto forms = ParseBulgarianForms("# irregular\nДецата дете\nочи око # eyes\nсам\n");
  ASSERT_EQ(forms.size(), 2u);
  EXPECT_EQ(forms[0].form, "децата");
  EXPECT_EQ(forms[1].base, "око");
  // A listed participle in -л brings its genders and plural, unless listed itself.
  const auto participles =
      ParseBulgarianForms("спал спя\nдошъл дойда\nвидял видя\nял ям\nвидели видя\n");
  std::vector<std::string> derived;
  for (const auto& f : participles) {
    if (f.derived) derived.push_back(f.form + " " + f.base);
  }
  EXPECT_EQ(derived, (std::vector<std::string>{"спала спя", "спало спя", "спали спя", "дошла дойда",
                                               "дошло дойда", "дошли дойда", "видяла видя",
                                               "видяло видя", "яла ям", "яло ям", "яли ям"}));
}

TEST(PageSources, ComputerTermsSplitHeadwordSensesAndPhrases) {
  const std::string data =
      std::string(
          "access\n(n)\nдостъп; access control контрол / управление на достъпа; "
          "access control list Win списък за контрол\n(v) осъществявам достъп до") +
      '\0' +
      "account\n(n)\n1. регистрация / профил (на потребител); (в превода: акаунт)\n"
      "2. счет. сметка" +
      '\0' + "agent\n(n)\nИИ, мр. агент";
  const auto entries = ParseComputerTerms(data);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].headword, "access");
  EXPECT_EQ(entries[0].senses, (Senses{{"достъп"}, {"осъществявам достъп до"}}));
  EXPECT_EQ(entries[1].headword, "access control");
  EXPECT_EQ(entries[1].senses, (Senses{{"контрол / управление на достъпа"}}));
  EXPECT_EQ(entries[2].headword, "access control list");
  EXPECT_EQ(entries[3].senses, (Senses{{"регистрация", "профил"}, {"сметка"}}));
  EXPECT_EQ(entries[4].senses, (Senses{{"агент"}}));
  for (const auto& e : entries)
    EXPECT_EQ(e.source, EntrySource::kComputerTerms);
}

TEST(PageSources, EnglishExceptionsListEveryBase) {
  const auto forms = ParseEnglishExceptions("went go\nbetter good well\nfeet foot\nlay lay lie\n");
  ASSERT_EQ(forms.size(), 5u);
  EXPECT_EQ(forms[0].form, "went");
  EXPECT_EQ(forms[0].base, "go");
  EXPECT_EQ(forms[2].base, "well");
  EXPECT_EQ(forms[4].base, "lie");  // "lay lay" maps a form to itself: dropped
}

std::string Base64(std::size_t v) {
  static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  do {
    out.insert(out.begin(), kAlphabet[v % 64]);
    v /= 64;
  } while (v > 0);
  return out;
}

TEST(PageSources, GeneralDictionaryReadsIndexedEntriesFromCompressedData) {
  const auto dir = std::filesystem::path(testing::TempDir()) / "page_dict_fixture";
  std::filesystem::create_directories(dir);
  const std::string body = "cat /k/ <n>\nко́тка\nanimal\ndog /d/ <n>\nку́че\nanimal\n";
  {
    gzFile f = gzopen((dir / "d.dict.dz").c_str(), "wb");
    gzwrite(f, body.data(), static_cast<unsigned>(body.size()));
    gzclose(f);
    std::ofstream index(dir / "d.index");
    // Offsets and lengths in base 64; one line points past the end and one is malformed: skipped.
    const auto dog = body.find("dog");
    index << "00databaseinfo\tA\tB\n"
          << "cat\tA\t" << Base64(dog) << "\ndog\t" << Base64(dog) << "\t"
          << Base64(body.size() - dog) << "\nbad\tZZZZ\tB\nworse\n";
  }
  std::vector<SourceEntry> entries;
  std::string error;
  ASSERT_TRUE(ReadGeneralDictionary((dir / "d.index").string(), (dir / "d.dict.dz").string(),
                                    &entries, &error))
      << error;
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].senses, (Senses{{"ко́тка"}}));
  EXPECT_EQ(entries[1].headword, "dog");

  EXPECT_FALSE(ReadGeneralDictionary((dir / "missing.index").string(), "x", &entries, &error));
  EXPECT_NE(error.find("missing.index"), std::string::npos);
}

SourceEntry Entry(std::string head, std::string pos, Senses senses,
                  EntrySource source = EntrySource::kGeneral) {
  return {std::move(head), std::move(pos), std::move(senses), source, {}};
}

TEST(PageTables, RankingSensesThenSingleWordsThenGeneralWords) {
  const std::vector<SourceEntry> entries = {
      Entry("house", "n", {{"стопа́нство", "къща"}, {"къ́ща"}, {"ка́мара"}, {"дом"}}),
      Entry("house", "v", {{"подслонявам се"}}),
      Entry("home", "n", {{"дом"}}),
      Entry("cat", "n", {{"ко́тка", "ко́те"}, {"котка"}}),
      Entry("cat", "v", {{"бия с камшик"}}),
      Entry("puss", "n", {{"котка"}, {"писана"}}),
      Entry("ism", "suffix", {{"и́зъм"}}),
      Entry("cat food", "n", {{"котешка храна"}}),
      // A book's name and a plural fold alike, as a month and a verb do: the name's capital
      // stays out of the plural, and each Bulgarian word reverses to the spelling of its own.
      Entry("Numbers", "pn", {{"Чи́сла"}}),
      Entry("numbers", "n", {{"числа", "номера"}}),
      Entry("March", "pn", {{"ма́рт"}}),
      Entry("march", "v", {{"марширувам"}, {"марш"}}),
  };
  const auto tables = BuildTables(entries, {{"went", "go"}, {"went", "wend"}});
  // Without word counts: senses and their order decide. Stress marks kept, spellings without them
  // merged; къща is first item of one sense and second of another; a phrase comes last.
  EXPECT_EQ(tables.english_to_bulgarian.at("house"),
            (std::vector<std::string>{"къ́ща", "стопа́нство", "ка́мара", "дом", "подслонявам се"}));
  EXPECT_EQ(tables.english_to_bulgarian.at("cat"),
            (std::vector<std::string>{"ко́тка", "ко́те", "бия с камшик"}));
  EXPECT_FALSE(tables.english_to_bulgarian.contains("ism"));
  EXPECT_EQ(tables.english_to_bulgarian.at("numbers"),
            (std::vector<std::string>{"чи́сла", "номера"}));
  EXPECT_EQ(tables.bulgarian_to_english.at("числа"), (std::vector<std::string>{"numbers"}));
  EXPECT_EQ(tables.bulgarian_to_english.at("март"), (std::vector<std::string>{"March"}));
  EXPECT_EQ(tables.bulgarian_to_english.at("марш"), (std::vector<std::string>{"march"}));
  // Reverse: котка is cat's first translation in two of its three senses, puss's in one of two.
  EXPECT_EQ(tables.bulgarian_to_english.at("котка"), (std::vector<std::string>{"cat", "puss"}));
  EXPECT_EQ(tables.bulgarian_to_english.at("дом"), (std::vector<std::string>{"home", "house"}));
  EXPECT_EQ(tables.english_bases.at("went"), (std::vector<std::string>{"go", "wend"}));
}

// Real entries of dict-freedict-eng-bul (senses as the reader gives them) with real word counts.
TEST(PageTables, WordCountsMainPartOfSpeechAndTheSupplementRank) {
  const std::vector<SourceEntry> entries = {
      Entry("people", "n", {{"лю́де", "хо́ра"}, {"на́ция", "наро́д"}, {"ли́ния", "род", "семе́йство"}}),
      Entry("people", "v", {{"населвам", "населя"}, {"живея", "населявам", "обитавам"}}),
      Entry("food", "n", {{"храна́"}}),
      Entry("grub", "n", {{"храна"}, {"ларва"}}),
      Entry("rich", "adj", {{"бога́т"}, {"плодороден"}}),
      Entry("loaded", "adj", {{"натоварен", "зареден"}, {"пиян"}, {"богат"}}),
      Entry("saw", "n", {{"трио́н"}, {"поговорка"}}),
      Entry("saw", "v", {{"режа с трион"}}),
      Entry("see", "v", {{"ви́ждам", "видя"}}),
      {"wolf", "", {{"вълк"}}, EntrySource::kSupplement, {}},
      {"вълк", "", {{"wolf"}}, EntrySource::kSupplementBulgarian, {}},
      {"храна", "", {{"food", "nourishment"}}, EntrySource::kSupplementBulgarian, {}},
  };
  RankingData counts;
  counts.bulgarian_counts = {{"хора", 205513},     {"люде", 196},    {"линия", 15730},
                             {"семейство", 50249}, {"живея", 29207}, {"храна", 34544},
                             {"богат", 7958}};
  counts.english_counts = {{"people", 885915}, {"food", 127657},  {"grub", 1622},
                           {"rich", 58651},    {"loaded", 12268}, {"see", 1781493},
                           {"saw", 297985},    {"seeing", 88192}};
  const auto tables = BuildTables(entries, {{"saw", "see", true}}, counts);
  // хора, second in its sense, goes before the rare люде and the late семейство.
  EXPECT_EQ(tables.english_to_bulgarian.at("people").front(), "хо́ра");
  EXPECT_EQ(tables.bulgarian_to_english.at("храна"),
            (std::vector<std::string>{"food", "nourishment", "grub"}));
  EXPECT_EQ(tables.bulgarian_to_english.at("богат").front(), "rich");
  EXPECT_EQ(tables.english_to_bulgarian.at("wolf"), (std::vector<std::string>{"вълк"}));
  EXPECT_EQ(tables.bulgarian_to_english.at("вълк"), (std::vector<std::string>{"wolf"}));
  // saw is far more often the past of see: see goes first; its verb senses alone are kept.
  EXPECT_EQ(tables.english_base_first.at("saw"), "see");
  EXPECT_EQ(tables.english_verbs.at("saw"), (std::vector<std::string>{"режа с трион"}));
  EXPECT_FALSE(tables.english_verbs.contains("see"));  // a verb only
}

TEST(PageTables, DatabaseRoundTripAndClearErrors) {
  RankingData ranking;
  ranking.bulgarian_forms = {{"казах", "кажа", false}};
  ranking.bulgarian_counts = {{"казах", 30000}, {"кажа", 40000}, {"каже", 60000}};
  const auto tables =
      BuildTables({Entry("cat", "n", {{"ко́тка"}}), Entry("cat", "v", {{"бия"}}),
                   Entry("Kazakh", "n", {{"казах"}}), Entry("say", "v", {{"кажа"}})},
                  {{"cats", "cat", false}, {"said", "say", true}}, ranking);
  ASSERT_EQ(tables.bulgarian_base_first.at("казах"), "кажа");
  ASSERT_TRUE(tables.english_verbs.contains("cat"));
  const auto path = (std::filesystem::path(testing::TempDir()) / "page_tables.sqlite").string();
  std::string error;
  ASSERT_TRUE(WriteDatabase(tables, path, &error)) << error;
  DictionaryTables read;
  ASSERT_TRUE(ReadDatabase(path, &read, &error)) << error;
  EXPECT_EQ(read.english_to_bulgarian, tables.english_to_bulgarian);
  EXPECT_EQ(read.bulgarian_to_english, tables.bulgarian_to_english);
  EXPECT_EQ(read.english_bases, tables.english_bases);
  EXPECT_EQ(read.english_verbs, tables.english_verbs);
  EXPECT_EQ(read.english_verb_forms, tables.english_verb_forms);
  EXPECT_EQ(read.bulgarian_bases, tables.bulgarian_bases);
  EXPECT_EQ(read.english_base_first, tables.english_base_first);
  EXPECT_EQ(read.bulgarian_base_first, tables.bulgarian_base_first);

  DictionaryTables none;
  EXPECT_FALSE(ReadDatabase("/nonexistent/dictionary.sqlite", &none, &error));
  EXPECT_NE(error.find("page-data"), std::string::npos);
  const auto junk = (std::filesystem::path(testing::TempDir()) / "page_junk.sqlite").string();
  std::ofstream(junk) << "not a database";
  EXPECT_FALSE(ReadDatabase(junk, &none, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace brelvox::page
