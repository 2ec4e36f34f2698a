// The page service against the dictionary built from the Debian packages, over real loopback HTTP.
#include "page/page_service.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <random>
#include <thread>

namespace brelvox::page {
namespace {

using Json = nlohmann::json;

std::string Encode(std::string_view s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out.push_back(static_cast<char>(c));
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

class PageServiceTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    service_ = new PageService;
    std::string error;
    ASSERT_TRUE(service_->Start({}, &error)) << error;
  }
  static void TearDownTestSuite() {
    delete service_;
    service_ = nullptr;
  }
  static httplib::Client Client() {
    httplib::Client c("127.0.0.1", service_->Port());
    c.set_connection_timeout(10);
    c.set_read_timeout(30);
    return c;
  }
  static Json Translate(const std::string& sl, const std::string& tl, const std::string& q) {
    auto res = Client().Get("/api/translate?sl=" + sl + "&tl=" + tl + "&q=" + Encode(q));
    EXPECT_TRUE(res);
    if (!res) return {};
    EXPECT_EQ(res->status, 200) << res->body;
    return Json::parse(res->body);
  }
  static PageService* service_;
};

PageService* PageServiceTest::service_ = nullptr;

TEST_F(PageServiceTest, ListensOnLoopbackAtTheReportedAddress) {
  EXPECT_EQ(service_->BaseAddress(), "http://127.0.0.1:" + std::to_string(service_->Port()));
  EXPECT_NE(service_->Port(), 0);
}

TEST_F(PageServiceTest, TranslatesWordsFormsAndPhrasesBothWays) {
  const struct {
    const char* sl;
    const char* tl;
    const char* q;
    const char* first;
    const char* method;
  } cases[] = {
      {"bg", "en", "котка", "cat", "exact"},
      {"bg", "en", "КО́ТКА", "cat", "exact"},  // case and stress mark do not matter
      {"bg", "en", "Котка", "Cat", "exact"},  // a capitalised word gives a capitalised answer
      {"bg", "en", "котката", "cat", "base form"},
      {"bg", "en", "котки", "cat", "base form"},
      {"bg", "en", "времето", "time", "base form"},  // an article form hunspell lists as a word
      {"en", "bg", "cat", "ко́тка", "exact"},         // stress marks stay in the result
      {"en", "bg", "cats", "ко́тка", "base form"},
      {"en", "bg", "went", "отивам", "base form"},
      {"en", "bg", "women", "жена́", "base form"},  // a form hunspell lists as a word
      {"en", "bg", "go away", "отивам", "phrase"},
      {"en", "bg", "went away", "отивам", "phrase"},  // a phrase through its words' base forms
      {"bg", "en", "котка и куче", "cat and dog", "word by word"},
      {"bg", "en", "Котката и кучето!", "Cat and dog!", "word by word"},
      {"en", "bg", "the cat", "ко́тка", "word by word"},        // Bulgarian has no word for "the"
      {"en", "bg", "zzqx cat", "zzqx ко́тка", "word by word"},  // a word not found stays as it is
  };
  for (const auto& c : cases) {
    const Json j = Translate(c.sl, c.tl, c.q);
    ASSERT_FALSE(j["translations"].empty()) << c.q;
    EXPECT_EQ(j["translations"][0]["text"], c.first) << c.q;
    EXPECT_EQ(j["translations"][0]["method"], c.method) << c.q;
    EXPECT_EQ(j["method"], c.method) << c.q;
    EXPECT_EQ(j["source"], c.q);
    EXPECT_LE(j["translations"].size(), 3u);
  }
  const Json multi = Translate("en", "bg", "house");
  ASSERT_GE(multi["translations"].size(), 2u);
  EXPECT_EQ(multi["result"], multi["translations"][0]["text"].get<std::string>() + " <> " +
                                 multi["translations"][1]["text"].get<std::string>() +
                                 (multi["translations"].size() > 2
                                      ? " <> " + multi["translations"][2]["text"].get<std::string>()
                                      : std::string()));
  const Json words = Translate("bg", "en", "котка и куче");
  ASSERT_EQ(words["words"].size(), 3u);
  EXPECT_EQ(words["words"][1]["source"], "и");
}

TEST_F(PageServiceTest, UnknownTextAndEmptyTextFindNothing) {
  for (const char* q : {"ъъъзщфкщ", "!!! 123", ""}) {
    const Json j = Translate("bg", "en", q);
    EXPECT_EQ(j["method"], "not found") << q;
    EXPECT_TRUE(j["translations"].empty()) << q;
    EXPECT_EQ(j["result"], q);
  }
}

TEST_F(PageServiceTest, CutsRequestsAt99Characters) {
  std::string q;
  for (int i = 0; i < 24; ++i)
    q += "куче ";  // 120 characters
  const Json j = Translate("bg", "en", q);
  EXPECT_TRUE(j["cut"].get<bool>());
  const std::string source = j["source"];
  EXPECT_EQ(source, q.substr(0, 99 * 2 - 19));  // 80 Cyrillic letters (2 bytes) and 19 spaces
  const Json short_one = Translate("bg", "en", "куче");
  EXPECT_FALSE(short_one["cut"].get<bool>());
}

TEST_F(PageServiceTest, BadRequestsGetA400WithAJsonError) {
  auto client = Client();
  for (const char* path : {"/api/translate?sl=bg&tl=en", "/api/translate?sl=fr&tl=en&q=x",
                           "/api/translate?sl=bg&tl=bg&q=x", "/api/translate?q=x",
                           "/api/translate?sl=bg&tl=en&q=%FF%FE", "/api/speak?lang=bg&text=x",
                           "/api/speak?lang=en", "/api/speak?lang=en&text=%C0%AF"}) {
    auto res = client.Get(path);
    ASSERT_TRUE(res) << path;
    EXPECT_EQ(res->status, 400) << path;
    EXPECT_FALSE(Json::parse(res->body)["error"].get<std::string>().empty()) << path;
  }
  auto missing = client.Get("/no/such/page");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 404);
  EXPECT_NE(Json::parse(missing->body)["error"].get<std::string>().find("/?hl=bg&tab=wT"),
            std::string::npos);
  auto long_text = client.Get("/api/speak?lang=en&text=" + std::string(2001, 'a'));
  ASSERT_TRUE(long_text);
  EXPECT_EQ(long_text->status, 400);
}

