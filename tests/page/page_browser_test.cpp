// The translation page in a real browser engine (QtWebEngine, under Xvfb): the page renders the
// fragment's translation in the markup the translator reads, renders again on a fragment-only
// navigation and on a reload, and its listen element takes a click at the translator's fixed point.
#include <httplib.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "page/page_service.h"
#include "tests/support/web_engine_wait.h"

using namespace brelvox::test;

namespace {

using Json = nlohmann::json;

int passed = 0;
int failed = 0;

void Check(bool ok, const std::string& what, const std::string& detail = {}) {
  std::printf("%s: %s%s%s\n", ok ? "PASS" : "FAIL", what.c_str(), detail.empty() ? "" : " -- ",
              detail.c_str());
  std::fflush(stdout);
  (ok ? passed : failed)++;
}

using brelvox::test::RunJs;
using brelvox::test::WaitFor;

// The translator's reading of the markup: the text between the last ">" before the second
// occurrence of the marker and that occurrence; empty when there is no second marker.
std::string Extract(const std::string& html) {
  const std::string marker = "</SPAN></SPAN></DIV>";
  const auto p1 = html.find(marker);
  if (p1 == std::string::npos) return {};
  const auto p2 = html.find(marker, p1 + 1);
  if (p2 == std::string::npos) return {};
  const std::string a = html.substr(0, p2);
  const auto q = a.rfind('>');
  if (q == std::string::npos) return {};
  return a.substr(q + 1);
}

std::string Html(QWebEnginePage* page) {
  return RunJs(page, "document.documentElement.innerHTML").toString().toStdString();
}

// Waits until the page shows a result (the markers are there) and returns it.
std::string WaitForResult(QWebEnginePage* page, const std::string& starts_with) {
  std::string result;
  WaitFor(
      [&] {
        result = Extract(Html(page));
        return result.rfind(starts_with, 0) == 0;
      },
      20);
  return result;
}

Json Stats(std::uint16_t port) {
  httplib::Client client("127.0.0.1", port);
  client.set_read_timeout(10);
  auto res = client.Get("/api/stats");
  return res && res->status == 200 ? Json::parse(res->body) : Json{};
}

bool WaitForClicks(std::uint16_t port, long long clicks) {
  return WaitFor([&] { return Stats(port).value("listen_clicks", -1LL) >= clicks; }, 20);
}

// What the translator does before its click: scroll the last div with id tts_button into view.
const char* kScrollListenIntoView =
    "(function () { var d = document.getElementsByTagName('div'); var n = 0;"
    "  for (var i = 0; i < d.length; i++) { if (d.item(i).id == 'tts_button') { "
    "d.item(i).scrollIntoView(); n++; } }"
    "  return n; })()";

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTimer::singleShot(240 * 1000, [] {
    std::printf("FAIL: the browser test did not finish in 240 s\n");
    std::exit(1);
  });

  brelvox::page::PageService service;
  std::string error;
  if (!service.Start({}, &error)) {
    std::printf("FAIL: the page service did not start: %s\n", error.c_str());
    return 1;
  }
  const QString base = QString::fromStdString(service.BaseAddress());
  const std::uint16_t port = service.Port();

  // The translator's browser: a 49 x 41 pixel view without scroll bars.
  QWebEngineView view;
  view.settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
  view.resize(49, 41);
  view.show();
  QWebEnginePage* page = view.page();
  int loads = 0;
  QObject::connect(page, &QWebEnginePage::loadFinished, [&](bool ok) { loads += ok ? 1 : 0; });

  view.setUrl(QUrl(base + "/?hl=bg&tab=wT#bg|en|котка"));
  Check(WaitFor([&] { return loads >= 1; }, 60), "the translation page loads");
  const std::string cat = WaitForResult(page, "cat");
  Check(cat.rfind("cat", 0) == 0, "bg|en|котка reads as a result starting with cat", cat);
  const std::string html = Html(page);
  Check(html.find("<DIV") != std::string::npos && html.find("<SPAN><SPAN>") != std::string::npos,
        "the result boxes serialize with upper-case tag names");

  // A fragment-only navigation re-renders without reloading the page.
  RunJs(page, "window.stayedLoaded = 42");
  view.setUrl(QUrl(base + "/?hl=bg&tab=wT#bg|en|куче"));
  const std::string dog = WaitForResult(page, "dog");
  Check(dog.rfind("dog", 0) == 0, "a fragment-only navigation to куче re-renders as dog", dog);
  Check(RunJs(page, "window.stayedLoaded").toInt() == 42 && loads == 1,
        "the fragment change did not reload");

  // A reload renders the same fragment again.
  view.reload();
  Check(WaitFor([&] { return loads >= 2; }, 60), "the page reloads");
  const std::string again = WaitForResult(page, "dog");
  Check(again.rfind("dog", 0) == 0, "after a reload the result is there again", again);

  // The listen element: scrolled into view, it lies under the point 7 pixels right of and 13 below
  // the viewport's top-left corner, and a click there is counted.
  Check(RunJs(page, kScrollListenIntoView).toInt() == 1, "one div has the id tts_button");
  WaitFor([] { return false; }, 1);  // let the scroll reach the screen
  Check(RunJs(page, "document.elementFromPoint(7, 13) && document.elementFromPoint(7, 13).id")
                .toString() == "tts_button",
        "tts_button is at (7, 13) of the 49 x 41 viewport after scrollIntoView");
  const long long before = Stats(port).value("listen_clicks", -1LL);
  QWidget* target = view.focusProxy() ? view.focusProxy() : &view;
  QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(7, 13));
  Check(WaitForClicks(port, before + 1), "a click at (7, 13) is counted by /api/stats");
  const std::string spoken = Stats(port).value("last_listen_text", std::string());
  Check(spoken.rfind("dog", 0) == 0, "the click speaks the English translation", spoken);

  // The pronunciation page speaks the English source.
  view.setUrl(QUrl(base + "/?hl=bg&tab=wT#en|en|hello world"));
  const std::string hello = WaitForResult(page, "hello world");
  Check(hello == "hello world", "en|en| shows the source text", hello);
  RunJs(page, kScrollListenIntoView);
  WaitFor([] { return false; }, 1);
  QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(7, 13));
  Check(WaitForClicks(port, before + 2), "a click on the en|en| page is counted");
  Check(Stats(port).value("last_listen_text", std::string()) == "hello world",
        "the en|en| click speaks the source text");

  // Markup in the text stays text.
  view.setUrl(QUrl(base + "/?hl=bg&tab=wT#en|bg|<b>cat</b>"));
  const std::string injected = WaitForResult(page, "&lt;");
  Check(RunJs(page, "document.getElementsByTagName('b').length").toInt() == 0,
        "markup in the fragment is not turned into elements", injected);

  std::printf("%d passed, %d failed\n", passed, failed);
  service.Stop();
  return failed == 0 ? 0 : 1;
}
