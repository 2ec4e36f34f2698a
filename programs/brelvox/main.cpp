// brelvox: the speech platform's command line. Speaks with the default voice, drives an engine
// precisely for tests, shows what a voice's grammar makes of a text, edits the user's own
// pronunciations, lists and installs voices, registers engine libraries and edits the platform's
// registry.

#include <CLI/CLI.hpp>
#include <climits>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/identity/engine_identity.h"
#include "platform/audio/audio_output.h"
#include "programs/brelvox/data_files.h"
#include "programs/brelvox/engine_library.h"
#include "programs/brelvox/speak_command.h"
#include "programs/brelvox/transcribe_command.h"
#ifdef BRELVOX_LEXICON_COMMANDS
#include "programs/brelvox/lexicon_command.h"
#endif
#ifdef BRELVOX_SPEECHD_COMMAND
#include "programs/brelvox/speechd_command.h"
#endif
#include "platform/com/com.h"
#include "platform/com/unicode.h"
#include "platform/registry/registry.h"
#include "platform/speech/engine_host.h"
#include "platform/speech/speak.h"
#include "platform/speech/voice_token.h"

using namespace brelvox::command;

namespace {

int Fail(const std::string& command, const std::string& message, int status = 1) {
  std::fprintf(stderr, "brelvox %s: %s\n", command.c_str(), message.c_str());
  return status;
}

int RunRegistration(const std::string& library, bool registering) {
  const char* command = registering ? "register" : "unregister";
  std::string error;
  const HRESULT hr = RegisterEngineLibrary(library, registering, &error);
  if (!error.empty()) return Fail(command, error);
  if (FAILED(hr)) {
    return Fail(command, "the library refused (" + HresultText(hr) + "); check that " +
                             RegistryWriteFilePath(HKEY_CLASSES_ROOT) + " is writable");
  }
  std::printf("%s %s\n", registering ? "registered" : "unregistered", library.c_str());
  return 0;
}

struct SayOptions {
  std::vector<std::string> text;
  std::string file;
  std::string voice;
  bool xml = false;
  std::string wav;
  long long rate = 0;
  long long volume = 100;
};

// The text of `say`: TEXT, or the file -f names (- for standard input), or standard input.
bool ReadSayText(const SayOptions& options, std::string* text, std::string* error) {
  if (!options.text.empty()) {
    if (!options.file.empty()) {
      *error = "give the text either as TEXT or with -f, not both";
      return false;
    }
    for (const std::string& part : options.text)
      *text += (text->empty() ? "" : " ") + part;
    return true;
  }
  std::ostringstream content;
  if (options.file.empty() || options.file == "-") {
    content << std::cin.rdbuf();
  } else {
    std::ifstream in(options.file, std::ios::binary);
    if (!in) {
      *error = "cannot read " + options.file;
      return false;
    }
    content << in.rdbuf();
  }
  *text = content.str();
  return true;
}

// Prints a sentence for each damaged data file of the voice NAME (the default voice when empty),
// only the user dictionary when the voice `spoke`; how many there were.
size_t ReportDamagedFiles(const char* command, const std::string& name, bool spoke) {
  std::string error;
  const std::string chosen = name.empty() ? DefaultVoiceToken() : ChooseVoice(name, &error);
  VoiceToken* token = chosen.empty() ? nullptr : VoiceToken::FromRegistry(chosen);
  if (token == nullptr) return 0;
  const std::vector<std::string> damaged = DamagedDataFiles(*token, spoke);
  token->Release();
  for (const std::string& problem : damaged)
    Fail(command, problem);
  return damaged.size();
}

int RunSay(const SayOptions& options) {
  SpeakRequest request;
  std::string error;
  if (!ReadSayText(options, &request.text, &error)) return Fail("say", error, 2);
  if (request.text.empty()) {
    return Fail("say", "nothing to say: give TEXT, -f FILE or text on standard input", 2);
  }
  if (options.rate < -10 || options.rate > 10) return Fail("say", "--rate takes -10 to 10", 2);
  if (options.volume < 0 || options.volume > 100) {
    return Fail("say", "--volume takes 0 to 100", 2);
  }
  request.markup = options.xml;
  request.voice = options.voice;
  request.site.rate = static_cast<LONG>(options.rate);
  request.site.volume = static_cast<WORD>(options.volume);
  std::unique_ptr<AudioOutput> wav;
  if (!options.wav.empty()) {
    wav = MakeWavFileOutput(options.wav);
    request.output = wav.get();
  }
  const SpeakResult spoken = SpeakText(request);
  if (!spoken.note.empty()) std::fprintf(stderr, "brelvox say: %s\n", spoken.note.c_str());
  if (spoken.failure == SpeakFailure::kMarkup) return Fail("say", spoken.error, 2);
  // The engine only says that binding failed or that no format is usable (and speaks on without a
  // user dictionary it refuses): name the damaged file instead.
  const size_t damaged = ReportDamagedFiles(
      "say", options.voice, spoken.failure == SpeakFailure::kNone && spoken.finished);
  if (spoken.failure != SpeakFailure::kNone || !spoken.finished) {
    return damaged > 0 && spoken.failure != SpeakFailure::kOutput ? 1 : Fail("say", spoken.error);
  }
  if (!options.wav.empty() && options.wav != "-") {
    std::printf("wrote %.2f s of audio to %s\n",
                static_cast<double>(spoken.bytes) / spoken.format.nAvgBytesPerSec,
                options.wav.c_str());
  }
  return 0;
}

int RunVoices() {
  const std::string preferred = DefaultVoiceToken();
  const auto tokens = ListVoiceTokens();
  if (tokens.empty()) {
    std::printf("no voices installed (brelvox install-voice adds one)\n");
    return 0;
  }
  for (const std::string& name : tokens) {
    VoiceToken* token = VoiceToken::FromRegistry(name);
    if (token == nullptr) continue;  // removed meanwhile
    std::printf("%s %s\n  VoiceData    %s\n  GrammarData  %s\n  UserDictData %s\n",
                name == preferred ? "*" : " ", name.c_str(), token->Value("VoiceData").c_str(),
                token->Value("GrammarData").c_str(), token->Value("UserDictData").c_str());
    token->Release();
  }
  return 0;
}

// KEY is ROOT\path, the root in long or short form (HKLM, HKCU, HKCR).
bool SplitKey(const std::string& key, HKEY* root, std::string* path) {
  const size_t slash = key.find('\\');
  *root = RegistryRootByName(key.substr(0, slash));
  *path = slash == std::string::npos ? "" : key.substr(slash + 1);
  return *root != nullptr;
}

int RunReg(const std::string& action, const std::string& key, const std::string& value,
           const std::string& data) {
  HKEY root = nullptr;
  std::string path;
  if (!SplitKey(key, &root, &path)) {
    return Fail("reg", "the key must start with HKLM, HKCU or HKCR (or their long names)", 2);
  }
  if (action == "get") {
    std::string text;
    DWORD number = 0;
    if (RegGetDword(root, path.c_str(), value.c_str(), &number)) {
      std::printf("dword:%u\n", static_cast<unsigned>(number));
    } else if (RegGetString(root, path.c_str(), value.c_str(), &text)) {
      std::printf("sz:%s\n", text.c_str());
    } else {
      return Fail("reg", "no value " + (value.empty() ? std::string("(default)") : value) +
                             " under " + key);
    }
    std::printf("(from %s)\n", RegValueStore(root, path.c_str(), value.c_str()).c_str());
    return 0;
  }
  if (action == "set") {
    LONG result = 0;
    if (data.rfind("dword:", 0) == 0) {
      char* end = nullptr;
      const unsigned long n = std::strtoul(data.c_str() + 6, &end, 0);
      if (end == data.c_str() + 6 || *end != '\0' || n > 0xFFFFFFFFul) {
        return Fail("reg", "dword: takes a number from 0 to 4294967295", 2);
      }
      result = RegSetDword(root, path.c_str(), value.c_str(), static_cast<DWORD>(n));
    } else if (data.rfind("sz:", 0) == 0) {
      result = RegSetString(root, path.c_str(), value.c_str(), data.substr(3));
    } else {
      return Fail("reg", "DATA must be dword:NUMBER or sz:TEXT", 2);
    }
    if (result != 0) return Fail("reg", "cannot write " + RegistryWriteFilePath(root));
    return 0;
  }
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_WRITE, &opened) != 0) {
    return Fail("reg", "there is no key " + key);
  }
  const LONG result =
      value.empty() ? RegDeleteTreeA(root, path.c_str()) : RegDeleteValueA(opened, value.c_str());
  RegCloseKey(opened);
  if (result != 0 && root != HKEY_CURRENT_USER &&
      RegistryWriteFilePath(root) != MachineRegistryFilePath()) {
    return Fail("reg", key + " " + value +
                           " is the machine's, which only root changes; run the command as root");
  }
  if (result != 0) return Fail("reg", "nothing to delete at " + key + " " + value);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"brelvox: the speech platform's command line"};
  app.require_subcommand(1);

  SayOptions sayOptions;
  CLI::App* say = app.add_subcommand(
      "say", "Speak a text (TEXT, -f FILE or standard input) to the sound device or a WAV file");
  say->add_option("TEXT", sayOptions.text, "the text (UTF-8); without it, standard input");
  say->add_option("-f,--file", sayOptions.file, "read the text from FILE (- for standard input)");
  say->add_option("--voice", sayOptions.voice,
                  "the installed voice to speak with (default: the default voice)");
  say->add_flag("--xml", sayOptions.xml,
                "the text carries markup (bookmark, silence, spell, rate, volume, "
                "pitch)");
  say->add_option("--wav", sayOptions.wav,
                  "write the audio to a WAV file instead of the sound device (- for standard "
                  "output)");
  say->add_option("--rate", sayOptions.rate, "speaking rate, -10 to 10");
  say->add_option("--volume", sayOptions.volume, "volume, 0 to 100");

  SpeakOptions speak;
  CLI::App* speakCommand = app.add_subcommand(
      "speak", "Drive the engine precisely as the platform does and report what it did");
  speakCommand->add_option("TEXT", speak.text, "the text, as one speak fragment");
  speakCommand->add_option("--text-file", speak.textFile, "read the text from a UTF-8 file");
  speakCommand->add_flag("--xml", speak.xml, "the text carries the platform's markup");
  speakCommand->add_option("--fragments", speak.fragmentsFile, "the exact fragment list (JSON)");
  speakCommand->add_option("--voice-data", speak.voiceData, "ad-hoc token value VoiceData");
  speakCommand->add_option("--grammar-data", speak.grammarData, "ad-hoc token value GrammarData");
  speakCommand->add_option("--userdict-data", speak.userDictData,
                           "ad-hoc token value UserDictData");
  speakCommand->add_option("--rate", speak.rate, "what the site's GetRate answers");
  speakCommand->add_option("--volume", speak.volume, "what GetVolume answers (0 to 65535)");
  speakCommand->add_option("--speak-flags", speak.speakFlags, "dwSpeakFlags");
  speakCommand->add_option("--max-write", speak.maxWrite, "every Write accepts at most N bytes");
  speakCommand
      ->add_option("--action", speak.actions,
                   "BYTES:abort | BYTES:skip=N | BYTES:rate=R | BYTES:volume=V (repeatable)")
      ->allow_extra_args(false);
  speakCommand->add_option("--wav", speak.wav, "the audio as a WAV file");
  speakCommand->add_option("--raw", speak.raw, "the exact bytes accepted by Write");
  speakCommand->add_option("--events", speak.events, "JSON Lines of what happened (- for stdout)");

  TranscribeOptions transcribe;
  CLI::App* transcribeCommand = app.add_subcommand(
      "transcribe",
      "Print the phonemes the voice's grammar and user dictionary make of a text, word by word "
      "(e.g. котката gives kOtkata)");
  transcribeCommand->add_option("TEXT", transcribe.text, "the text (UTF-8)")->required();
  transcribeCommand->add_flag("--stress", transcribe.stress,
                              "follow each phoneme by its stress level (0 to 9, X for 10)");
  transcribeCommand->add_option("--voice", transcribe.voice,
                                "the voice to use (default: the default voice)");

