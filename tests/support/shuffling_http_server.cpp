#include "support/shuffling_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <vector>

#include "support/loopback_http_server.h"

namespace korvane::testing {

using Clock = std::chrono::steady_clock;

struct TShufflingHttpServer::TConnection {
  int fd = -1;
  std::string request;
  std::string response;  // empty until the request is whole
  std::size_t sent = 0;
  Clock::time_point ready_at;
  bool answering() const { return !response.empty(); }
};

TShufflingHttpServer::TShufflingHttpServer(std::map<std::string, TServedFile> files,
                                           std::uint32_t seed)
    : files_(std::move(files)), seed_(seed) {
  listen_fd_ = BoundLoopbackSocket(port_);
  ::listen(listen_fd_, 64);
  ::fcntl(listen_fd_, F_SETFL, O_NONBLOCK);
  thread_ = std::thread([this] { Serve(); });
}

TShufflingHttpServer::~TShufflingHttpServer() {
  stop_ = true;
  thread_.join();
  ::close(listen_fd_);
}

std::string TShufflingHttpServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::string TShufflingHttpServer::Answer(const std::string& request, bool with_length) {
  const std::size_t start = request.find(' ') + 1;
  auto file = files_.find(request.substr(start, request.find(' ', start) - start));
  if (file == files_.end()) {
    ++unknown_;
    return "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n";
  }
  std::string response = "HTTP/1.0 200 OK\r\nContent-Type: " + file->second.ContentType + "\r\n";
  if (with_length)
    response += "Content-Length: " + std::to_string(file->second.Body.size()) + "\r\n";
  return response + "\r\n" + file->second.Body;
}

void TShufflingHttpServer::Serve() {
  std::mt19937 random(seed_);
  auto chance = [&](int percent) {
    return std::uniform_int_distribution<int>(0, 99)(random) < percent;
  };
  auto pause = [&](int most_ms) {
    return Clock::now() +
           std::chrono::microseconds(std::uniform_int_distribution<int>(0, most_ms * 1000)(random));
  };
  // A piece of a few bytes, of a packet, or of many packets.
  auto piece = [&] {
    const int kind = std::uniform_int_distribution<int>(0, 9)(random);
    const int most = kind < 3 ? 16 : kind < 8 ? 1500 : 256 * 1024;
    return static_cast<std::size_t>(std::uniform_int_distribution<int>(1, most)(random));
  };
  std::vector<std::unique_ptr<TConnection>> connections;
  while (!stop_) {
    std::vector<pollfd> polled{{listen_fd_, POLLIN, 0}};
    const Clock::time_point now = Clock::now();
    for (const auto& c : connections) {
      const bool ready = c->answering() && c->ready_at <= now;
      polled.push_back(
          {c->fd, static_cast<short>(c->answering() ? (ready ? POLLOUT : 0) : POLLIN), 0});
    }
    ::poll(polled.data(), polled.size(), 1);
    if (polled[0].revents & POLLIN) {
      for (int fd; (fd = ::accept(listen_fd_, nullptr, nullptr)) >= 0;) {
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
        auto connection = std::make_unique<TConnection>();
        connection->fd = fd;
        connections.push_back(std::move(connection));
      }
    }
    // Requests first, then one piece for each connection whose turn it is, in a shuffled order.
    std::vector<TConnection*> writable;
    for (std::size_t i = 1; i < polled.size() && i <= connections.size(); ++i) {
      TConnection& c = *connections[i - 1];
      if (!c.answering() && (polled[i].revents & (POLLIN | POLLHUP))) {
        char buffer[4096];
        const ssize_t n = ::read(c.fd, buffer, sizeof buffer);
        if (n <= 0) {
          c.sent = std::string::npos;  // the client went away
          continue;
        }
        c.request.append(buffer, static_cast<std::size_t>(n));
        if (c.request.find("\r\n\r\n") == std::string::npos) continue;
        // Some bodies end with the connection alone, as an HTTP/1.0 server may send them.
        c.response = Answer(c.request, !chance(20));
        c.ready_at = pause(12);
      } else if (c.answering() && (polled[i].revents & (POLLOUT | POLLERR | POLLHUP))) {
        writable.push_back(&c);
      }
    }
    std::shuffle(writable.begin(), writable.end(), random);
    int answering = 0;
    for (const auto& c : connections) answering += c->answering() ? 1 : 0;
    most_at_once_ = std::max(most_at_once_.load(), answering);
    for (TConnection* c : writable) {
      const std::size_t count = std::min(piece(), c->response.size() - c->sent);
      const ssize_t n = ::send(c->fd, c->response.data() + c->sent, count, MSG_NOSIGNAL);
      if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK) c->sent = std::string::npos;
        continue;
      }
      c->sent += static_cast<std::size_t>(n);
      c->ready_at = chance(30) ? pause(3) : Clock::now();
    }
    std::erase_if(connections, [](const std::unique_ptr<TConnection>& c) {
      const bool done =
          c->sent == std::string::npos || (c->answering() && c->sent == c->response.size());
      if (done) ::close(c->fd);
      return done;
    });
  }
  for (const auto& c : connections) ::close(c->fd);
}

}  // namespace korvane::testing
