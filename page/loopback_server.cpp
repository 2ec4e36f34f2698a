#include "page/loopback_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <list>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace brelvox::page {
namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsUntil(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 60000));
}

bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int ready = poll(&p, 1, MillisecondsUntil(deadline));
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

std::string AddressOf(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return text;
}

// A request's connection as httplib reads and writes it: first the head the front has already
// read, then the socket, never past the request's deadline.
class DeadlineStream final : public httplib::Stream {
 public:
  DeadlineStream(int fd, std::string head, Clock::time_point read_deadline,
                 std::chrono::milliseconds write_time)
      : fd_(fd), head_(std::move(head)), read_deadline_(read_deadline), write_time_(write_time) {}

  bool is_readable() const override {
    return used_ < head_.size() || WaitFor(fd_, POLLIN, read_deadline_);
  }
  bool is_writable() const override { return WaitFor(fd_, POLLOUT, WriteDeadline()); }
  ssize_t read(char* ptr, size_t size) override {
    if (used_ < head_.size()) {
      const size_t n = std::min(size, head_.size() - used_);
      std::copy_n(head_.data() + used_, n, ptr);
      used_ += n;
      return static_cast<ssize_t>(n);
    }
    if (!WaitFor(fd_, POLLIN, read_deadline_)) return -1;
    return recv(fd_, ptr, size, 0);
  }
  ssize_t write(const char* ptr, size_t size) override {
    if (!WaitFor(fd_, POLLOUT, WriteDeadline())) return -1;
    return send(fd_, ptr, size, MSG_NOSIGNAL);
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    Name(getpeername, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    Name(getsockname, ip, port);
  }
  socket_t socket() const override { return fd_; }

 private:
  Clock::time_point WriteDeadline() const {
    if (!writing_) {
      writing_ = true;
      write_deadline_ = Clock::now() + write_time_;
    }
    return write_deadline_;
  }
  void Name(int (*get)(int, sockaddr*, socklen_t*), std::string& ip, int& port) const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (get(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      ip = AddressOf(address);
      port = ntohs(address.sin_port);
    }
  }

  int fd_;
  std::string head_;
  size_t used_ = 0;
  Clock::time_point read_deadline_;
  std::chrono::milliseconds write_time_;
  mutable bool writing_ = false;
  mutable Clock::time_point write_deadline_;
};

// A connection whose head is still arriving.
struct Waiting {
  int fd;
  std::string client;
  Clock::time_point deadline;
  std::string head;
};

}  // namespace

struct LoopbackServer::State {
  LoopbackRouter* router;
  LoopbackLimits limits;
  int listener = -1;
  int wake = -1;  // an eventfd that ends the front's wait
  std::uint16_t port = 0;
  std::atomic<bool> stopping{false};
  std::thread front;
  std::unique_ptr<httplib::ThreadPool> workers;

  std::mutex mutex;                                   // guards open_by_client and open_total
  std::map<std::string, std::size_t> open_by_client;  // connections accepted and not yet closed
  std::size_t open_total = 0;

  void Run();
  void Accept(std::list<Waiting>& waiting);
  // Reads what has arrived; true when the connection is done with (handed on or closed).
  bool ReadHead(Waiting& w);
  void Serve(Waiting w);
  void Close(int fd, const std::string& client);
  void Refuse(int fd, const std::string& client, const char* status);
};

void LoopbackServer::State::Close(int fd, const std::string& client) {
  close(fd);
  std::lock_guard lock(mutex);
  if (--open_by_client[client] == 0) open_by_client.erase(client);
  --open_total;
}

// A short answer straight from the front (the socket is non-blocking; what does not fit is lost).
void LoopbackServer::State::Refuse(int fd, const std::string& client, const char* status) {
  const std::string answer =
      std::string("HTTP/1.1 ") + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  [[maybe_unused]] const ssize_t sent = send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
  Close(fd, client);
}

void LoopbackServer::State::Accept(std::list<Waiting>& waiting) {
  for (;;) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    const int fd = accept4(listener, reinterpret_cast<sockaddr*>(&address), &length,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    const int yes = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    const std::string client = AddressOf(address);
    std::size_t from_client = 0, total = 0;
    {
      std::lock_guard lock(mutex);
      from_client = ++open_by_client[client];
      total = ++open_total;
    }
    // Over a bound, the oldest connection still sending its head (of that client, else of any)
    // gives way: a client that finishes its request in time always gets in.
    if (from_client > limits.connections_per_client || total > limits.connections) {
      auto oldest = std::find_if(waiting.begin(), waiting.end(), [&](const Waiting& w) {
        return from_client <= limits.connections_per_client || w.client == client;
      });
      if (oldest != waiting.end()) {
        Refuse(oldest->fd, oldest->client, "408 Request Timeout");
        waiting.erase(oldest);
      } else {
        Refuse(fd, client, "503 Service Unavailable");
        continue;
      }
    }
    waiting.push_back({fd, client, Clock::now() + limits.request_deadline, {}});
  }
}

