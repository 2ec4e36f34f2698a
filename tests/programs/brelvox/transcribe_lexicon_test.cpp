// `brelvox transcribe` and `brelvox lexicon` end to end, with a registry of their own and the
// Bulgarian grammar built in the tree: what the voice makes of a text, and how the user's own
// pronunciations change it at once and go away again.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/command_output.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_voices.h"

using namespace brelvox::voicefile;

using namespace brelvox::test;

namespace {

using Result = CommandOutput;

Result Brelvox(const std::string& arguments) {
  return RunCommand(std::string(BRELVOX_COMMAND) + " " + arguments);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Exists(const std::string& path) {
  return std::ifstream(path).good();
}

class TranscribeLexicon : public testing::Test {
 protected:
  void SetUp() override {
    if (!Exists(BRELVOX_GRAMMAR_FILE) || !Exists(BRELVOX_USERDICT_FILE)) {
      GTEST_SKIP() << "the Bulgarian grammar is not built (" << BRELVOX_GRAMMAR_FILE
                   << "); build the target bulgarian_grammar first";
    }
    Install("bg", BRELVOX_GRAMMAR_FILE, true);
  }
  void Install(const std::string& name, const std::string& grammar, bool makeDefault) {
    const Result r =
        Brelvox("install-voice --name " + name + " --voice-data " + files_.File("none.voice") +
                " --grammar-data " + grammar + " --userdict-data " BRELVOX_USERDICT_FILE +
                (makeDefault ? " --default" : ""));
    ASSERT_EQ(r.status, 0) << r.out;
  }
  std::string Transcribe(const std::string& arguments) {
    const Result r = Brelvox("transcribe " + arguments);
    EXPECT_EQ(r.status, 0) << r.out;
    return r.out;
  }
  std::string Folder() const { return registry_.Folder(); }

  ScopedRegistry registry_;
  TempDir files_;
};

TEST_F(TranscribeLexicon, TranscribesWordByWordAsTheEngineRunsTheGrammar) {
  const struct {
    const char* arguments;
    const char* printed;
  } cases[] = {
      {"котката", "kOtkata\n"},
      {"'ХЛЯБ'", "hLAp\n"},
      {"'Не знам.'", "ne znAm\n"},
      {"не знам", "ne znAm\n"},  // several arguments are one text
      {"'Вход, сграда.'", "fhOt zgrAda\n"},
      {"'...'", "\n"},
      // Stress levels: the first accent of a sentence 8, a question's last word rising to 10.
      {"--stress 'Котката спи?'", "k5O8t5k5a5t5a5 s5p5I9\n"},
      {"--stress 'Спиш ли?'", "s5p5I96X lXiX\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Transcribe(c.arguments), c.printed) << c.arguments;
}

TEST_F(TranscribeLexicon, TheOptionBitsComeFromTheEngineSettings) {
  // Flags 0 select no stage of the grammar: no word is marked, nothing is printed.
  ASSERT_EQ(Brelvox("reg set 'HKLM\\SOFTWARE\\ORVELT\\TTSEngine' settings dword:0").status, 0);
  EXPECT_EQ(Transcribe("котката"), "\n");
}

TEST_F(TranscribeLexicon, ClearErrorsForVoicesThatCannotTranscribe) {
  Result r = Brelvox("transcribe --voice nobody котка");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "brelvox transcribe: there is no voice nobody; brelvox voices lists the "
            "installed ones\n");

  Install("missing", files_.File("missing.grammar"), false);
  r = Brelvox("transcribe --voice missing котка");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("cannot read the grammar file " + files_.File("missing.grammar")),
            std::string::npos)
      << r.out;

  const std::string garbage = "not a grammar at all";
  Install("broken", files_.Write("broken.grammar", garbage.data(), garbage.size()), false);
  r = Brelvox("transcribe --voice BROKEN котка");  // voice names ignore case
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("does not load"), std::string::npos) << r.out;

  r = Brelvox("transcribe");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("TEXT is required"), std::string::npos) << r.out;
}