#ifdef BRELVOX_LEXICON_COMMANDS
  LexiconOptions lexicon;
  CLI::App* lexiconCommand = app.add_subcommand(
      "lexicon", "Edit your own pronunciations; the voice uses them from its next utterance on");
  lexiconCommand->require_subcommand(1);
  lexiconCommand->footer(
      "The entries are kept in lexicon.txt (one WORD PRONUNCIATION a line) and compiled into "
      "lexicon.userdict, both beside the registry file " +
      RegistryFilePath() + ".");
  CLI::App* lexiconAdd = lexiconCommand->add_subcommand(
      "add", "Add a word's pronunciation (or replace it) and recompile the user dictionary");
  lexiconAdd->add_option("WORD", lexicon.word, "a word of Bulgarian letters")->required();
  lexiconAdd
      ->add_option("PRONUNCIATION", lexicon.pronunciation,
                   "its phonemes as brelvox transcribe prints them, the stressed vowel in upper "
                   "case (e.g. kOtka)")
      ->required();
  lexiconAdd->add_option("--voice", lexicon.voice,
                         "the voice to point at the dictionary (default: the default voice)");
  CLI::App* lexiconRemove = lexiconCommand->add_subcommand(
      "remove", "Remove a word's pronunciation and recompile the user dictionary");
  lexiconRemove->add_option("WORD", lexicon.word, "the word")->required();
  lexiconRemove->add_option("--voice", lexicon.voice,
                            "the voice to point at the dictionary (default: the default voice)");
  CLI::App* lexiconList = lexiconCommand->add_subcommand("list", "List your pronunciations");
