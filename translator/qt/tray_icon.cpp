#include "translator/qt/tray_icon.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>
#include <QWidget>

namespace brelvox::translator::qt {

QEvent::Type TrayNotification::EventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(
      QEvent::registerEventType(QEvent::User + static_cast<int>(desktop::kTrayCallbackMessage)));
  return type;
}

TrayIconHost::TrayIconHost(FormsBinding& binding, QIcon icon)
    : binding_(binding), image_(std::move(icon)) {}

TrayIconHost::~TrayIconHost() {
  for (Entry& entry : entries_)
    delete entry.icon;
}

void TrayIconHost::AddIcon(const desktop::TrayData& data) {
  auto* icon = new QSystemTrayIcon(image_, this);
  icon->setToolTip(QString::fromStdString(data.tip));
  const forms::WindowHandle window = data.window;
  const std::uint32_t id = data.id;
  connect(icon, &QSystemTrayIcon::activated, this,
          [this, window, id](QSystemTrayIcon::ActivationReason reason) {
            // A press of the left button raises Trigger, of the right one Context.
            std::uint32_t message = 0;
            if (reason == QSystemTrayIcon::Trigger) message = desktop::kTrayLeftButtonDown;
            if (reason == QSystemTrayIcon::Context) message = desktop::kTrayRightButtonDown;
            if (!message) return;
            TraceLine(binding_.trace(), "tray-press", std::to_string(message));
            if (QWidget* target = binding_.WindowWidget(window)) {
              QCoreApplication::postEvent(target, new TrayNotification(id, message));
            }
          });
  icon->show();
  entries_.push_back({data, icon});
  TraceLine(binding_.trace(), "tray-add", std::to_string(data.id) + " " + data.tip);

  // Subclassing: the window's notifications pass through the filter first.
  if (QWidget* target = binding_.WindowWidget(data.window); target && !filtered_.contains(target)) {
    target->installEventFilter(this);
    filtered_.insert(target);
    connect(target, &QObject::destroyed, this, [this](QObject* gone) { filtered_.remove(gone); });
  }
}

void TrayIconHost::DeleteIcon(const desktop::TrayData& data) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->data.window == data.window && it->data.id == data.id) {
      it->icon->hide();
      it->icon->deleteLater();
      entries_.erase(it);
      TraceLine(binding_.trace(), "tray-delete", std::to_string(data.id));
      return;
    }
  }
}

void TrayIconHost::AnimateToTray(forms::WindowHandle) {}

bool TrayIconHost::Available() {
  const bool available = tray_available && tray_available();
  if (!available) TraceLine(binding_.trace(), "no-tray");
  return available;
}

std::vector<QSystemTrayIcon*> TrayIconHost::icons() const {
  std::vector<QSystemTrayIcon*> out;
  for (const Entry& entry : entries_)
    out.push_back(entry.icon);
  return out;
}

bool TrayIconHost::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == TrayNotification::EventType() && procedure_) {
    const auto* notification = static_cast<const TrayNotification*>(event);
    const std::uint32_t wparam = notification->wparam;
    const std::uint32_t lparam = notification->lparam;
    auto procedure = procedure_;
    binding_.Post([procedure, wparam, lparam] { procedure(wparam, lparam); });
  }
  return QObject::eventFilter(watched, event);  // the window sees every message as before
}

}  // namespace brelvox::translator::qt
