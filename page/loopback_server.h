// The page's HTTP front on 127.0.0.1: accepts connections itself and hands a request to the
// router's handlers only once its whole head has arrived, so slow or idle clients hold no worker.
// Every request has one deadline from its first byte to its last; connections are bounded per
// client address and in total (the oldest unfinished one gives way to a new one); one request is
// served per connection; and only requests addressed to this service's own loopback address and
// port are answered, so that a page on another site cannot reach it through DNS rebinding.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace brelvox::page {

struct LoopbackLimits {
  std::chrono::milliseconds request_deadline{5000};  // from accepting to the whole request
  std::chrono::milliseconds write_deadline{10000};   // for writing the answer
  std::size_t workers = 8;
  std::size_t connections = 64;             // open at once, in total
  std::size_t connections_per_client = 32;  // from one address
  std::size_t head_bytes = 64 * 1024;       // request line and headers
};

// Routes requests to the handlers registered on it, with httplib's parsing and answers.
class LoopbackRouter : public httplib::Server {
 public:
  using httplib::Server::process_request;
};

class LoopbackServer {
 public:
  // Installs the router's pre-routing handler (the Host check).
  explicit LoopbackServer(LoopbackRouter* router, LoopbackLimits limits = {});
  ~LoopbackServer();  // stops
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  // Binds 127.0.0.1:port (0: a free one) and starts serving; false when the port cannot be had.
  bool Start(std::uint16_t port);
  std::uint16_t Port() const;
  // Stops accepting, closes waiting connections and waits for the requests being answered.
  void Stop();

  // Whether a Host header names this service (127.0.0.1 or localhost with its port).
  static bool IsOwnHost(const std::string& host, std::uint16_t port);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace brelvox::page
