// The embedded web browser that shows the translation page.
//
// The main window needs of it: navigation, a Busy flag that stays true until the page has taken
// the new address (also for a navigation that changes only the fragment, which raises no
// document-complete), the markup of the document's root element, and walking the elements of one
// tag to scroll one into view. Its placement is the geometry of the WebBrowser1 control, which the
// display binding follows.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "translator/forms/window.h"

namespace brelvox::translator {

// Notifications from the browser to the main window.
class BrowserEvents {
 public:
  virtual ~BrowserEvents() = default;
  // A document, or a frame of one, has finished loading.
  virtual void DocumentComplete() = 0;
  // The browser took the keyboard focus.
  virtual void BrowserGotFocus() = 0;
};

class Browser {
 public:
  virtual ~Browser() = default;
  virtual void Navigate(const std::string& address) = 0;
  virtual bool Busy() = 0;
  // The inner markup of the document's root element; nullopt when there is no readable document.
  virtual std::optional<std::string> RootMarkup() = 0;
  // The id of every element with the tag name `tag`, in document order (empty for an element
  // without one); nullopt when the document cannot be walked.
  virtual std::optional<std::vector<std::string>> ElementIds(std::string_view tag) = 0;
  // Scrolls element `index` of those ElementIds listed into view; false when that fails.
  virtual bool ScrollIntoView(std::string_view tag, int index) = 0;
};

class BrowserFactory {
 public:
  virtual ~BrowserFactory() = default;
  // The browser of a newly loaded main window; its notifications go to `events` until it is
  // destroyed together with the window.
  virtual std::unique_ptr<Browser> Create(forms::Window& form1, BrowserEvents& events) = 0;
};

}  // namespace brelvox::translator
