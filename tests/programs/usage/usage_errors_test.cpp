// The programs' command lines: --help succeeds, and every misuse is refused with status 2 and a
// message before the program does anything.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/command_output.h"

using namespace brelvox::test;

namespace {

struct Case {
  const char* program;
  std::string arguments;
  int status;
  std::string says;  // a piece of what the program prints
};

TEST(UsageErrors, EveryProgramAnswersHelpAndRefusesMisuse) {
  const Case cases[] = {
      {GRAMMARC, "--help", 0, "--dictionary"},
      {GRAMMARC, "", 2, "usage:"},
      {GRAMMARC, "--bogus src.grc", 2, "--bogus"},
      {GRAMMARC, "src.grc -o", 2, "-o"},
      {GRAMMARC, "--flags 12x src.grc -o out", 2, "--flags needs a number, not '12x'"},
      {GRAMMARC, "--flags 0x100000000 src.grc -o out", 2, "--flags needs a number"},
      {GRAMMARC, "--check --apply src.grc corpus", 2, "--apply"},
      {GRAMMARC, "--check src.grc", 2, "--check needs SOURCE and CORPUS"},
      {VOICEBUILD, "--help", 0, "--donor-rate"},
      {VOICEBUILD, "", 2, "--output FILE"},
      {VOICEBUILD, "--output v --bogus", 2, "--bogus"},
      {VOICEBUILD, "--output v --donor-rate 79", 2, "--donor-rate"},
      {VOICEBUILD, "--output v --smooth-back 17", 2, "--smooth-back"},
      {VOICEBUILD, "--output v --smooth-forward two", 2, "--smooth-forward"},
      {VOICEBUILD, "--donor-say zdrAvej", 2, "--raw FILE"},
      {VOICECHECK, "--help", 0, "--random-words"},
      {VOICECHECK, "--phonemes a", 2, "--voice"},
      {VOICECHECK, "--voice v", 2, "give --phonemes or --random-words"},
      {VOICECHECK, "--voice v --phonemes a --stress 11", 2, "--stress"},
      {VOICECHECK, "--voice v --grammar g --text t --pitch -11", 2, "--pitch"},
      {VOICECHECK, "--voice v --random-words many", 2, "--random-words"},
      {PAGE_DICTBUILD, "--help", 0, "--supplement"},
      {PAGE_DICTBUILD, "--out db", 2, "--general-index, --general-data and --out are required"},
      {PAGE_DICTBUILD, "--general-index i --general-data d --out db --bogus", 2, "--bogus"},
      {PAGE_DICTBUILD, "--out db --bulgarian-hunspell bg.aff", 2, "--bulgarian-hunspell"},
      {PAGE_SENSES, "--help", 0, "--show"},
      {PAGE_SENSES, "checks", 2, "CHECK_DIR"},
      {PAGE_SENSES, "--top lots checks frequency", 2, "--top"},
      {SD_BRELVOX, "--help", 0, "CONFIGURATION"},
      {SD_BRELVOX, "one.conf two.conf", 2, "two.conf"},
      {SD_BRELVOX, "--bogus", 2, "--bogus"},
      {TRANSLATOR, "--help", 0, "--page URL"},
      {TRANSLATOR, "--page", 2, "--page needs an address"},
      {TRANSLATOR, "--bogus", 2, "--bogus"},
      {TRANSLATOR_IMAGES, "--help", 0, "OUTDIR"},
      {TRANSLATOR_IMAGES, "", 2, "OUTDIR"},
  };
  for (const Case& c : cases) {
    const std::string command = std::string(c.program) + " " + c.arguments + " </dev/null";
    const CommandOutput run = RunCommand(command);
    EXPECT_EQ(run.status, c.status) << command << "\n" << run.out;
    EXPECT_NE(run.out.find(c.says), std::string::npos) << command << "\n" << run.out;
  }
}

}  // namespace
