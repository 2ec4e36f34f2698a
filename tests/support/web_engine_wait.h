// Waiting on a QtWebEngine page in tests: run the event loop until a condition holds, and run a
// script in the page for its value. Header-only; the test links Qt's WebEngine itself.
#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <functional>
#include <memory>
#include <optional>

namespace brelvox::test {

// Runs the event loop until `cond` holds or `seconds` have passed; whether it holds.
inline bool WaitFor(const std::function<bool()>& cond, int seconds) {
  QElapsedTimer clock;
  clock.start();
  while (!cond()) {
    if (clock.elapsed() > seconds * 1000) return false;
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

// The value of `script` run in the page; an invalid value when it gives none within 20 s.
inline QVariant RunJs(QWebEnginePage* page, const QString& script) {
  auto answer = std::make_shared<std::optional<QVariant>>();
  page->runJavaScript(script, [answer](const QVariant& v) { *answer = v; });
  WaitFor([&] { return answer->has_value(); }, 20);
  return answer->value_or(QVariant());
}

}  // namespace brelvox::test
