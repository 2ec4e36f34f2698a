#include "programs/brelvox/speak_command.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "engine/identity/engine_identity.h"
#include "platform/audio/audio_output.h"
#include "platform/com/unicode.h"
#include "platform/speech/engine_host.h"
#include "platform/speech/fragments.h"
#include "platform/speech/fragments_json.h"
#include "platform/speech/platform_site.h"
#include "platform/speech/speak.h"
#include "platform/speech/voice_token.h"
#include "programs/brelvox/data_files.h"

namespace brelvox::command {

namespace {

int Usage(const std::string& message) {
  std::fprintf(stderr, "brelvox speak: %s\n", message.c_str());
  return 2;
}

bool ReadFile(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  *text = content.str();
  return true;
}

bool ParseAction(const std::string& spec, ScheduledAction* action) {
  const size_t colon = spec.find(':');
  if (colon == std::string::npos) return false;
  try {
    size_t used = 0;
    action->atBytes = std::stoull(spec.substr(0, colon), &used);
    if (used != colon) return false;
    const std::string what = spec.substr(colon + 1);
    const auto number = [&](const char* prefix, DWORD kind) {
      const std::string p = prefix;
      if (what.rfind(p, 0) != 0) return false;
      size_t n = 0;
      action->value = static_cast<LONG>(std::stol(what.substr(p.size()), &n));
      action->action = kind;
      return n == what.size() - p.size();
    };
    if (what == "abort") {
      action->action = SPVES_ABORT;
      return true;
    }
    return number("skip=", SPVES_SKIP) || number("rate=", SPVES_RATE) ||
           number("volume=", SPVES_VOLUME);
  } catch (const std::exception&) {
    return false;
  }
}

using Json = nlohmann::ordered_json;

// One JSON object on one line in the documented style: {"key": value, "key": value}.
std::string Line(const Json& value) {
  if (!value.is_object()) return value.dump();
  std::string out = "{";
  bool first = true;
  for (const auto& [key, item] : value.items()) {
    out += (first ? "" : ", ") + Json(key).dump() + ": " + Line(item);
    first = false;
  }
  return out + "}";
}

class EventWriter {
 public:
  explicit EventWriter(const std::string& path) {
    if (path == "-") {
      out_ = &std::cout;
    } else if (!path.empty()) {
      file_.open(path, std::ios::binary);  // lines end in \n on every system
      out_ = &file_;
    }
  }
  bool Usable() const { return out_ == nullptr || out_->good(); }
  void Write(const Json& line) {
    if (out_ != nullptr) *out_ << Line(line) << '\n' << std::flush;
  }

