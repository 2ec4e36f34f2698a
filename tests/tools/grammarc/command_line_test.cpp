// The grammarc program itself: compiling, checking a corpus against the engine, and its errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/text/grammar.h"
#include "tests/tools/grammarc/grammarc_test_support.h"

namespace brelvox::grammarc::testing {
namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

Result Grammarc(const std::string& arguments) {
  const std::string out = ScratchFile("stdout.txt", "");
  const std::string err = ScratchFile("stderr.txt", "");
  const int status = std::system(
      (std::string(GRAMMARC_BINARY) + " " + arguments + " >" + out + " 2>" + err).c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out), ReadAll(err)};
}

const char* const kSource =
    "# Final devoicing, a lexicon and markers around the stream.\n"
    "class Voiced = [бвгджз]\n"
    "stage lexicon lexicon \"cli.lex\"\n"
    "  keep\n"
    "  boundary = [ ]\n"
    "stage devoice\n"
    "  [бвгджз] -> [пфктшс] / _ WordBoundary\n"
    "stage markers\n"
    "  \"\" -> WordMarker / .#. _\n"
    "  \"\" -> WordMarker / _ .#.\n";

TEST(CommandLine, CompilesAFileTheEngineLoads) {
  ScratchFile("cli.lex", "град {grat}\n");
  const std::string source = ScratchFile("cli.grc", kSource);
  const std::string output = ScratchFile("cli.bin", "");
  const Result r = Grammarc(source + " -o " + output + " -v");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("devoice"), std::string::npos);
  const std::string bytes = ReadAll(output);
  std::vector<int32_t> words(bytes.size() / 4);
  std::memcpy(words.data(), bytes.data(), words.size() * 4);
  ByteReader reader = MakeByteReader(words.data(), static_cast<int64_t>(bytes.size()));
  Grammar* grammar = LoadGrammar(&reader);
  ASSERT_NE(grammar, nullptr);
  EXPECT_EQ(grammar->stageCount, 3);
  FreeGrammar(grammar);
}

TEST(CommandLine, ChecksACorpusAgainstTheEngine) {
  ScratchFile("cli.lex", "град {grat}\n");
  const std::string source = ScratchFile("cli.grc", kSource);
  const std::string corpus = ScratchFile(
      "corpus.txt", "град и зъб\n\nнож\n= \"дъб\" PauseSymbol \"нов\"\n= WordMarker \"б\"\n");
  const Result r = Grammarc("--check " + source + " " + corpus);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("4 lines, 0 differences"), std::string::npos) << r.out;
  const Result applied = Grammarc("--apply " + source + " --engine \"град и зъб\"");
  EXPECT_EQ(applied.out, "WordMarker \"град\" {grat} \" и зъп\" WordMarker\n");
}

TEST(CommandLine, ReportsBadSourcesAndBadUse) {
  const std::string bad = ScratchFile("bad.grc", "stage s\n  \"a\" -> b\n");
  const Result r = Grammarc(bad + " -o " + ScratchFile("bad.bin", ""));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, bad + ":2:10: unknown name 'b'; characters are written in quotes, e.g. \"b\"\n");
  const Result usage = Grammarc("");
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.err.find("usage:"), std::string::npos);
  const Result missing = Grammarc("--check " + bad);
  EXPECT_EQ(missing.status, 2);
  const Result unwritable = Grammarc(ScratchFile("ok.grc", "stage s\n") + " -o /nonexistent/x.bin");
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos);
}

TEST(CommandLine, CompilesAndChecksAUserDictionary) {
  ScratchFile("user.lex", "котка {kOtka}\n");
  const std::string source = ScratchFile("user.grc", "dictionary \"user.lex\"\nboundary = [ ]\n");
  const std::string output = ScratchFile("user.dict", "");
  ASSERT_EQ(Grammarc(source + " -o " + output).status, 0);
  const std::string bytes = ReadAll(output);
  std::vector<int32_t> words(bytes.size() / 4);
  std::memcpy(words.data(), bytes.data(), words.size() * 4);
  ByteReader reader = MakeByteReader(words.data(), static_cast<int64_t>(bytes.size()));
  Transducer* dictionary = LoadTransducer(&reader);
  ASSERT_NE(dictionary, nullptr);
  FreeTransducer(dictionary);
  const Result r =
      Grammarc("--check " + source + " " + ScratchFile("c.txt", "котка куче\nкотки\n"));
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("2 lines, 0 differences"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace brelvox::grammarc::testing
