// Data files mapped and loaded: every way a file can fail to load is told apart from a good one.
#include "engine/files/data_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/grammar_files.h"
#include "tests/support/temp_files.h"
#include "tests/support/text_grammar.h"

using namespace brelvox::test;

namespace {

TEST(DataFileTest, LoadsGoodFilesAndRefusesOthersWithAReason) {
  TempDir dir;
  const std::string grammar = dir.Write("good.grammar", TestGrammar().file);
  const std::string dictionary =
      dir.Write("good.dict", TransducerFile(TransducerBuilder({-1}).Build(1)));
  const std::string empty = dir.Write("empty", std::vector<int32_t>{});
  const std::string junk = dir.Write("junk", std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8});

  MappedGrammar g;
  std::string error;
  ASSERT_TRUE(g.Load(grammar, &error)) << error;
  EXPECT_NE(g.get(), nullptr);
  EXPECT_FALSE(g.Load(dictionary, &error)) << "a user dictionary is not a grammar";
  EXPECT_EQ(g.get(), nullptr);
  EXPECT_TRUE(g.Readable());

  MappedUserDictionary d;
  ASSERT_TRUE(d.Load(dictionary, &error)) << error;
  EXPECT_NE(d.get(), nullptr);

  struct Case {
    std::string path;
    bool readable;
    const char* says;
  };
  const Case cases[] = {
      {dir.File("missing"), false, "cannot read the grammar file"},
      {"", false, "cannot read the grammar file"},
      {empty, false, "cannot read the grammar file"},
      {junk, true, "does not load"},
  };
  for (const Case& c : cases) {
    MappedGrammar file;
    EXPECT_FALSE(file.Load(c.path, &error)) << c.path;
    EXPECT_EQ(file.Readable(), c.readable) << c.path;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_NE(error.find(c.path), std::string::npos) << "names the file: " << error;
  }
}

}  // namespace
