// translation-page: runs the offline translation page service on 127.0.0.1 until stopped.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <string>

#include "page/page_service.h"

int main(int argc, char** argv) {
  brelvox::page::PageServiceOptions options;
  CLI::App app{
      "translation-page: serves the offline Bulgarian-English translation page on 127.0.0.1 and "
      "prints its base address (e.g. http://127.0.0.1:40123) on standard output; stops on Ctrl+C "
      "or SIGTERM"};
  app.add_option("--port", options.port, "port to listen on; 0 (the default) takes a free one")
      ->check(CLI::Range(0, 65535));
  app.add_option("--data", options.data_dir,
                 "folder with dictionary.sqlite and the hunspell files (default: the built data)");
  app.footer(
      "Pages: /?hl=bg&tab=wT#bg|en|текст  /?hl=bg&tab=wT#en|bg|text  /?hl=bg&tab=wT#en|en|text\n"
      "API:   /api/translate?sl=bg&tl=en&q=...  /api/speak?lang=en&text=...  /api/stats");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
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
