// The translation page service: an HTTP server on 127.0.0.1 that serves the home page, the
// translation page (direction and text in the address's fragment, the result in the page's markup,
// a listen element that speaks English) and its JSON API. Runs in its own threads, so a program
// can start it in-process; the translation-page program runs it alone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace brelvox::page {

struct PageServiceOptions {
  // The folder with dictionary.sqlite and the hunspell files bg_BG and en_US (.aff, .dic);
  // empty: DefaultDataDir().
  std::string data_dir;
  // The port on 127.0.0.1; 0 takes a free one.
  std::uint16_t port = 0;
};

// $BRELVOX_PAGE_DATA if set; else share/brelvox/page beside the running program's folder
// (bin/../share/brelvox/page) when it exists; else the folder the build wrote the data to.
std::string DefaultDataDir();

class PageService {
 public:
  PageService();
  ~PageService();  // stops the service
  PageService(const PageService&) = delete;
  PageService& operator=(const PageService&) = delete;

  // Loads the dictionary and starts listening on 127.0.0.1. Returns false with *error set (one
  // sentence naming the problem and the way out) when the data is missing or the port is taken.
  bool Start(const PageServiceOptions& options, std::string* error);

  // "http://127.0.0.1:PORT" while running, else empty.
  std::string BaseAddress() const;
  std::uint16_t Port() const;
  bool IsRunning() const;

  // Stops listening and waits for the server's threads; safe to call more than once.
  void Stop();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace brelvox::page
