#include "translator/qt/web_browser.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWidget>

namespace brelvox::translator::qt {
namespace {

// Tag names go into the scripts as they are, so only plain names are taken.
bool PlainTagName(std::string_view tag) {
  if (tag.empty() || tag.size() > 32) return false;
  for (char c : tag) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!letter) return false;
  }
  return true;
}

bool Within(const QWidget* outer, const QWidget* widget) {
  return outer && widget && (widget == outer || outer->isAncestorOf(widget));
}

}  // namespace

bool SameDocument(const QUrl& from, const QUrl& to) {
  return from.isValid() && to.hasFragment() &&
         from.adjusted(QUrl::RemoveFragment) == to.adjusted(QUrl::RemoveFragment) &&
         from.fragment(QUrl::FullyDecoded) != to.fragment(QUrl::FullyDecoded);
}

WebBrowser::WebBrowser(QWidget* place, BrowserEvents& events, FormsBinding& binding)
    : events_(events), binding_(binding), alive_(std::make_shared<bool>(true)) {
  view_ = new QWebEngineView(place);
  view_->setObjectName("WebBrowser1View");
  view_->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
  view_->setContextMenuPolicy(Qt::NoContextMenu);
  auto* layout = new QVBoxLayout(place);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(view_);
  view_->show();

  connect(view_, &QWebEngineView::loadFinished, this, [this](bool) { LoadFinished(); });
  connect(view_, &QWebEngineView::urlChanged, this, [this](const QUrl& url) { UrlChanged(url); });
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    if (!view_ || !Within(view_, now) || Within(view_, old)) return;
    TraceLine(binding_.trace(), "browser-focus");
    std::shared_ptr<bool> alive = alive_;
    binding_.Post([this, alive] {
      if (*alive) events_.BrowserGotFocus();
    });
  });
}

WebBrowser::~WebBrowser() {
  *alive_ = false;
  if (view_) {
    // The page goes with the window; nothing of it may reach the window any more.
    view_->disconnect(this);
    view_->stop();
    view_->hide();
    view_->deleteLater();
  }
}

void WebBrowser::Navigate(const std::string& address) {
  TraceLine(binding_.trace(), "navigate", address);
  if (!view_) return;
  const QUrl url(QString::fromStdString(address));
  fragment_only_ = SameDocument(view_->url(), url);
  pending_ = url;
  busy_ = true;
  view_->setUrl(url);
}

bool WebBrowser::Busy() {
  return busy_;
}

void WebBrowser::LoadFinished() {
  busy_ = false;
  TraceLine(binding_.trace(), "document-complete",
            view_ ? view_->url().toString().toStdString() : "");
  std::shared_ptr<bool> alive = alive_;
  binding_.Post([this, alive] {
    if (*alive) events_.DocumentComplete();
  });
}

void WebBrowser::UrlChanged(const QUrl& url) {
  if (!busy_ || !fragment_only_) return;
  if (url.adjusted(QUrl::RemoveFragment) == pending_.adjusted(QUrl::RemoveFragment) &&
      url.fragment(QUrl::FullyDecoded) == pending_.fragment(QUrl::FullyDecoded)) {
    busy_ = false;
    TraceLine(binding_.trace(), "address-taken", url.toString().toStdString());
  }
}

std::optional<QVariant> WebBrowser::Evaluate(const QString& script) {
  if (!view_) return std::nullopt;
  struct Answer {
    bool done = false;
    QVariant value;
  };
  auto answer = std::make_shared<Answer>();
  QEventLoop loop;
  QPointer<QEventLoop> waiting(&loop);
  view_->page()->runJavaScript(script, [answer, waiting](const QVariant& value) {
    answer->done = true;
    answer->value = value;
    if (waiting) waiting->quit();
  });
  if (!answer->done) {
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(kScriptWaitMs);
    std::shared_ptr<bool> alive = alive_;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!*alive) return std::nullopt;
  }
  if (!answer->done) return std::nullopt;
  return answer->value;
}

std::optional<std::string> WebBrowser::RootMarkup() {
  const std::optional<QVariant> markup = Evaluate(
      "(function () { var root = document.documentElement; return root ? root.innerHTML : null; "
      "})()");
  if (!markup || markup->typeId() != QMetaType::QString) return std::nullopt;
  return markup->toString().toStdString();
}

std::optional<std::vector<std::string>> WebBrowser::ElementIds(std::string_view tag) {
  if (!PlainTagName(tag)) return std::nullopt;
  const std::optional<QVariant> ids = Evaluate(
      QString("(function () { return Array.prototype.map.call(document.getElementsByTagName('%1'), "
              "function (e) { return e.id || ''; }); })()")
          .arg(QString::fromUtf8(tag.data(), static_cast<qsizetype>(tag.size()))));
  if (!ids || !ids->canConvert<QVariantList>()) return std::nullopt;
  std::vector<std::string> out;
  for (const QVariant& id : ids->toList())
    out.push_back(id.toString().toStdString());
  return out;
}

bool WebBrowser::ScrollIntoView(std::string_view tag, int index) {
  if (!PlainTagName(tag) || index < 0) return false;
  const std::optional<QVariant> scrolled = Evaluate(
      QString("(function () { var e = document.getElementsByTagName('%1')[%2]; if (!e) return "
              "false; e.scrollIntoView(); return true; })()")
          .arg(QString::fromUtf8(tag.data(), static_cast<qsizetype>(tag.size())))
          .arg(index));
  TraceLine(binding_.trace(), "scroll-into-view", std::to_string(index));
  return scrolled && scrolled->toBool();
}

std::unique_ptr<Browser> WebBrowserFactory::Create(forms::Window& form1, BrowserEvents& events) {
  QWidget* place = binding_.ControlWidget(form1, "WebBrowser1");
  if (!place) return nullptr;
  return std::make_unique<WebBrowser>(place, events, binding_);
}

}  // namespace brelvox::translator::qt
