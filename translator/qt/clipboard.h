// The system clipboard on X11 (the CLIPBOARD selection), as text.
#pragma once

#include "translator/desktop/clipboard.h"

namespace translator::qt {

class SystemClipboard final : public desktop::Clipboard {
 public:
  std::string GetText() override;
  void Clear() override;
};

}  // namespace translator::qt
