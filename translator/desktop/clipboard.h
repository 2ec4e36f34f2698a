// The system clipboard, as text (the CLIPBOARD selection on X11).
#pragma once

#include <string>

namespace brelvox::translator::desktop {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // The clipboard's text; empty when it holds no text.
  virtual std::string GetText() = 0;
  virtual void Clear() = 0;
};

}  // namespace brelvox::translator::desktop
