#include "support/loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace korvane::testing {

int BoundLoopbackSocket(int& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket");
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    throw std::runtime_error("bind");
  }
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  port = ntohs(addr.sin_port);
  return fd;
}

namespace {

bool WaitReadable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, ms) > 0;
}

}  // namespace

TLoopbackHttpServer::TLoopbackHttpServer() {
  listen_fd_ = BoundLoopbackSocket(port_);
  ::listen(listen_fd_, 64);
  thread_ = std::thread([this] { Serve(); });
}

TLoopbackHttpServer::~TLoopbackHttpServer() {
  stop_ = true;
  thread_.join();
  for (int fd : held_) ::close(fd);
  ::close(listen_fd_);
}

void TLoopbackHttpServer::Respond(std::string response, std::size_t send_bytes) {
  std::lock_guard lock(mutex_);
  response_ = std::move(response);
  send_bytes_ = send_bytes;
  route_ = nullptr;
  silent_ = false;
  trickle_every_ = {};
}

void TLoopbackHttpServer::Trickle(std::string response, std::chrono::milliseconds every) {
  Respond(std::move(response));
  std::lock_guard lock(mutex_);
  trickle_every_ = every;
}

void TLoopbackHttpServer::Route(std::function<std::string(const std::string&)> route) {
  std::lock_guard lock(mutex_);
  route_ = std::move(route);
  silent_ = false;
}

void TLoopbackHttpServer::Tunnel(int port) {
  std::lock_guard lock(mutex_);
  tunnel_port_ = port;
}

void TLoopbackHttpServer::StaySilent() {
  std::lock_guard lock(mutex_);
  silent_ = true;
}

std::string TLoopbackHttpServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> TLoopbackHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::string TLoopbackHttpServer::OkResponse(std::string_view body, std::string_view type) {
  return "HTTP/1.0 200 OK\r\nServer: loopback\r\nContent-Type: " + std::string(type) +
         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

int TLoopbackHttpServer::UnusedPort() {
  int port = 0;
  ::close(BoundLoopbackSocket(port));
  return port;
}

void TLoopbackHttpServer::Serve() {
  while (!stop_) {
    if (!WaitReadable(listen_fd_, 20)) continue;
    int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) Answer(fd);
  }
}

void TLoopbackHttpServer::Answer(int fd) {
  std::string request;
  char buf[4096];
  while (!stop_ && request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
    if (!WaitReadable(fd, 20)) continue;
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    request.append(buf, static_cast<std::size_t>(n));
  }
  std::string reply;
  int tunnel = 0;
  std::chrono::milliseconds every{0};
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    if (silent_) {
      held_.push_back(fd);
      return;
    }
    if (tunnel_port_ != 0 && request.rfind("CONNECT ", 0) == 0) {
      tunnel = tunnel_port_;
    } else {
      reply = route_ ? route_(request) : response_.substr(0, send_bytes_);
      every = trickle_every_;
    }
  }
  if (tunnel != 0) return Relay(fd, tunnel);
  std::size_t at = 0;
  while (at < reply.size() && !stop_) {
    const std::size_t piece = every.count() > 0 ? 1 : reply.size() - at;
    ssize_t n = ::send(fd, reply.data() + at, piece, MSG_NOSIGNAL);
    if (n <= 0) break;
    at += static_cast<std::size_t>(n);
    if (every.count() > 0) std::this_thread::sleep_for(every);
  }
  ::shutdown(fd, SHUT_WR);
  ::close(fd);
}

void TLoopbackHttpServer::Relay(int fd, int port) {
  int up = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected =
      up >= 0 && ::connect(up, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  const std::string answer = connected ? "HTTP/1.0 200 Connection established\r\n\r\n"
                                       : "HTTP/1.0 502 Bad gateway\r\n\r\n";
  ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
  char buf[16384];
  while (connected && !stop_) {
    pollfd both[2] = {{fd, POLLIN, 0}, {up, POLLIN, 0}};
    if (::poll(both, 2, 20) <= 0) continue;
    bool open = true;
    for (int side = 0; side < 2 && open; ++side) {
      if (!(both[side].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t n = ::recv(both[side].fd, buf, sizeof buf, 0);
      int to = side == 0 ? up : fd;
      if (n <= 0 || ::send(to, buf, static_cast<std::size_t>(n), MSG_NOSIGNAL) != n) open = false;
    }
    if (!open) break;
  }
  if (up >= 0) ::close(up);
  ::shutdown(fd, SHUT_WR);
  ::close(fd);
}

}  // namespace korvane::testing
