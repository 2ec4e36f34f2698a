#include "page/page_service.h"

#include <httplib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <list>
#include <mutex>
#include <nlohmann/json.hpp>
#include <utility>

#include "page/dictionary_tables.h"
#include "page/english_speech.h"
#include "page/loopback_server.h"
#include "page/morphology.h"
#include "page/page_assets.h"
#include "page/phrase_translator.h"
#include "page/text.h"

#ifndef BRELVOX_PAGE_BUILD_DATA_DIR
#define BRELVOX_PAGE_BUILD_DATA_DIR ""
#endif

namespace brelvox::page {
namespace {

using Json = nlohmann::json;

constexpr std::size_t kSpeechCacheEntries = 16;

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ToJson(const Json& j) {
  return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void SendJson(httplib::Response& res, int status, const Json& body) {
  res.status = status;
  res.set_header("Cache-Control", "no-store");
  res.set_content(ToJson(body), "application/json; charset=utf-8");
}

void SendError(httplib::Response& res, int status, const std::string& message) {
  SendJson(res, status, Json{{"error", message}});
}

}  // namespace

std::string DefaultDataDir() {
  if (const char* env = std::getenv("BRELVOX_PAGE_DATA"); env && *env) return env;
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    std::string path(exe, static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    if (slash != std::string::npos) {
      const std::string beside = path.substr(0, slash) + "/../share/brelvox/page";
      if (IsDirectory(beside)) return beside;
    }
  }
  return BRELVOX_PAGE_BUILD_DATA_DIR;
}

struct PageService::State {
  DictionaryTables tables;
  std::unique_ptr<WordStemmer> bulgarian;
  std::unique_ptr<WordStemmer> english;
  std::unique_ptr<PhraseTranslator> translator;
  std::shared_ptr<EnglishSpeech> speech;
  std::string speech_error;

  LoopbackRouter server;
  std::unique_ptr<LoopbackServer> front;
  std::uint16_t port = 0;
  std::atomic<bool> running{false};

  std::atomic<long long> listen_clicks{0};
  std::atomic<long long> translate_requests{0};
  std::atomic<long long> speak_requests{0};
  std::mutex mutex;  // guards last_listen_text and speech_cache
  std::string last_listen_text;
  std::list<std::pair<std::string, std::string>> speech_cache;  // text -> WAV, newest first

