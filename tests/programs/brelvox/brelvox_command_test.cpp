// The brelvox command end to end: registration, a voice installed from test files, `speak` with its
// event lines, and `say` to a WAV file or standard output.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/command_output.h"
#include "tests/support/grammar_files.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_voices.h"
#include "tests/support/text_grammar.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace {

using Result = CommandOutput;

Result Brelvox(const std::string& arguments) {
  return RunCommand(std::string(BRELVOX_COMMAND) + " " + arguments);
}

std::vector<nlohmann::json> Lines(const std::string& text) {
  std::vector<nlohmann::json> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '{') lines.push_back(nlohmann::json::parse(line));
  }
  return lines;
}

class BrelvoxCommandTest : public testing::Test {
 protected:
  BrelvoxCommandTest() {
    voice_ = files_.Write("t.voice", SerializeVoiceFile(MakeImpulseVoice({})));
    grammar_ = files_.Write("t.grammar", TestGrammar().file);
    dictionary_ = files_.Write("t.dict", TransducerFile(TransducerBuilder({-1}).Build(1)));
  }
  std::string Files() const {
    return "--voice-data " + voice_ + " --grammar-data " + grammar_ + " --userdict-data " +
           dictionary_;
  }
  ScopedRegistry registry_;
  TempDir files_;
  std::string voice_, grammar_, dictionary_;
};

TEST_F(BrelvoxCommandTest, SpeakReportsWhatTheEngineDid) {
  EXPECT_EQ(Brelvox("speak " + Files() + " x").status, 1) << "the engine is not registered yet";
  ASSERT_EQ(Brelvox("register " BRELVOX_LIBRARY).status, 0);
  const Result r = Brelvox("speak " + Files() + " --events - --max-write 4000 'ae. io.'");
  ASSERT_EQ(r.status, 0) << r.out;
  const std::vector<nlohmann::json> lines = Lines(r.out);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines.front()["format"]["rate"], 16000);
  EXPECT_EQ(lines.front()["format_id"], "waveformatex");
  EXPECT_EQ(lines.back()["result"], "0x00000000");
  EXPECT_EQ(r.out.substr(0, 24), "{\"format\": {\"tag\": 1, \"c") << "the documented line style";
  int sentences = 0, writes = 0;
  for (const auto& line : lines) {
    if (line.contains("event") && line["event"] == 7) ++sentences;
    if (line.contains("write")) {
      ++writes;
      EXPECT_LE(line["write"].get<int>(), 10240);
    }
    if (line.contains("event")) {
      EXPECT_EQ(line["stream"], 1);
    }
  }
  EXPECT_EQ(sentences, 2);
  EXPECT_GT(writes, 2);

  const Result aborted = Brelvox("speak " + Files() + " --events - --action 0:abort 'ae.'");
  EXPECT_EQ(aborted.status, 0);
  EXPECT_EQ(Lines(aborted.out).back()["result"], "0x00045065");
  EXPECT_EQ(Brelvox("speak " + Files() + " --action nonsense x").status, 2);
  EXPECT_EQ(Brelvox("speak --voice-data /nonexistent --grammar-data " + grammar_ +
                    " --userdict-data " + dictionary_ + " x")
                .status,
            1);
}

TEST_F(BrelvoxCommandTest, SpeakTakesAFragmentList) {
  ASSERT_EQ(Brelvox("register " BRELVOX_LIBRARY).status, 0);
  const std::string fragments = files_.File("f.json");
  std::ofstream(fragments) << R"({"source": "ae io", "fragments": [
    {"action": "speak", "offset": 0, "length": 2},
    {"action": "bookmark", "text": "42abc", "offset": 2},
    {"action": "silence", "silence_ms": 100},
    {"action": "speak", "offset": 3, "length": 2}]})";
  const Result r = Brelvox("speak " + Files() + " --events - --fragments " + fragments);
  ASSERT_EQ(r.status, 0) << r.out;
  bool bookmark = false;
  for (const auto& line : Lines(r.out)) {
    if (line.contains("event") && line["event"] == 4) {
      bookmark = true;
      EXPECT_EQ(line["wparam"], 42);
      EXPECT_EQ(line["lparam"], "42abc");
    }
  }
  EXPECT_TRUE(bookmark);

  // A fragment list the engine cannot trust is refused before anything is spoken.
  std::ofstream(fragments) << R"({"source": "ae", "fragments": [{"offset": 9223372036854775807,
    "length": 9223372036854775807}]})";
  const Result refused = Brelvox("speak " + Files() + " --fragments " + fragments);
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.out.find("\"offset\""), std::string::npos) << refused.out;
}

