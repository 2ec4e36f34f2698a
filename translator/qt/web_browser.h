// WebBrowser1 on QtWebEngine: a QWebEngineView without scroll bars filling the control's place.
//
// - Busy reads true from Navigate until the page has taken the new address: the load has
//   finished, or, for a navigation that changes only the fragment (which loads nothing), the view
//   reports the new address.
// - Every finished load of the main frame raises DocumentComplete, an error page's included.
// - The view taking the keyboard focus raises BrowserGotFocus.
// - The markup and the element operations run as JavaScript in the page; the main window needs
//   their answers at once, so each call waits for its answer, at most kScriptWaitMs, in a nested
//   event loop that takes no user input. Notifications arriving meanwhile wait for the handler.
#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QVariant>
#include <QWebEngineView>
#include <memory>
#include <optional>

#include "translator/browser.h"
#include "translator/qt/forms_binding.h"

class QWidget;

namespace brelvox::translator::qt {

inline constexpr int kScriptWaitMs = 3000;

class WebBrowser final : public QObject, public Browser {
 public:
  WebBrowser(QWidget* place, BrowserEvents& events, FormsBinding& binding);
  ~WebBrowser() override;

  void Navigate(const std::string& address) override;
  bool Busy() override;
  std::optional<std::string> RootMarkup() override;
  std::optional<std::vector<std::string>> ElementIds(std::string_view tag) override;
  bool ScrollIntoView(std::string_view tag, int index) override;

  QWebEngineView* view() const { return view_; }

 private:
  // Runs `script` in the page and waits for its value; nullopt when there is no page or no
  // answer in time.
  std::optional<QVariant> Evaluate(const QString& script);
  void LoadFinished();
  void UrlChanged(const QUrl& url);

  QPointer<QWebEngineView> view_;
  BrowserEvents& events_;
  FormsBinding& binding_;
  std::shared_ptr<bool> alive_;
  bool busy_ = false;
  bool fragment_only_ = false;
  QUrl pending_;
};

class WebBrowserFactory final : public BrowserFactory {
 public:
  explicit WebBrowserFactory(FormsBinding& binding) : binding_(binding) {}
  std::unique_ptr<Browser> Create(forms::Window& form1, BrowserEvents& events) override;

 private:
  FormsBinding& binding_;
};

// Two addresses that differ in their fragment only.
bool SameDocument(const QUrl& a, const QUrl& b);

}  // namespace brelvox::translator::qt