  void Translate(const httplib::Request& req, httplib::Response& res);
  void Speak(const httplib::Request& req, httplib::Response& res);
  void Listen(const httplib::Request& req, httplib::Response& res);
  void Stats(httplib::Response& res);
  void Routes();
};

void PageService::State::Translate(const httplib::Request& req, httplib::Response& res) {
  ++translate_requests;
  const std::string sl = req.get_param_value("sl");
  const std::string tl = req.get_param_value("tl");
  Direction direction;
  if (sl == "bg" && tl == "en") {
    direction = Direction::kBulgarianToEnglish;
  } else if (sl == "en" && tl == "bg") {
    direction = Direction::kEnglishToBulgarian;
  } else {
    SendError(res, 400, "Unsupported languages: use sl=bg&tl=en or sl=en&tl=bg.");
    return;
  }
  if (!req.has_param("q")) {
    SendError(res, 400, "No text to translate: put it in the parameter q.");
    return;
  }
  const std::string q = req.get_param_value("q");
  if (!IsValidUtf8(q)) {
    SendError(res, 400, "The text is not valid UTF-8: send it percent-encoded as UTF-8.");
    return;
  }
  const TranslationResult r = translator->Translate(direction, q);
  Json translations = Json::array();
  for (const auto& t : r.translations) {
    Json item{{"text", t.text}, {"method", MethodName(t.method)}};
    if (!t.base.empty()) item["base"] = t.base;
    translations.push_back(std::move(item));
  }
  Json body{{"source", r.source},
            {"sl", sl},
            {"tl", tl},
            {"cut", r.cut},
            {"method", MethodName(r.method)},
            {"translations", translations},
            {"result", r.Shown()}};
  if (!r.words.empty()) {
    Json words = Json::array();
    for (const auto& w : r.words) {
      words.push_back({{"source", w.source}, {"text", w.text}, {"method", MethodName(w.method)}});
    }
    body["words"] = words;
  }
  SendJson(res, 200, body);
}

void PageService::State::Speak(const httplib::Request& req, httplib::Response& res) {
  ++speak_requests;
  if (req.get_param_value("lang") != "en") {
    SendError(res, 400, "Only English is spoken here: use lang=en.");
    return;
  }
  const std::string text = req.get_param_value("text");
  if (text.empty() || text.size() > kMaxSpokenBytes || !IsValidUtf8(text)) {
    SendError(res, 400,
              "The text to speak must be 1 to 2000 bytes of UTF-8 in the parameter text.");
    return;
  }
  if (!speech) {
    SendError(res, 503, speech_error);
    return;
  }
  std::string wav;
  {
    std::lock_guard lock(mutex);
    for (auto it = speech_cache.begin(); it != speech_cache.end(); ++it) {
      if (it->first == text) {
        wav = it->second;
        speech_cache.splice(speech_cache.begin(), speech_cache, it);
        break;
      }
    }
  }
  if (wav.empty()) {
    std::string error;
    if (!speech->Speak(text, &wav, &error)) {
      SendError(res, 500, error);
      return;
    }
    std::lock_guard lock(mutex);
    speech_cache.emplace_front(text, wav);
    if (speech_cache.size() > kSpeechCacheEntries) speech_cache.pop_back();
  }
  res.set_header("Cache-Control", "no-store");
  res.set_content(std::move(wav), "audio/wav");
}

void PageService::State::Listen(const httplib::Request& req, httplib::Response& res) {
  ++listen_clicks;
  std::string text = req.get_param_value("text");
  if (!IsValidUtf8(text)) text.clear();
  if (text.size() > kMaxSpokenBytes) text.resize(0);
  {
    std::lock_guard lock(mutex);
    last_listen_text = text;
  }
  SendJson(res, 200, Json{{"listen_clicks", listen_clicks.load()}});
}

void PageService::State::Stats(httplib::Response& res) {
  std::string last;
  {
    std::lock_guard lock(mutex);
    last = last_listen_text;
  }
  SendJson(res, 200,
           Json{{"listen_clicks", listen_clicks.load()},
                {"last_listen_text", last},
                {"translate_requests", translate_requests.load()},
                {"speak_requests", speak_requests.load()}});
}

void PageService::State::Routes() {
  server.Get("/", [](const httplib::Request& req, httplib::Response& res) {
    const bool translation = req.has_param("tab") || req.has_param("hl");
    res.set_header("Cache-Control", "no-store");
    res.set_content(std::string(translation ? kTranslationPage : kHomePage),
                    "text/html; charset=utf-8");
  });
  server.Get("/static/page.js", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string(kPageScript), "text/javascript; charset=utf-8");
  });
  server.Get("/static/page.css", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string(kPageStyle), "text/css; charset=utf-8");
  });
  server.Get("/favicon.ico",
             [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
  server.Get("/api/translate",
             [this](const httplib::Request& req, httplib::Response& res) { Translate(req, res); });
  server.Get("/api/speak",
             [this](const httplib::Request& req, httplib::Response& res) { Speak(req, res); });
  server.Post("/api/listen",
              [this](const httplib::Request& req, httplib::Response& res) { Listen(req, res); });
  server.Get("/api/stats", [this](const httplib::Request&, httplib::Response& res) { Stats(res); });
  server.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
    if (res.status == 404) {
      SendError(res, 404,
                "No such page: " + req.path + ". The translation page is /?hl=bg&tab=wT.");
    }
  });
  server.set_exception_handler(
      [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        SendError(res, 500, "The page service failed on this request; try again.");
      });
}

PageService::PageService() = default;
PageService::~PageService() {
  Stop();
}

bool PageService::Start(const PageServiceOptions& options, std::string* error) {
  if (IsRunning()) {
    *error = "The page service is already running at " + BaseAddress() + ".";
    return false;
  }
  Stop();
  auto state = std::make_unique<State>();
  const std::string dir = options.data_dir.empty() ? DefaultDataDir() : options.data_dir;
  if (!ReadDatabase(dir + "/dictionary.sqlite", &state->tables, error)) return false;
  state->bulgarian = WordStemmer::Load(dir + "/bg_BG.aff", dir + "/bg_BG.dic", error);
  if (!state->bulgarian) return false;
  state->english = WordStemmer::Load(dir + "/en_US.aff", dir + "/en_US.dic", error);
  if (!state->english) return false;
  state->translator = std::make_unique<PhraseTranslator>(state->tables, state->bulgarian.get(),
                                                         state->english.get());
  // Without speech the pages still translate; /api/speak then answers 503 with the reason.
  state->speech = EnglishSpeech::Create(&state->speech_error);

  state->server.set_payload_max_length(64 * 1024);
  state->Routes();
  // Slow and idle clients wait in the front, which hands the workers only whole requests.
  state->front = std::make_unique<LoopbackServer>(&state->server);
  if (!state->front->Start(options.port)) {
    *error =
        options.port == 0
            ? std::string(
                  "Cannot listen on 127.0.0.1: no free port; close some programs and try again.")
            : "Cannot listen on 127.0.0.1:" + std::to_string(options.port) +
                  ": the port is taken; choose another with --port, or 0 for a free one.";
    return false;
  }
  state->port = state->front->Port();
  state->running = true;
  state_ = std::move(state);
  return true;
}

std::string PageService::BaseAddress() const {
  return IsRunning() ? "http://127.0.0.1:" + std::to_string(state_->port) : std::string();
}

std::uint16_t PageService::Port() const {
  return IsRunning() ? state_->port : 0;
}

bool PageService::IsRunning() const {
  return state_ && state_->running;
}

void PageService::Stop() {
  if (!state_) return;
  state_->front->Stop();
  state_->running = false;
  state_.reset();
}

}  // namespace brelvox::page