TEST_F(PageServiceTest, ServesTheHomeAndTranslationPages) {
  auto client = Client();
  auto home = client.Get("/");
  ASSERT_TRUE(home);
  EXPECT_EQ(home->status, 200);
  EXPECT_LT(home->body.size(), 4096u);
  EXPECT_EQ(home->body.find("tts_button"), std::string::npos);
  auto page = client.Get("/?hl=bg&tab=wT");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->body.find("id=\"tts_button\""), std::string::npos);
  auto script = client.Get("/static/page.js");
  ASSERT_TRUE(script);
  EXPECT_EQ(script->get_header_value("Content-Type"), "text/javascript; charset=utf-8");
  // The page's own text must never contain the result marker, or the reader would cut it instead.
  for (const auto* body : {&page->body, &script->body}) {
    EXPECT_EQ(body->find("</SPAN></SPAN></DIV>"), std::string::npos);
  }
}

TEST_F(PageServiceTest, SpeaksEnglishAsWavAndCountsListenClicks) {
  auto client = Client();
  auto wav = client.Get("/api/speak?lang=en&text=hello%20world");
  ASSERT_TRUE(wav);
  ASSERT_EQ(wav->status, 200) << wav->body;
  EXPECT_EQ(wav->get_header_value("Content-Type"), "audio/wav");
  ASSERT_GT(wav->body.size(), 44u + 8000u);  // well over a quarter second of audio
  EXPECT_EQ(wav->body.substr(0, 4), "RIFF");
  EXPECT_EQ(wav->body.substr(8, 8), "WAVEfmt ");
  // The markup in the text is read as text, not obeyed.
  auto markup = client.Get("/api/speak?lang=en&text=" + Encode("<speak>hi</speak>"));
  ASSERT_TRUE(markup);
  EXPECT_EQ(markup->status, 200);

  const long long before = Json::parse(client.Get("/api/stats")->body)["listen_clicks"];
  auto click = client.Post("/api/listen?lang=en&text=cat", "", "text/plain");
  ASSERT_TRUE(click);
  EXPECT_EQ(click->status, 200);
  const Json stats = Json::parse(client.Get("/api/stats")->body);
  EXPECT_EQ(stats["listen_clicks"], before + 1);
  EXPECT_EQ(stats["last_listen_text"], "cat");
}

