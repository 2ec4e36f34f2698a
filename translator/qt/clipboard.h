// The system clipboard on X11 (the CLIPBOARD selection), as text. Reading never waits for the
// clipboard's owner: the text comes from the desktop's asynchronous reading.
#pragma once

#include "translator/desktop/clipboard.h"
#include "translator/qt/x11_desktop.h"

namespace brelvox::translator::qt {

class SystemClipboard final : public desktop::Clipboard {
 public:
  explicit SystemClipboard(X11Desktop& desktop) : desktop_(desktop) {}
  std::string GetText() override;
  void Clear() override;

 private:
  X11Desktop& desktop_;
};

}  // namespace brelvox::translator::qt
