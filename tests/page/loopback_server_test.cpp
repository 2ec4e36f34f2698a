// The page's HTTP front over real loopback sockets: slow and idle clients hold no worker and are
// cut at the request deadline, connections stay within their bounds, and only requests addressed
// to the service's own address are answered. Every wait here is bounded by a socket timeout.
#include "page/loopback_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace brelvox::page {
namespace {

int Connect(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  timeval timeout{20, 0};  // no test waits forever
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  return fd;
}

void Send(int fd, const std::string& text) {
  EXPECT_EQ(send(fd, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
}

// Everything until the server closes (or the socket timeout).
std::string Answer(int fd) {
  std::string answer;
  char buffer[4096];
  ssize_t n;
  while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0)
    answer.append(buffer, static_cast<size_t>(n));
  return answer;
}

bool Answered(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 0) > 0;
}

std::string Status(const std::string& answer) {
  return answer.substr(0, answer.find("\r\n"));
}

class LoopbackServerTest : public testing::Test {
 protected:
  void Start(LoopbackLimits limits) {
    router_.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok", "text/plain");
    });
    server_ = std::make_unique<LoopbackServer>(&router_, limits);
    ASSERT_TRUE(server_->Start(0));
  }
  std::string Get(const std::string& host) {
    const int fd = Connect(server_->Port());
    Send(fd, "GET / HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
    const std::string answer = Answer(fd);
    close(fd);
    return answer;
  }
  std::string Own() const { return "127.0.0.1:" + std::to_string(server_->Port()); }

  LoopbackRouter router_;
  std::unique_ptr<LoopbackServer> server_;
};

TEST_F(LoopbackServerTest, SlowClientsHoldNoWorker) {
  LoopbackLimits limits;
  limits.workers = 2;
  limits.request_deadline = std::chrono::seconds(30);
  Start(limits);
  // Sixteen clients that send their head a little at a time, and never finish it.
  std::vector<int> slow;
  for (int i = 0; i < 16; ++i) {
    slow.push_back(Connect(server_->Port()));
    Send(slow.back(), "GET / HTTP/1.1\r\nHost: " + Own() + "\r\nX-Slow: ");
  }
  for (int round = 0; round < 3; ++round) {
    for (const int fd : slow)
      Send(fd, "a");
    const std::string answer = Get(Own());
    EXPECT_EQ(Status(answer), "HTTP/1.1 200 OK") << answer;
  }
  for (const int fd : slow) {
    EXPECT_FALSE(Answered(fd)) << "a slow client within its deadline is still waited for";
    close(fd);
  }
}

TEST_F(LoopbackServerTest, AWholeRequestHasOneDeadline) {
  LoopbackLimits limits;
  limits.request_deadline = std::chrono::milliseconds(300);
  Start(limits);
  const int trickle = Connect(server_->Port());
  std::atomic<bool> done{false};
  // A byte every 20 ms keeps every single read short, but the request never ends.
  std::thread sender([&] {
    Send(trickle, "GET / HTTP/1.1\r\n");
    while (!done && send(trickle, "X", 1, MSG_NOSIGNAL) == 1)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  });
  const std::string answer = Answer(trickle);
  done = true;
  sender.join();
  close(trickle);
  EXPECT_EQ(Status(answer), "HTTP/1.1 408 Request Timeout");
  // A body that never comes is cut by the same deadline.
  const int body = Connect(server_->Port());
  Send(body, "POST / HTTP/1.1\r\nHost: " + Own() + "\r\nContent-Length: 100\r\n\r\nabc");
  const std::string cut = Answer(body);
  close(body);
  EXPECT_EQ(cut.find("200 OK"), std::string::npos) << cut;
}

TEST_F(LoopbackServerTest, IdleConnectionsAreBoundedAndGiveWay) {
  LoopbackLimits limits;
  limits.connections = 8;
  limits.connections_per_client = 6;
  limits.request_deadline = std::chrono::seconds(30);
  Start(limits);
  std::vector<int> idle;
  for (int i = 0; i < 40; ++i)
    idle.push_back(Connect(server_->Port()));
  EXPECT_EQ(Status(Get(Own())), "HTTP/1.1 200 OK");
  int open = 0;
  for (const int fd : idle) {
    if (!Answered(fd)) ++open;  // the others were answered 408 and closed
    close(fd);
  }
  EXPECT_LE(open, 6);
}

TEST_F(LoopbackServerTest, OnlyRequestsToItsOwnAddressAreAnswered) {
  Start({});
  const std::string port = std::to_string(server_->Port());
  const struct {
    std::string host;
    bool answered;
  } cases[] = {
      {"127.0.0.1:" + port, true},
      {"localhost:" + port, true},
      {"attacker.example:" + port, false},  // DNS rebinding: another site's name
      {"127.0.0.1", false},
      {"127.0.0.1:1" + port, false},
      {"", false},
  };
  for (const auto& c : cases) {
    const std::string answer = Get(c.host);
    EXPECT_EQ(Status(answer), c.answered ? "HTTP/1.1 200 OK" : "HTTP/1.1 421 Misdirected Request")
        << c.host;
  }
}

}  // namespace
}  // namespace brelvox::page
