#include "translator/qt/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace translator::qt {

std::string SystemClipboard::GetText() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  return clipboard ? clipboard->text(QClipboard::Clipboard).toStdString() : std::string();
}

void SystemClipboard::Clear() {
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->clear(QClipboard::Clipboard);
}

}  // namespace translator::qt
