// TLoopbackHttpServer: a scripted HTTP server on 127.0.0.1 for tests and benchmarks of the real
// socket library. It runs on its own thread, serves one connection at a time, reads each request
// to its blank line and then answers as told: the whole response, only its first bytes, or
// nothing at all while it keeps the connection open.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace korvane::testing {

// A TCP socket bound to a free port of 127.0.0.1, not yet listening; the port is set. Throws
// when no socket can be had.
int BoundLoopbackSocket(int& port);

class TLoopbackHttpServer {
 public:
  TLoopbackHttpServer();
  ~TLoopbackHttpServer();
  TLoopbackHttpServer(const TLoopbackHttpServer&) = delete;
  TLoopbackHttpServer& operator=(const TLoopbackHttpServer&) = delete;

  // Every later connection gets `response`, cut after `send_bytes` bytes when that is smaller,
  // then the connection is closed.
  void Respond(std::string response, std::size_t send_bytes = std::string::npos);
  // Later connections are accepted and read, and never answered.
  void StaySilent();
  // Later connections get `response` one byte every `every`, until it is sent or the client
  // goes.
  void Trickle(std::string response, std::chrono::milliseconds every);
  // Later connections get what `route` answers for their request (its bytes up to the blank
  // line). Called on the server's thread.
  void Route(std::function<std::string(const std::string& request)> route);
  // As a proxy would: a CONNECT request is agreed to, and the connection is then relayed both
  // ways to `port` of 127.0.0.1 until either side closes.
  void Tunnel(int port);

  int Port() const { return port_; }
  std::string Url(std::string_view path = "/") const;
  std::vector<std::string> Requests() const;

  // "200 OK" with a Content-Length, a content type and `body`.
  static std::string OkResponse(std::string_view body, std::string_view type = "text/html");
  // A loopback port on which nothing listens (bound, then released).
  static int UnusedPort();

 private:
  void Serve();
  void Answer(int fd);
  void Relay(int fd, int port);

  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::string response_;
  std::size_t send_bytes_ = std::string::npos;
  std::function<std::string(const std::string&)> route_;
  bool silent_ = false;
  std::chrono::milliseconds trickle_every_{0};
  int tunnel_port_ = 0;
  std::vector<std::string> requests_;
  std::vector<int> held_;  // silent connections, closed when the server stops
  std::thread thread_;
};

}  // namespace korvane::testing