TEST_F(TranscribeLexicon, NoVoiceInstalled) {
  ASSERT_EQ(Brelvox("reg delete 'HKLM\\SOFTWARE\\Speech\\Voices\\Tokens\\bg'").status, 0);
  for (const char* command : {"transcribe котка", "lexicon add котка kOtka"}) {
    const Result r = Brelvox(command);
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_NE(r.out.find("no voice is installed; install one with brelvox install-voice"),
              std::string::npos)
        << r.out;
  }
  EXPECT_FALSE(Exists(Folder() + "/lexicon.txt"));
}

TEST_F(TranscribeLexicon, AnEntryChangesTheNextTranscriptionAndRemovingItRestoresIt) {
  ASSERT_EQ(Transcribe("'Котката спи'"), "kOtkata spI\n");
  Result r = Brelvox("lexicon add Котката kotkAta");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.rfind("added котката kotkAta", 0), 0u) << r.out;
  EXPECT_EQ(Transcribe("'Котката спи. КОТКАТА?'"), "kotkAta spI kotkAta\n");
  // The entry's phonemes take the sentence's intonation like any other word's.
  EXPECT_EQ(Transcribe("--stress 'Видях котката.'"), "w5i5D5A8h5 k5o5t5k5A6t3a3\n");
  // Only the whole word: its stem and other forms keep the grammar's pronunciation.
  EXPECT_EQ(Transcribe("котка"), "kOtka\n");
  // The voice now names the compiled dictionary beside the registry.
  EXPECT_NE(Brelvox("voices").out.find("UserDictData " + Folder() + "/lexicon.userdict"),
            std::string::npos);

  ASSERT_EQ(Brelvox("lexicon add не nE").status, 0);  // clitics too
  EXPECT_EQ(Transcribe("'не знам'"), "nE znAm\n");

  r = Brelvox("lexicon remove котката");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(Transcribe("котката"), "kOtkata\n");
  ASSERT_EQ(Brelvox("lexicon remove НЕ").status, 0);
  // No entries left: an empty dictionary that still loads (no warning from transcribe).
  EXPECT_EQ(Brelvox("transcribe 'не знам'").out, "ne znAm\n");
  EXPECT_EQ(Brelvox("lexicon list").out,
            "no entries yet (brelvox lexicon add WORD PRONUNCIATION adds one)\n");

  r = Brelvox("lexicon remove котката");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("котката is not in your lexicon"), std::string::npos) << r.out;
}

TEST_F(TranscribeLexicon, ListShowsTheEntriesInWordOrder) {
  ASSERT_EQ(Brelvox("lexicon add щастие \"6tAst'e\"").status, 0);
  ASSERT_EQ(Brelvox("lexicon add Куче kUce").status, 0);
  ASSERT_EQ(Brelvox("lexicon add куче kUc").status, 0);  // replaces
  const Result r = Brelvox("lexicon list");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "куче kUc\nщастие 6tAst'e\n");
}

