#include "translator/qt/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace brelvox::translator::qt {

std::string SystemClipboard::GetText() {
  return desktop_.ClipboardText();
}

void SystemClipboard::Clear() {
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->clear(QClipboard::Clipboard);
  desktop_.ForgetClipboard();
}

}  // namespace brelvox::translator::qt