bool LoopbackServer::State::ReadHead(Waiting& w) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = recv(w.fd, buffer, sizeof buffer, 0);
    if (n > 0) {
      const std::size_t searched = w.head.size() < 3 ? 0 : w.head.size() - 3;
      w.head.append(buffer, static_cast<std::size_t>(n));
      if (w.head.find("\r\n\r\n", searched) != std::string::npos) {
        Serve(std::move(w));
        return true;
      }
      if (w.head.size() > limits.head_bytes) {
        Refuse(w.fd, w.client, "431 Request Header Fields Too Large");
        return true;
      }
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
    if (n < 0 && errno == EINTR) continue;
    Close(w.fd, w.client);  // the client went away
    return true;
  }
}

void LoopbackServer::State::Serve(Waiting w) {
  auto task = std::make_shared<Waiting>(std::move(w));
  workers->enqueue([this, task] {
    const int flags = fcntl(task->fd, F_GETFL);
    fcntl(task->fd, F_SETFL, flags & ~O_NONBLOCK);
    DeadlineStream stream(task->fd, std::move(task->head), task->deadline, limits.write_deadline);
    bool closed = false;
    router->process_request(stream, true, closed, [&](httplib::Request& req) {
      stream.get_remote_ip_and_port(req.remote_addr, req.remote_port);
      stream.get_local_ip_and_port(req.local_addr, req.local_port);
    });
    shutdown(task->fd, SHUT_WR);
    Close(task->fd, task->client);
  });
}

void LoopbackServer::State::Run() {
  std::list<Waiting> waiting;
  std::vector<pollfd> polled;
  while (!stopping) {
    polled.assign({{listener, POLLIN, 0}, {wake, POLLIN, 0}});
    Clock::time_point next = Clock::now() + std::chrono::seconds(1);
    for (const Waiting& w : waiting) {
      polled.push_back({w.fd, POLLIN, 0});
      next = std::min(next, w.deadline);
    }
    if (poll(polled.data(), polled.size(), MillisecondsUntil(next)) < 0 && errno != EINTR) break;
    if (stopping) break;
    // The waiting connections first: those polled are the first ones of the list, in order.
    auto it = waiting.begin();
    for (std::size_t i = 2; i < polled.size() && it != waiting.end(); ++i) {
      const bool ready = polled[i].revents != 0;
      if (ready && ReadHead(*it)) {
        it = waiting.erase(it);
      } else if (Clock::now() >= it->deadline) {
        Refuse(it->fd, it->client, "408 Request Timeout");
        it = waiting.erase(it);
      } else {
        ++it;
      }
    }
    if (polled[0].revents != 0) Accept(waiting);
  }
  for (const Waiting& w : waiting)
    Close(w.fd, w.client);
}

LoopbackServer::LoopbackServer(LoopbackRouter* router, LoopbackLimits limits)
    : state_(std::make_unique<State>()) {
  state_->router = router;
  state_->limits = limits;
  // Only requests addressed to this service: a page elsewhere that rebinds its own name to
  // 127.0.0.1 still sends that name.
  State* s = state_.get();
  router->set_pre_routing_handler([s](const httplib::Request& req, httplib::Response& res) {
    if (IsOwnHost(req.get_header_value("Host"), s->port)) {
      return httplib::Server::HandlerResponse::Unhandled;
    }
    res.status = 421;
    res.set_content("{\"error\": \"This service answers only requests to http://127.0.0.1:" +
                        std::to_string(s->port) + "/; open the page at that address.\"}",
                    "application/json; charset=utf-8");
    return httplib::Server::HandlerResponse::Handled;
  });
}

LoopbackServer::~LoopbackServer() {
  Stop();
}

bool LoopbackServer::Start(std::uint16_t port) {
  Stop();
  State& s = *state_;
  s.listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (s.listener < 0) return false;
  const int yes = 1;
  setsockopt(s.listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);  // not SO_REUSEPORT
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(s.listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(s.listener, 128) != 0 ||
      getsockname(s.listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(s.listener);
    s.listener = -1;
    return false;
  }
  s.port = ntohs(address.sin_port);
  s.wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  s.stopping = false;
  s.workers = std::make_unique<httplib::ThreadPool>(s.limits.workers);
  s.front = std::thread([&s] { s.Run(); });
  return true;
}

std::uint16_t LoopbackServer::Port() const {
  return state_->listener >= 0 ? state_->port : 0;
}

void LoopbackServer::Stop() {
  State& s = *state_;
  if (s.listener < 0) return;
  s.stopping = true;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t woken = ::write(s.wake, &one, sizeof one);
  if (s.front.joinable()) s.front.join();
  s.workers->shutdown();  // the requests being answered end by their deadlines
  s.workers.reset();
  close(s.listener);
  close(s.wake);
  s.listener = -1;
  s.wake = -1;
}

bool LoopbackServer::IsOwnHost(const std::string& host, std::uint16_t port) {
  const std::string suffix = ":" + std::to_string(port);
  return host == "127.0.0.1" + suffix || host == "localhost" + suffix;
}

}  // namespace brelvox::page