TEST_F(PageServiceTest, ConcurrentClientsAllGetTheirOwnAnswers) {
  const std::vector<std::pair<std::string, std::string>> work = {
      {"sl=bg&tl=en&q=" + Encode("котка"), "cat"},
      {"sl=en&tl=bg&q=cats", "ко́тка"},
      {"sl=bg&tl=en&q=" + Encode("куче"), "dog"},
      {"sl=en&tl=bg&q=dog", ""},
  };
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      auto client = Client();
      for (int i = 0; i < 40; ++i) {
        const auto& [query, first] = work[static_cast<std::size_t>(t + i) % work.size()];
        auto res = client.Get("/api/translate?" + query);
        if (!res || res->status != 200) {
          ++failures;
          continue;
        }
        const Json j = Json::parse(res->body);
        if (!first.empty() && j["translations"][0]["text"] != first) ++failures;
      }
    });
  }
  for (auto& th : threads)
    th.join();
  EXPECT_EQ(failures.load(), 0);
}

TEST_F(PageServiceTest, HostileInputNeverCrashesOrHangs) {
  std::mt19937 random(20240601);
  auto client = Client();
  for (int i = 0; i < 300; ++i) {
    std::string bytes(static_cast<std::size_t>(random() % 300), '\0');
    for (auto& b : bytes)
      b = static_cast<char>(random() % 256);
    const bool to_english = i % 2 == 0;
    auto res = client.Get(std::string("/api/translate?sl=") +
                          (to_english ? "bg&tl=en" : "en&tl=bg") + "&q=" + Encode(bytes));
    ASSERT_TRUE(res) << i;
    ASSERT_TRUE(res->status == 200 || res->status == 400) << res->status;
    EXPECT_TRUE(Json::accept(res->body)) << res->body;
  }
  // Long runs of letters and joined words, over the limit.
  auto res = client.Get("/api/translate?sl=en&tl=bg&q=" + std::string(3000, 'a') + "%20" +
                        std::string(3000, 'b'));
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  auto huge = client.Get("/api/translate?sl=en&tl=bg&q=" + std::string(20000, 'a'));
  ASSERT_TRUE(huge);  // over the address limit: refused, not fatal
  EXPECT_GE(huge->status, 400);
  EXPECT_EQ(Translate("bg", "en", "котка")["translations"][0]["text"], "cat");
}

TEST(PageServiceStart, ClearErrorsForATakenPortAndMissingData) {
  PageService first;
  std::string error;
  ASSERT_TRUE(first.Start({}, &error)) << error;
  EXPECT_FALSE(first.Start({}, &error));  // already running
  PageService second;
  EXPECT_FALSE(second.Start({.data_dir = "", .port = first.Port()}, &error));
  EXPECT_NE(error.find("port is taken"), std::string::npos) << error;
  EXPECT_EQ(second.BaseAddress(), "");
  EXPECT_FALSE(second.Start({.data_dir = "/nonexistent", .port = 0}, &error));
  EXPECT_NE(error.find("page-data"), std::string::npos) << error;
  const auto port = first.Port();
  first.Stop();
  first.Stop();
  EXPECT_FALSE(first.IsRunning());
  // The port is free again: start on it by number.
  PageService again;
  ASSERT_TRUE(again.Start({.data_dir = "", .port = port}, &error)) << error;
  EXPECT_EQ(again.Port(), port);
}

TEST(PageProgram, PrintsItsAddressServesAndStopsOnSigterm) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    execl(BRELVOX_TRANSLATION_PAGE, BRELVOX_TRANSLATION_PAGE, "--port", "0",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  FILE* f = fdopen(out[0], "r");
  char line[256] = {};
  ASSERT_NE(fgets(line, sizeof line, f), nullptr);
  std::string address(line);
  ASSERT_EQ(address.rfind("http://127.0.0.1:", 0), 0u) << address;
  address.pop_back();
  httplib::Client client(address);
  client.set_read_timeout(30);
  auto res = client.Get("/api/translate?sl=bg&tl=en&q=" + Encode("куче"));
  ASSERT_TRUE(res);
  EXPECT_EQ(Json::parse(res->body)["translations"][0]["text"], "dog");
  kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  fclose(f);

  for (const char* bad : {"abc", "70000", "-1"}) {
    const std::string command =
        std::string(BRELVOX_TRANSLATION_PAGE) + " --port " + bad + " 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 2) << bad;
  }
}

}  // namespace
}  // namespace brelvox::page
