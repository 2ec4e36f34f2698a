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
  EXPECT_EQ(e.senses, (Senses{{"про́бег"}, {"бя́гане", "ти́чане"}, {"бяг"}}));

  const auto single = ParseGeneralEntry("water /w/ <n>\nвода 2.\nclear liquid\n 3.\nurine\n");
  EXPECT_EQ(single.senses, (Senses{{"вода"}}));
  const auto proverb = ParseGeneralEntry("a lot <adv>\nмного\nlarge amount\n");
  EXPECT_EQ(proverb.headword, "a lot");
  EXPECT_EQ(proverb.senses, (Senses{{"много"}}));
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
  return {std::move(head), std::move(pos), std::move(senses), source};
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
  };
  const auto tables = BuildTables(entries, {{"went", "go"}, {"went", "wend"}});
  // Stress marks kept, spellings without them merged; two senses first; then дом (two headwords).
  EXPECT_EQ(tables.english_to_bulgarian.at("house"),
            (std::vector<std::string>{"къ́ща", "дом", "стопа́нство", "ка́мара", "подслонявам се"}));
  EXPECT_EQ(tables.english_to_bulgarian.at("cat"),
            (std::vector<std::string>{"ко́тка", "ко́те", "бия с камшик"}));
  EXPECT_FALSE(tables.english_to_bulgarian.contains("ism"));
  // Reverse: cat has котка first in two senses; puss has it in one.
  EXPECT_EQ(tables.bulgarian_to_english.at("котка"), (std::vector<std::string>{"cat", "puss"}));
  EXPECT_EQ(tables.bulgarian_to_english.at("дом"), (std::vector<std::string>{"home", "house"}));
  EXPECT_EQ(tables.english_bases.at("went"), (std::vector<std::string>{"go", "wend"}));
}

TEST(PageTables, DatabaseRoundTripAndClearErrors) {
  const auto tables = BuildTables({Entry("cat", "n", {{"ко́тка"}})}, {{"cats", "cat"}});
  const auto path = (std::filesystem::path(testing::TempDir()) / "page_tables.sqlite").string();
  std::string error;
  ASSERT_TRUE(WriteDatabase(tables, path, &error)) << error;
  DictionaryTables read;
  ASSERT_TRUE(ReadDatabase(path, &read, &error)) << error;
  EXPECT_EQ(read.english_to_bulgarian, tables.english_to_bulgarian);
  EXPECT_EQ(read.bulgarian_to_english, tables.bulgarian_to_english);
  EXPECT_EQ(read.english_bases, tables.english_bases);

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