TEST_F(BrelvoxCommandTest, InstalledVoicesSpeakToAWavFile) {
  ASSERT_EQ(Brelvox("register " BRELVOX_LIBRARY).status, 0);
  EXPECT_EQ(Brelvox("say hello").status, 1) << "no voice yet";
  ASSERT_EQ(Brelvox("install-voice --name Test --voice-data " + voice_ + " --grammar-data " +
                    grammar_ + " --userdict-data " + dictionary_ + " --default")
                .status,
            0);
  EXPECT_NE(Brelvox("voices").out.find("* Test"), std::string::npos);
  const std::string wav = files_.File("out.wav");
  const Result said = Brelvox("say 'ae io.' --wav " + wav);
  ASSERT_EQ(said.status, 0) << said.out;
  std::ifstream in(wav, std::ios::binary);
  std::string header(44, '\0');
  in.read(header.data(), 44);
  EXPECT_EQ(header.substr(0, 4), "RIFF");
  EXPECT_EQ(header.substr(8, 4), "WAVE");
  ASSERT_EQ(Brelvox("reg set HKLM\\\\SOFTWARE\\\\ORVELT\\\\TTSEngine settings dword:3").status, 0);
  EXPECT_EQ(
      Brelvox("reg get HKLM\\\\SOFTWARE\\\\ORVELT\\\\TTSEngine settings").out,
      "dword:3\n(from the machine's registry " + registry_.Folder() + "/machine/registry.txt)\n");
  EXPECT_EQ(Brelvox("reg set HKLM\\\\SOFTWARE\\\\X v bogus").status, 2);
  ASSERT_EQ(Brelvox("unregister " BRELVOX_LIBRARY).status, 0);
  EXPECT_EQ(Brelvox("say hello").status, 1) << "the class is gone";
}

// What the machine's administrator installs every user has; what a user installs, that user alone.
TEST_F(BrelvoxCommandTest, AUsersVoicesAndRegistrationsStayThatUsers) {
  ASSERT_EQ(Brelvox("register " BRELVOX_LIBRARY).status, 0);
  ASSERT_EQ(Brelvox("install-voice --name Machine " + Files()).status, 0);
  ASSERT_EQ(Brelvox("reg set 'HKLM\\SOFTWARE\\Speech\\Voices' DefaultTokenId sz:Machine").status,
            0);
  const std::string user = "BRELVOX_REGISTRY_UNPRIVILEGED=1 ";
  const std::string machineFile = registry_.Folder() + "/machine/registry.txt";
  std::ifstream before(machineFile);
  const std::string machine{std::istreambuf_iterator<char>(before), {}};
  ASSERT_EQ(
      RunCommand(user + BRELVOX_COMMAND " install-voice --default --name Mine " + Files()).status,
      0);
  ASSERT_EQ(RunCommand(user + BRELVOX_COMMAND " register " BRELVOX_LIBRARY).status, 0);
  const Result mine = RunCommand(user + BRELVOX_COMMAND " voices");
  EXPECT_NE(mine.out.find("  Machine"), std::string::npos) << mine.out;
  EXPECT_NE(mine.out.find("* Mine"), std::string::npos) << mine.out;
  EXPECT_NE(
      RunCommand(user + BRELVOX_COMMAND
                 " reg get 'HKCR\\CLSID\\{2BFFD27F-1F12-4F12-B21C-70F3C19C416C}\\InprocServer32'")
          .out.find("(from your own classes in " + registry_.Folder() + "/registry.txt)"),
      std::string::npos);
  std::ifstream after(machineFile);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(after), {}), machine);
  // Another user of the machine: no registry of their own yet.
  rename((registry_.Folder() + "/registry.txt").c_str(), files_.File("aside.txt").c_str());
  const Result other = RunCommand(user + BRELVOX_COMMAND " voices");
  EXPECT_EQ(other.out.find("Mine"), std::string::npos) << other.out;
  EXPECT_NE(other.out.find("* Machine"), std::string::npos) << other.out;
  EXPECT_EQ(RunCommand(user + BRELVOX_COMMAND " say 'ae io.' --wav " + files_.File("o.wav")).status,
            0);
}

TEST_F(BrelvoxCommandTest, VoiceNamesAreCheckedAndDataPathsStoredAbsolute) {
  // Relative paths, from the folder that holds the files.
  const std::string install = "cd " + files_.Path() + " && " + BRELVOX_COMMAND +
                              " install-voice --voice-data t.voice --grammar-data ./t.grammar "
                              "--userdict-data ../" +
                              files_.Path().substr(files_.Path().rfind('/') + 1) + "/t.dict";
  ASSERT_EQ(RunCommand(install + " --name Good").status, 0);
  const std::string listed = Brelvox("voices").out;
  for (const std::string& file : {voice_, grammar_, dictionary_}) {
    EXPECT_NE(listed.find(" " + file + "\n"), std::string::npos) << listed;
  }
  const struct {
    const char* what;
    std::string name;
  } bad[] = {
      {"empty", "''"},
      {"a backslash", "'\\'"},
      {"a backslash inside", "'a\\b'"},
      {"a control character", "\"$(printf 'a\\tb')\""},
      {"too long", std::string(200, 'n')},
  };
  for (const auto& c : bad) {
    const Result r = RunCommand(install + " --name " + c.name);
    EXPECT_EQ(r.status, 2) << c.what << ": " << r.out;
    EXPECT_EQ(Brelvox("voices").out, listed) << c.what << " changed the voices";
  }
}

