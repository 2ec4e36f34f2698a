// The translator's reading of the translation page's real markup: the page's own documents and
// script, served here with a dictionary answer of the test's choosing, rendered by QtWebEngine
// (under the Xvfb display the test command starts), read through the root element's innerHTML as
// the translator reads it, then cut out and cleaned by the translator's own functions.
#include <gtest/gtest.h>
#include <httplib.h>

#include <QApplication>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "page/page_assets.h"
#include "tests/support/web_engine_wait.h"
#include "translator/pronunciation.h"
#include "translator/result_extraction.h"

using namespace brelvox::test;

namespace {

// The page's documents, and /api/translate answering from `answers` (keyed by the text).
class PageFixtureServer {
 public:
  explicit PageFixtureServer(std::map<std::string, std::vector<std::string>> answers)
      : answers_(std::move(answers)) {
    using brelvox::page::kPageScript;
    using brelvox::page::kPageStyle;
    using brelvox::page::kTranslationPage;
    server_.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(kTranslationPage), "text/html; charset=utf-8");
    });
    server_.Get("/static/page.js", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(kPageScript), "text/javascript; charset=utf-8");
    });
    server_.Get("/static/page.css", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(kPageStyle), "text/css; charset=utf-8");
    });
    server_.Get("/api/translate", [this](const httplib::Request& req, httplib::Response& res) {
      const std::string q = req.get_param_value("q");
      nlohmann::json translations = nlohmann::json::array();
      if (auto it = answers_.find(q); it != answers_.end()) {
        for (const std::string& t : it->second)
          translations.push_back({{"text", t}, {"method", "exact"}});
      }
      const nlohmann::json body{{"source", q}, {"translations", translations}};
      res.set_content(body.dump(), "application/json");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~PageFixtureServer() {
    server_.stop();
    thread_.join();
  }
  int port() const { return port_; }

 private:
  std::map<std::string, std::vector<std::string>> answers_;
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
};

using brelvox::test::RunJs;
using brelvox::test::WaitFor;

class PageMarkupTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new PageFixtureServer({
        {"cat", {"ко́тка"}},
        {"kitten", {"ко́тка", "ко́те"}},
        {"puss", {"ко́тка", "ко́те", "котара́к"}},
        {"rock & roll", {"Скала́ & ролка"}},
        {"quotes", {"\"да\" или 'не'"}},
    });
    view_ = new QWebEngineView;
    view_->resize(400, 300);
    view_->show();
  }
  static void TearDownTestSuite() {
    delete view_;
    delete server_;
  }

  // Loads the page for `fragment` and waits until its script has put the result boxes in (or the
  // time is up); the root element's markup then.
  std::string Render(const std::string& fragment) {
    const QString base = QString("http://127.0.0.1:%1").arg(server_->port());
    // The boxes of the previous fragment go first, so that only the new ones are waited for.
    RunJs(view_->page(),
          "(function () { var a = document.getElementById('result_area');"
          " if (a) a.replaceChildren(); })()");
    view_->setUrl(QUrl(base + "/?hl=bg&tab=wT#" + QString::fromStdString(fragment)));
    std::string html;
    WaitFor(
        [&] {
          html =
              RunJs(view_->page(), "document.documentElement.innerHTML").toString().toStdString();
          return html.find(std::string(brelvox::translator::kResultMarker)) != std::string::npos &&
                 html.find("result_area") != std::string::npos;
        },
        30);
    return html;
  }

  // What the translator shows for the page of `fragment`.
  std::optional<std::string> Shown(const std::string& fragment) {
    const std::optional<std::string> raw = brelvox::translator::FindResult(Render(fragment));
    if (!raw) return std::nullopt;
    return brelvox::translator::CleanResult(*raw);
  }

  static PageFixtureServer* server_;
  static QWebEngineView* view_;
};

PageFixtureServer* PageMarkupTest::server_ = nullptr;
QWebEngineView* PageMarkupTest::view_ = nullptr;

TEST_F(PageMarkupTest, EachTranslationStandsOnItsOwnLineAndIsSpokenWithAPause) {
  struct Case {
    const char* fragment;
    const char* shown;
    const char* spoken;
  };
  const Case cases[] = {
      {"en|bg|cat", "ко́тка", "ко́тка"},
      {"en|bg|kitten", "ко́тка\r\nко́те", "ко́тка, ко́те"},
      {"en|bg|puss", "ко́тка\r\nко́те\r\nкотара́к", "ко́тка, ко́те, котара́к"},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> shown = Shown(c.fragment);
    ASSERT_TRUE(shown.has_value()) << c.fragment;
    EXPECT_EQ(*shown, c.shown) << c.fragment;
    EXPECT_EQ(brelvox::translator::SpokenText(*shown), c.spoken) << c.fragment;
  }
}

TEST_F(PageMarkupTest, CharacterReferencesOfTheSerialisedTextAreDecoded) {
  EXPECT_EQ(Shown("en|bg|rock & roll"), "Скала́ & ролка");
  EXPECT_EQ(Shown("en|bg|quotes"), "\"да\" или 'не'");
}

TEST_F(PageMarkupTest, WithoutATranslationThePageSaysSoAndEchoesNothing) {
  // The result box is empty, which the translator shows as its "no translation" note, and the
  // page itself says in words that it has none.
  EXPECT_EQ(Shown("en|bg|xyzzy"), "");
  const QString note = RunJs(view_->page(),
                             "(function () { var n = document.querySelector('#result_area .none');"
                             " return n ? n.textContent : ''; })()")
                           .toString();
  EXPECT_TRUE(note.contains("Няма превод")) << note.toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
