#include "support/loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace korvane::testing {
namespace {

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
}

void TLoopbackHttpServer::Route(std::function<std::string(const std::string&)> route) {
  std::lock_guard lock(mutex_);
  route_ = std::move(route);
  silent_ = false;
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
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    if (silent_) {
      held_.push_back(fd);
      return;
    }
    reply = route_ ? route_(request) : response_.substr(0, send_bytes_);
  }
  std::size_t at = 0;
  while (at < reply.size()) {
    ssize_t n = ::send(fd, reply.data() + at, reply.size() - at, MSG_NOSIGNAL);
    if (n <= 0) break;
    at += static_cast<std::size_t>(n);
  }
  ::shutdown(fd, SHUT_WR);
  ::close(fd);
}

}  // namespace korvane::testing
