// The documents the page service serves: the home page, the translation page, its script and style.
#pragma once

#include <string_view>

namespace brelvox::page {

extern const std::string_view kHomePage;
extern const std::string_view kTranslationPage;
extern const std::string_view kPageScript;
extern const std::string_view kPageStyle;

}  // namespace brelvox::page