TEST_F(BrelvoxCommandTest, VoicesSurviveAnyKeyInTheRegistry) {
  ASSERT_EQ(Brelvox("install-voice --name Good " + Files()).status, 0);
  // Keys no command writes: an empty token name and a token without values.
  ASSERT_EQ(Brelvox("reg set 'HKLM\\SOFTWARE\\Speech\\Voices\\Tokens\\Empty' x sz:1").status, 0);
  std::ofstream(registry_.Folder() + "/machine/registry.txt", std::ios::app)
      << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Speech\\Voices\\Tokens\\]\n\"\"=sz:\"\"\n"
      << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Speech\\Voices\\Tokens\\\\]\n"
      << "\"broken\n[\n@=hex(4):zz\n";
  const Result voices = Brelvox("voices");
  EXPECT_EQ(voices.status, 0) << voices.out;
  EXPECT_NE(voices.out.find("Good"), std::string::npos) << voices.out;
  EXPECT_NE(voices.out.find("Empty"), std::string::npos) << voices.out;
}

TEST_F(BrelvoxCommandTest, ADamagedDataFileIsNamed) {
  ASSERT_EQ(Brelvox("register " BRELVOX_LIBRARY).status, 0);
  const std::string junk = files_.Write("junk.bin", std::vector<int32_t>{7, 7, 7});
  const struct {
    const char* what;
    std::string voice, dictionary;
    int status;  // a damaged user dictionary is left out, as the engine does
  } cases[] = {
      {"voice", junk, dictionary_, 1},
      {"user dictionary", voice_, junk, 0},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(Brelvox("install-voice --name V --default --voice-data " + c.voice +
                      " --grammar-data " + grammar_ + " --userdict-data " + c.dictionary)
                  .status,
              0);
    const Result said = Brelvox("say 'ae.' --wav " + files_.File("out.wav"));
    EXPECT_EQ(said.status, c.status) << c.what << ": " << said.out;
    EXPECT_NE(said.out.find(std::string("the ") + c.what), std::string::npos) << said.out;
    EXPECT_NE(said.out.find(junk + " is damaged"), std::string::npos) << said.out;
    const Result spoken = Brelvox("speak --voice-data " + c.voice + " --grammar-data " + grammar_ +
                                  " --userdict-data " + c.dictionary + " 'ae.'");
    EXPECT_NE(spoken.out.find(junk + " is damaged"), std::string::npos) << spoken.out;
  }
}

TEST_F(BrelvoxCommandTest, SayTakesStandardInputAVoiceByNameAndWritesAWavToStandardOutput) {
  ASSERT_EQ(Brelvox("register " BRELVOX_LIBRARY).status, 0);
  ASSERT_EQ(Brelvox("install-voice --name Test --voice-data " + voice_ + " --grammar-data " +
                    grammar_ + " --userdict-data " + dictionary_ + " --default")
                .status,
            0);
  const std::string wav = files_.File("out.wav");
  ASSERT_EQ(Brelvox("say 'ae io.' --voice test --wav " + wav).status, 0) << "names in any case";
  std::ifstream in(wav, std::ios::binary);
  const std::string file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_GT(file.size(), 44u);

  // The same audio through a pipe: the header first, then only the samples.
  const std::string command = std::string(BRELVOX_COMMAND) + " say";
  for (const std::string& say : {command + " --wav -", command + " -f - --wav -"}) {
    const Result piped = RunCommand("printf 'ae io.' | " + say);
    ASSERT_EQ(piped.status, 0) << say;
    ASSERT_EQ(piped.out.size(), file.size()) << say;
    EXPECT_EQ(piped.out.substr(0, 4), "RIFF");
    EXPECT_EQ(piped.out.substr(44), file.substr(44)) << say;
  }

  const Result unknown = Brelvox("say x --voice Nobody");
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.out.find("there is no voice Nobody"), std::string::npos) << unknown.out;
  EXPECT_EQ(Brelvox("say x -f " + wav).status, 2) << "TEXT and a file at once";
  EXPECT_EQ(RunCommand(command + " < /dev/null").status, 2) << "nothing to say";
}

}  // namespace