TEST_F(TranscribeLexicon, BadInputChangesNothing) {
  ASSERT_EQ(Brelvox("lexicon add котка kOtka").status, 0);
  const std::string entries = ReadText(Folder() + "/lexicon.txt");
  const std::string dictionary = ReadText(Folder() + "/lexicon.userdict");
  const struct {
    const char* arguments;
    const char* message;
  } cases[] = {
      {"add котка kQtka", "holds \"Q\", which is not a phoneme"},
      {"add котка kotka", "has no stressed vowel"},
      {"add котка ''", "the pronunciation is empty"},
      {"add cat kAt", "holds \"c\", which is not a Bulgarian letter"},
      {"add котка", "PRONUNCIATION is required"},
      {"add --voice nobody куче kUce", "there is no voice nobody"},
  };
  for (const auto& c : cases) {
    const Result r = Brelvox(std::string("lexicon ") + c.arguments);
    EXPECT_NE(r.status, 0) << c.arguments;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << c.arguments << ": " << r.out;
  }
  EXPECT_EQ(ReadText(Folder() + "/lexicon.txt"), entries);
  EXPECT_EQ(ReadText(Folder() + "/lexicon.userdict"), dictionary);

  // A hand-edited file with a broken line is reported, not rewritten.
  const std::string broken = entries + "куче\n";
  std::ofstream(Folder() + "/lexicon.txt", std::ios::binary) << broken;
  const Result r = Brelvox("lexicon add куче kUce");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("lexicon.txt line 4: an entry is a word and its pronunciation"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(ReadText(Folder() + "/lexicon.txt"), broken);
  EXPECT_EQ(ReadText(Folder() + "/lexicon.userdict"), dictionary);
}

TEST_F(TranscribeLexicon, ConcurrentAddsLoseNothing) {
  std::string command;
  const char* words[] = {"едно", "две", "три", "четири", "пет", "шест"};
  for (const char* word : words)
    command += std::string(BRELVOX_COMMAND) + " lexicon add " + word + " pEt >/dev/null & ";
  ASSERT_EQ(std::system((command + "wait").c_str()), 0);
  const std::string listed = Brelvox("lexicon list").out;
  for (const char* word : words)
    EXPECT_NE(listed.find(std::string(word) + " pEt\n"), std::string::npos) << listed;
  EXPECT_EQ(Transcribe("'пет шест'"), "pEt pEt\n");
}

TEST_F(TranscribeLexicon, AnotherVoiceIsPointedAtTheDictionaryOnlyWhenNamed) {
  Install("second", BRELVOX_GRAMMAR_FILE, false);
  ASSERT_EQ(Brelvox("lexicon add --voice second котка kotkA").status, 0);
  EXPECT_EQ(Transcribe("--voice second котка"), "kotkA\n");
  EXPECT_EQ(Transcribe("котка"), "kOtka\n") << "the default voice keeps its dictionary";
}

// The phoneme ids of the phoneme events `brelvox speak` reports for a text.
std::vector<int> SpokenPhonemes(const std::string& text) {
  const Result r = Brelvox("speak --events - " + text);
  EXPECT_EQ(r.status, 0) << r.out;
  std::vector<int> phonemes;
  std::istringstream lines(r.out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] != '{') continue;
    const nlohmann::json event = nlohmann::json::parse(line);
    if (event.contains("event") && event["event"] == 6) {
      phonemes.push_back(event["wparam"].get<int>() & 0xFFFF);
    }
  }
  return phonemes;
}

TEST_F(TranscribeLexicon, TheEngineUsesTheEntryFromItsNextUtterance) {
  const std::vector<uint8_t> voice = SerializeVoiceFile(MakeImpulseVoice({}));
  ASSERT_EQ(Brelvox("register " BRELVOX_LIBRARY).status, 0);
  ASSERT_EQ(
      Brelvox("install-voice --name spoken --default --voice-data " +
              files_.Write("impulse.voice", voice) +
              " --grammar-data " BRELVOX_GRAMMAR_FILE " --userdict-data " BRELVOX_USERDICT_FILE)
          .status,
      0);
  const std::vector<int> before = SpokenPhonemes("котката");
  ASSERT_EQ(before.size(), 7u);
  ASSERT_EQ(Brelvox("lexicon add котката kotkAt").status, 0);
  const std::vector<int> changed = SpokenPhonemes("котката");
  EXPECT_EQ(changed.size(), 6u);
  EXPECT_NE(changed, std::vector<int>(before.begin(), before.end() - 1));
  ASSERT_EQ(Brelvox("lexicon remove котката").status, 0);
  EXPECT_EQ(SpokenPhonemes("котката"), before);
}

}  // namespace
