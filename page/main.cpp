// translation-page: runs the offline translation page service on 127.0.0.1 until stopped.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "page/page_service.h"

namespace {

constexpr const char* kUsage =
    "Usage: translation-page [--port N] [--data DIR]\n"
    "Serves the offline Bulgarian-English translation page on 127.0.0.1 and prints its base\n"
    "address (e.g. http://127.0.0.1:40123) on standard output; stops on Ctrl+C or SIGTERM.\n"
    "  --port N    port to listen on; 0 (the default) takes a free one\n"
    "  --data DIR  folder with dictionary.sqlite and the hunspell files (default: the built data)\n"
    "Pages: /?hl=bg&tab=wT#bg|en|текст  /?hl=bg&tab=wT#en|bg|text  /?hl=bg&tab=wT#en|en|text\n"
    "API:   /api/translate?sl=bg&tl=en&q=...  /api/speak?lang=en&text=...  /api/stats\n";

}  // namespace

int main(int argc, char** argv) {
  brelvox::page::PageServiceOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if ((arg == "--port" || arg == "--data") && i + 1 < argc) {
      const std::string value = argv[++i];
      if (arg == "--data") {
        options.data_dir = value;
        continue;
      }
      char* end = nullptr;
      const long port = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || port < 0 || port > 65535) {
        std::fprintf(stderr,
                     "translation-page: the port must be a number from 0 to 65535, not \"%s\".\n",
                     value.c_str());
        return 2;
      }
      options.port = static_cast<std::uint16_t>(port);
      continue;
    }
    std::fprintf(stderr, "translation-page: %s %s.\n%s",
                 arg == "--port" || arg == "--data" ? "missing value for" : "unknown option",
                 arg.c_str(), kUsage);
    return 2;
  }

  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);  // the server threads inherit the mask

  brelvox::page::PageService service;
  std::string error;
  if (!service.Start(options, &error)) {
    std::fprintf(stderr, "translation-page: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", service.BaseAddress().c_str());
  std::fflush(stdout);
  int signal = 0;
  sigwait(&signals, &signal);
  service.Stop();
  return 0;
}