#endif

#ifdef BRELVOX_SPEECHD_COMMAND
  SpeechdOptions speechd;
  CLI::App* speechdCommand = AddSpeechdCommand(app, &speechd);
#endif

  app.add_subcommand("voices", "List the installed voices; * marks the default");

  VoiceDescription voice;
  voice.clsid = kEngineClassId;
  bool makeDefault = false;
  CLI::App* install = app.add_subcommand("install-voice", "Install (or replace) a voice token");
  install->add_option("--name", voice.name, "the voice's name")->required();
  install->add_option("--voice-data", voice.voiceData, "the voice file")->required();
  install->add_option("--grammar-data", voice.grammarData, "the grammar file")->required();
  install->add_option("--userdict-data", voice.userDictData, "the user dictionary file")
      ->required();
  install->add_option("--clsid", voice.clsid, "the engine class (default: this engine's)");
  install->add_flag("--default", makeDefault, "make it the default voice");

  std::string library = DefaultLibrary();
  CLI::App* reg = app.add_subcommand("register", "Register an engine library (self-registration)");
  const std::string libraryHelp = "the library (default: " + DefaultLibraryName() +
                                  " beside this program, else the installed one)";
  reg->add_option("LIBRARY", library, libraryHelp);
  CLI::App* unreg = app.add_subcommand("unregister", "Unregister an engine library");
  unreg->add_option("LIBRARY", library, libraryHelp);

  std::string regAction, regKey, regValue, regData;
  CLI::App* regCommand = app.add_subcommand("reg", "Read and write the platform's registry");
  regCommand->add_option("ACTION", regAction, "get, set or delete")
      ->required()
      ->check(CLI::IsMember({"get", "set", "delete"}));
  regCommand->add_option("KEY", regKey, "e.g. HKLM\\SOFTWARE\\ORVELT\\TTSEngine")->required();
  regCommand->add_option("VALUE", regValue, "the value's name (empty: the default value)");
  regCommand->add_option("DATA", regData, "for set: dword:NUMBER or sz:TEXT");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  if (say->parsed()) return RunSay(sayOptions);
  if (speakCommand->parsed()) return RunSpeak(speak);
  if (transcribeCommand->parsed()) return RunTranscribe(transcribe);
