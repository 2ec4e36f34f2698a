#include "translator/page_source.h"

#include <CLI/CLI.hpp>

namespace brelvox::translator {
namespace {

// The host (and port) of an address, for telling the user where translations come from.
std::string HostOf(std::string_view address) {
  const std::size_t scheme = address.find("://");
  std::string_view rest = scheme == std::string_view::npos ? address : address.substr(scheme + 3);
  return std::string(rest.substr(0, rest.find('/')));
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string HomeAddress(const PageSource& source) {
  return source.base_address + "/";
}

std::string PageAddress(const PageSource& source, std::string_view direction,
                        std::string_view text) {
  std::string address = source.base_address;
  address += "/?hl=bg&tab=wT#";
  address += direction;
  address += text;
  return address;
}

desktop::SourceTexts DescribeSource(const PageSource& source) {
  if (source.local_service) {
    return {"Офлайн преводач на думи и фрази до 100 символа.",
            "Думите и фразите се превеждат от речник на този компютър, без връзка с Интернет."};
  }
  const std::string host = HostOf(source.base_address);
  return {"Преводач на думи и фрази до 100 символа чрез " + host + ".",
          "Необходима е връзка със страницата за превод " + host +
              ", която превежда думите и фразите."};
}

std::string CommandLineHelp() {
  return "Usage: translator [--page URL]\n"
         "\n"
         "A small always-on-top window that translates words and phrases between Bulgarian and\n"
         "English and speaks both sides.\n"
         "\n"
         "  --page URL   take translations from the translation page at URL (http://host[:port]);\n"
         "               without it the translator starts its own offline page service on a\n"
         "               free loopback port\n"
         "  --help       show this help\n";
}

CommandLineResult ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine parsed;
  CLI::App app{"translator"};
  app.set_help_flag();  // the translator's own help (CommandLineHelp)
  app.add_flag("-h,--help", parsed.help);
  std::string page;
  app.add_option("--page", page)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  try {
    app.parse(std::vector<std::string>(args.rbegin(), args.rend()));  // CLI11 reads from the back
  } catch (const CLI::ArgumentMismatch&) {
    return {std::nullopt, "--page needs an address, for example --page http://127.0.0.1:8080."};
  } catch (const CLI::ParseError& error) {
    return {std::nullopt, std::string(error.what()) + "; see translator --help."};
  }
  if (app.count("--page") > 0) parsed.page = page;
  return {parsed, ""};
}

PageSourceResult ResolvePageSource(const CommandLine& command_line,
                                   const LocalServiceStarter& start_local_service) {
  if (command_line.page) {
    std::string address = *command_line.page;
    if (!StartsWith(address, "http://") && !StartsWith(address, "https://")) {
      return {std::nullopt, "The page address " + address +
                                " is not an http:// or https:// address; give one like "
                                "http://127.0.0.1:8080."};
    }
    const std::size_t host_start = address.find("://") + 3;
    while (address.size() > host_start && address.back() == '/')
      address.pop_back();
    if (HostOf(address).empty() || address.find_first_of("?#") != std::string::npos) {
      return {std::nullopt, "The page address " + *command_line.page +
                                " needs a host and no query or fragment; give one like "
                                "http://127.0.0.1:8080."};
    }
    return {PageSource{address, false}, ""};
  }
  std::string error;
  std::optional<std::string> local =
      start_local_service ? start_local_service(error) : std::nullopt;
  if (!local) {
    if (!error.empty()) return {std::nullopt, error};
    return {std::nullopt,
            "The translation page service could not be started on the loopback interface; start "
            "the translator with --page URL to use another translation page."};
  }
  std::string address = *local;
  while (!address.empty() && address.back() == '/')
    address.pop_back();
  return {PageSource{address, true}, ""};
}

}  // namespace brelvox::translator
