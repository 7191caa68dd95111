// THeldServer: a loopback HTTP server whose pages stop half-way. The start page "/" links to
// "/a.htm" and "/b.htm" and is sent whole; each of those gets its header and half of its body,
// then waits until Release() sends the rest; robots.txt is not found. A capture of it is thus
// surely under way, with transfers that have started, for as long as the test wants. One thread per
// connection.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace korvane::testing {

class THeldServer {
 public:
  THeldServer() {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    ::listen(listen_fd_, 16);
    acceptor_ = std::thread([this] { Accept(); });
  }

  ~THeldServer() {
    Release();
    stop_ = true;
    ::shutdown(listen_fd_, SHUT_RDWR);
    ::close(listen_fd_);
    acceptor_.join();
    for (std::thread& t : workers_) t.join();
  }

  std::string Url(const std::string& path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  // Transfers that have sent half their body and wait.
  int Held() const { return held_.load(); }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    released_cv_.notify_all();
  }

 private:
  static constexpr int kHalf = 3000;

  void Accept() {
    while (!stop_) {
      int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) return;
      std::lock_guard<std::mutex> lock(mutex_);
      workers_.emplace_back([this, fd] { Serve(fd); });
    }
  }

  void Serve(int fd) {
    std::string request;
    char buf[2048];
    while (request.find("\r\n\r\n") == std::string::npos) {
      ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) break;
      request.append(buf, std::size_t(n));
    }
    const bool start_page = request.rfind("GET / ", 0) == 0;
    if (request.rfind("GET /robots.txt ", 0) == 0) {
      // No rules: a new web asks for them before its first page.
      Send(fd, "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    } else if (start_page) {
      const std::string body =
          "<html><head><title>Held</title></head><body>"
          "<a href=\"/a.htm\">a</a> <a href=\"/b.htm\">b</a></body></html>";
      Send(fd, Header(body.size()) + body);
    } else {
      const std::string body = "<html><body>" + std::string(2 * kHalf, 'x') + "</body></html>";
      Send(fd, Header(body.size()) + body.substr(0, kHalf));
      ++held_;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        released_cv_.wait(lock, [this] { return released_; });
      }
      Send(fd, body.substr(kHalf));
    }
    ::close(fd);
  }

  static std::string Header(std::size_t length) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
           std::to_string(length) + "\r\n\r\n";
  }

  static void Send(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += std::size_t(n);
    }
  }

  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> held_{0};
  std::mutex mutex_;
  std::condition_variable released_cv_;
  bool released_ = false;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

}  // namespace korvane::testing