 private:
  std::ofstream file_;
  std::ostream* out_ = nullptr;
};

}  // namespace

int RunSpeak(const SpeakOptions& options) {
  // The text to speak.
  long long speakFlags = 0;
  std::string error;
  std::unique_ptr<FragmentList> fragments;
  if (!options.fragmentsFile.empty()) {
    if (!options.text.empty() || !options.textFile.empty()) {
      return Usage("give the text either as TEXT, --text-file or --fragments, not several");
    }
    std::string json;
    if (!ReadFile(options.fragmentsFile, &json)) {
      return Usage("cannot read the fragments file " + options.fragmentsFile + ".");
    }
    FragmentsJson parsed = ParseFragmentsJson(json);
    if (parsed.fragments == nullptr) return Usage(options.fragmentsFile + ": " + parsed.error);
    fragments = std::move(parsed.fragments);
    speakFlags = parsed.speakFlags;
  } else {
    std::string text = options.text;
    if (!options.textFile.empty()) {
      if (!text.empty()) return Usage("give the text either as TEXT or --text-file, not both");
      if (!ReadFile(options.textFile, &text)) {
        return Usage("cannot read the text file " + options.textFile);
      }
    }
    fragments = std::make_unique<FragmentList>(Utf8ToUtf16(text));
    if (options.xml) {
      if (!ParseMarkup(fragments.get(), &error)) return Usage("the markup is broken: " + error);
    } else {
      AddPlainText(fragments.get());
    }
  }
  if (options.speakFlags.has_value()) speakFlags = *options.speakFlags;

  SiteSettings settings;
  settings.rate = static_cast<LONG>(options.rate);
  if (options.volume < 0 || options.volume > 65535) return Usage("--volume takes 0 to 65535");
  settings.volume = static_cast<WORD>(options.volume);
  if (options.maxWrite.has_value()) {
    if (*options.maxWrite < 0) return Usage("--max-write takes a number of bytes");
    settings.maxWrite = static_cast<ULONG>(*options.maxWrite);
  }
  for (const std::string& spec : options.actions) {
    ScheduledAction action;
    if (!ParseAction(spec, &action)) {
      return Usage(
          "--action takes BYTES:abort, BYTES:skip=N, BYTES:rate=R or BYTES:volume=V, not " + spec);
    }
    settings.actions.push_back(action);
  }

  EventWriter events(options.events);
  if (!events.Usable()) return Usage("cannot write the events file " + options.events);
  std::ofstream raw;
  if (!options.raw.empty()) {
    raw.open(options.raw, std::ios::binary);
    if (!raw) return Usage("cannot write the raw audio file " + options.raw);
  }

  // The voice: an ad-hoc token with exactly the values given, or the default one.
  SpeakRequest request;
  request.fragments = fragments.get();
  if (options.voiceData || options.grammarData || options.userDictData) {
    request.adHoc.emplace();
    (*request.adHoc)[kClassIdValue] = kEngineClassId;
    if (options.voiceData) (*request.adHoc)[kVoiceDataValue] = *options.voiceData;
    if (options.grammarData) (*request.adHoc)[kGrammarDataValue] = *options.grammarData;
    if (options.userDictData) (*request.adHoc)[kUserDictDataValue] = *options.userDictData;
  }
  request.site = settings;
  request.speakFlags = static_cast<DWORD>(speakFlags);
  request.speakWithoutFormat = true;
  request.onOpened = [&events](const WAVEFORMATEX& f, HRESULT formatResult) {
    if (SUCCEEDED(formatResult)) {
      events.Write({{"format",
                     {{"tag", f.wFormatTag},
                      {"channels", f.nChannels},
                      {"rate", f.nSamplesPerSec},
                      {"avg", f.nAvgBytesPerSec},
                      {"align", f.nBlockAlign},
                      {"bits", f.wBitsPerSample},
                      {"cb", f.cbSize}}},
                    {"format_id", "waveformatex"},
                    {"result", HresultText(formatResult)}});
    } else {
      events.Write({{"result", HresultText(formatResult)}});
    }
  };
  std::unique_ptr<AudioOutput> output =
      options.wav.empty() ? MakeNullOutput() : MakeWavFileOutput(options.wav);
  request.output = output.get();
  request.observer.onEvent = [&events](const SiteEvent& e) {
    Json line = {{"event", static_cast<int>(e.event.eEventId)},
                 {"stream", e.event.ulStreamNum},
                 {"offset", e.event.ullAudioStreamOffset},
                 {"wparam", static_cast<uint64_t>(e.event.wParam)}};
    if (e.event.elParamType == SPET_LPARAM_IS_STRING) {
      line["lparam"] = Utf16ToUtf8(e.text);
    } else {
      line["lparam"] = static_cast<uint64_t>(e.event.lParam);
    }
    events.Write(line);
  };
  request.observer.onWrite = [&](const void* data, ULONG offered, ULONG accepted) {
    events.Write({{"write", offered}});
    if (raw.is_open()) raw.write(static_cast<const char*>(data), accepted);
  };
  request.observer.onCompleteSkip = [&events](LONG skipped) {
    events.Write({{"complete_skip", skipped}});
  };

  const SpeakResult spoken = SpeakText(request);
  // Name each damaged data file; the event lines still show what the engine itself answered.
  VoiceToken* token = request.adHoc ? VoiceToken::Create("ad-hoc", *request.adHoc)
                                    : VoiceToken::FromRegistry(DefaultVoiceToken());
  if (token != nullptr) {
    for (const std::string& problem : DamagedDataFiles(
             *token, spoken.failure == SpeakFailure::kNone && SUCCEEDED(spoken.result)))
      std::fprintf(stderr, "brelvox speak: %s\n", problem.c_str());
    token->Release();
  }
  switch (spoken.failure) {
    case SpeakFailure::kVoice:
      if (spoken.result == SPERR_NOT_FOUND && !request.adHoc) {
        std::fprintf(stderr,
                     "brelvox speak: no voice is installed; install one with brelvox "
                     "install-voice or give --voice-data, --grammar-data and --userdict-data\n");
      } else {
        std::fprintf(stderr, "brelvox speak: %s\n", spoken.error.c_str());
      }
      return 1;
    case SpeakFailure::kOutput:
      return Usage(spoken.error);
    default:
      break;
  }
  events.Write({{"result", HresultText(spoken.result)}});
  if (!spoken.finished) std::fprintf(stderr, "brelvox speak: %s\n", spoken.finishError.c_str());
  if (FAILED(spoken.result)) {
    std::fprintf(stderr, "brelvox speak: the engine failed (%s)\n",
                 HresultText(spoken.result).c_str());
    return 1;
  }
  return spoken.finished ? 0 : 1;
}

}  // namespace brelvox::command
