// Where translations come from: the translation page's base address, the addresses made from it,
// and the texts that tell the user which source is in use.
//
// The base address is either given on the command line (--page URL) or that of the translation
// page service the translator starts in-process on a free loopback port.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "translator/desktop/layouts.h"

namespace brelvox::translator {

inline constexpr std::string_view kBulgarianToEnglish = "bg|en|";
inline constexpr std::string_view kEnglishToBulgarian = "en|bg|";
inline constexpr std::string_view kEnglishPronunciation = "en|en|";

struct PageSource {
  std::string base_address;  // scheme and host (and port), without a trailing "/"
  bool local_service = false;
};

// The home page: any page of the service that loads at once.
std::string HomeAddress(const PageSource& source);
// base + "/?hl=bg&tab=wT#" + direction + text, the text appended as it is: no escaping.
std::string PageAddress(const PageSource& source, std::string_view direction,
                        std::string_view text);

// The caption of Form1 and the sentence of Label4 for the source in use.
desktop::SourceTexts DescribeSource(const PageSource& source);

struct CommandLine {
  std::optional<std::string> page;  // --page URL
  bool help = false;
};

struct CommandLineResult {
  std::optional<CommandLine> command_line;
  std::string error;  // one sentence when command_line is empty
};

// Parses the translator's own arguments (without the program name).
CommandLineResult ParseCommandLine(const std::vector<std::string>& args);

std::string CommandLineHelp();

struct PageSourceResult {
  std::optional<PageSource> source;
  std::string error;  // one sentence when source is empty
};

// Starts the local translation page service; returns its base address, or nullopt with `error`
// set to one sentence (or left empty) when it cannot start.
using LocalServiceStarter = std::function<std::optional<std::string>(std::string& error)>;

// The source for a command line: the --page address, checked, or else the local service.
PageSourceResult ResolvePageSource(const CommandLine& command_line,
                                   const LocalServiceStarter& start_local_service);

}  // namespace brelvox::translator
