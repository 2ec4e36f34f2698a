// The notification-area icon on the desktop's system tray (QSystemTrayIcon, through a tray host
// such as the panel's notification area).
//
// The icon's button presses travel as the platform's notifications did: a press of the left or
// the right button on the icon posts a TrayNotification event (the callback message, with the
// icon's id and the mouse message) to the window the icon belongs to. An event filter installed on
// that window by the first AddIcon, in the place of the subclassed window procedure, hands each
// such event to the tray module's window procedure and lets it pass on.
#pragma once

#include <QEvent>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <vector>

#include "translator/desktop/tray.h"
#include "translator/qt/forms_binding.h"

namespace brelvox::translator::qt {

// The callback message as a Qt event: the icon's id (wParam) and the mouse message (lParam).
class TrayNotification final : public QEvent {
 public:
  static QEvent::Type EventType();
  TrayNotification(std::uint32_t w, std::uint32_t l) : QEvent(EventType()), wparam(w), lparam(l) {}
  const std::uint32_t wparam;
  const std::uint32_t lparam;
};

class TrayIconHost final : public QObject, public desktop::TrayHost {
 public:
  TrayIconHost(FormsBinding& binding, QIcon icon);
  ~TrayIconHost() override;

  // The window procedure the filter calls (the tray module's TrayWndProc).
  void SetWindowProcedure(std::function<void(std::uint32_t, std::uint32_t)> procedure) {
    procedure_ = std::move(procedure);
  }

  void AddIcon(const desktop::TrayData& icon) override;
  void DeleteIcon(const desktop::TrayData& icon) override;
  // The desktop draws no window animation into its tray; nothing happens.
  void AnimateToTray(forms::WindowHandle window) override;
  bool Available() override;

  // Whether the desktop has a tray host now (replaceable where there is no real one).
  std::function<bool()> tray_available = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };

  // The icons present now (for the tests and the trace).
  std::vector<QSystemTrayIcon*> icons() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Entry {
    desktop::TrayData data;
    QSystemTrayIcon* icon = nullptr;
  };
  FormsBinding& binding_;
  QIcon image_;
  std::vector<Entry> entries_;
  QSet<QObject*> filtered_;
  std::function<void(std::uint32_t, std::uint32_t)> procedure_;
};

}  // namespace brelvox::translator::qt