#ifdef BRELVOX_LEXICON_COMMANDS
  if (lexiconCommand->parsed()) {
    lexicon.action = lexiconAdd->parsed() ? "add" : lexiconRemove->parsed() ? "remove" : "list";
    (void)lexiconList;
    return RunLexicon(lexicon);
  }
#endif
#ifdef BRELVOX_SPEECHD_COMMAND
  if (speechdCommand->parsed()) return RunSpeechd(speechd);
#endif
  if (app.got_subcommand("voices")) return RunVoices();
  if (install->parsed()) {
    if (const std::string problem = VoiceTokenNameProblem(voice.name); !problem.empty()) {
      return Fail("install-voice", problem, 2);
    }
    if (InstallVoiceToken(voice, makeDefault) != 0) {
      return Fail("install-voice", "cannot write " + RegistryWriteFilePath(HKEY_LOCAL_MACHINE));
    }
    std::printf("installed %s%s\n", voice.name.c_str(), makeDefault ? " (default)" : "");
    return 0;
  }
  if (reg->parsed()) return RunRegistration(library, true);
  if (unreg->parsed()) return RunRegistration(library, false);
  if (regCommand->parsed()) {
    if (regAction == "set" && regData.empty()) {
      return Fail("reg", "set needs VALUE and DATA (dword:NUMBER or sz:TEXT)", 2);
    }
    return RunReg(regAction, regKey, regValue, regData);
  }
  return 2;
}
