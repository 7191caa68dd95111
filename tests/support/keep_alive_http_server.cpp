#include "support/keep_alive_http_server.h"

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

#include <brotli/encode.h>
#include <zlib.h>

#include "base/text_case.h"
#include "support/loopback_http_server.h"

namespace korvane::testing {

using Clock = std::chrono::steady_clock;

std::string Compressed(std::string_view body, std::string_view coding) {
  if (coding == "br") {
    std::string out(BrotliEncoderMaxCompressedSize(body.size()) + 16, '\0');
    std::size_t size = out.size();
    BrotliEncoderCompress(2, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_GENERIC, body.size(),
                          reinterpret_cast<const std::uint8_t*>(body.data()), &size,
                          reinterpret_cast<std::uint8_t*>(out.data()));
    out.resize(size);
    return out;
  }
  const int window = coding == "gzip" ? 15 + 16 : coding == "zlib" ? 15 : -15;
  z_stream z{};
  deflateInit2(&z, 1, Z_DEFLATED, window, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(body.size())) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
  z.avail_in = static_cast<uInt>(body.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string Chunked(std::string_view body, std::uint32_t seed, std::size_t largest) {
  std::mt19937 random(seed);
  std::string out;
  char size_line[40];
  for (std::size_t at = 0; at < body.size();) {
    const std::size_t size = std::min<std::size_t>(
        body.size() - at, std::uniform_int_distribution<std::size_t>(1, largest)(random));
    std::snprintf(size_line, sizeof size_line, random() % 2 ? "%zx" : "%zX", size);
    out += size_line;
    if (random() % 5 == 0) out += ";ext=\"a b\"";
    out += "\r\n";
    out.append(body.substr(at, size));
    out += "\r\n";
    at += size;
  }
  out += "0\r\n";
  if (random() % 3 == 0) out += "X-Checksum: 1\r\nX-Other: 2\r\n";
  return out + "\r\n";
}

struct TKeepAliveHttpServer::TConnection {
  int fd = -1;
  std::string request;
  std::string response;  // empty while no answer is being sent
  std::size_t sent = 0;
  int answered = 0;
  bool close_after = false;
  bool gone = false;
  Clock::time_point ready_at;
  Clock::time_point idle_close_at = Clock::time_point::max();
};

TKeepAliveHttpServer::TKeepAliveHttpServer(std::map<std::string, TServedFile> files,
                                           std::uint32_t seed)
    : files_(std::move(files)), seed_(seed), draws_(seed * 7919u) {
  listen_fd_ = BoundLoopbackSocket(port_);
  ::listen(listen_fd_, 64);
  ::fcntl(listen_fd_, F_SETFL, O_NONBLOCK);
  thread_ = std::thread([this] { Serve(); });
}

TKeepAliveHttpServer::~TKeepAliveHttpServer() {
  stop_ = true;
  thread_.join();
  ::close(listen_fd_);
}

std::string TKeepAliveHttpServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::string TKeepAliveHttpServer::Answer(const std::string& request, bool& close) {
  std::mt19937 random(++draws_);
  auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
  const std::size_t start = request.find(' ') + 1;
  auto file = files_.find(request.substr(start, request.find(' ', start) - start));
  close = chance(12);
  const std::string version = chance(10) ? "HTTP/1.0" : "HTTP/1.1";
  std::string head = version;
  std::string body;
  if (file == files_.end()) {
    ++unknown_;
    head += " 404 Not Found\r\n";
  } else {
    head += " 200 OK\r\nContent-Type: " + file->second.ContentType + "\r\n";
    body = file->second.Body;
  }
  const bool accepts =
      AnsiLowerCase(request).find("accept-encoding: gzip, deflate, br") != std::string::npos;
  static constexpr std::string_view kCodings[] = {"gzip", "zlib", "raw", "br"};
  if (accepts && !body.empty() && chance(60)) {
    const std::string_view coding = kCodings[random() % 4];
    body = Compressed(body, coding);
    head += "Content-Encoding: " +
            std::string(coding == "zlib" || coding == "raw" ? "deflate" : coding) + "\r\n";
    ++coded_;
  }
  const int framing = static_cast<int>(random() % 100);
  if (version == "HTTP/1.1" && framing < 40) {
    head += "Transfer-Encoding: chunked\r\n";
    body = Chunked(body, static_cast<std::uint32_t>(random()));
    ++chunked_;
  } else if (framing < 90) {
    head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  } else {
    close = true;  // the body ends with the connection
  }
  if (version == "HTTP/1.0" && !close) head += "Connection: keep-alive\r\n";
  if (version == "HTTP/1.1" && close) head += "Connection: close\r\n";
  return head + "\r\n" + body;
}

void TKeepAliveHttpServer::Serve() {
  std::mt19937 random(seed_);
  auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
  auto later = [&](int most_ms) {
    return Clock::now() + std::chrono::microseconds(random() % (most_ms * 1000 + 1));
  };
  std::vector<std::unique_ptr<TConnection>> connections;
  while (!stop_) {
    std::vector<pollfd> polled{{listen_fd_, POLLIN, 0}};
    const Clock::time_point now = Clock::now();
    for (const auto& c : connections) {
      const bool answering = !c->response.empty();
      const short events = answering ? (c->ready_at <= now ? POLLOUT : 0) : POLLIN;
      polled.push_back({c->fd, events, 0});
    }
    ::poll(polled.data(), polled.size(), 1);
    if (polled[0].revents & POLLIN) {
      for (int fd; (fd = ::accept(listen_fd_, nullptr, nullptr)) >= 0;) {
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
        auto connection = std::make_unique<TConnection>();
        connection->fd = fd;
        connections.push_back(std::move(connection));
        ++connections_;
      }
    }
    for (std::size_t i = 1; i < polled.size() && i <= connections.size(); ++i) {
      TConnection& c = *connections[i - 1];
      if (c.response.empty()) {
        if (Clock::now() >= c.idle_close_at) {
          c.gone = true;  // closed after a while without a request
          continue;
        }
        if (!(polled[i].revents & (POLLIN | POLLHUP))) continue;
        char buffer[4096];
        const ssize_t n = ::read(c.fd, buffer, sizeof buffer);
        if (n <= 0) {
          c.gone = true;
          continue;
        }
        c.request.append(buffer, static_cast<std::size_t>(n));
        const std::size_t end = c.request.find("\r\n\r\n");
        if (end == std::string::npos) continue;
        if (c.answered > 0) ++reused_;
        // A server that closed its idle connection just as the request came: the first time a
        // connection is used again, then now and then.
        if (c.answered > 0 && (closed_on_request_ == 0 || chance(8))) {
          ++closed_on_request_;
          c.gone = true;
          continue;
        }
        c.response = Answer(c.request.substr(0, end + 4), c.close_after);
        c.request.erase(0, end + 4);
        c.sent = 0;
        c.idle_close_at = Clock::time_point::max();
        c.ready_at = later(5);
      } else if (polled[i].revents & (POLLOUT | POLLERR | POLLHUP)) {
        const std::size_t piece = random() % 3 == 0 ? 1 + random() % 16 : 1 + random() % 64000;
        const std::size_t count = std::min(piece, c.response.size() - c.sent);
        const ssize_t n = ::send(c.fd, c.response.data() + c.sent, count, MSG_NOSIGNAL);
        if (n < 0) {
          if (errno != EAGAIN && errno != EWOULDBLOCK) c.gone = true;
          continue;
        }
        c.sent += static_cast<std::size_t>(n);
        c.ready_at = chance(20) ? later(2) : Clock::now();
        if (c.sent < c.response.size()) continue;
        ++c.answered;
        c.response.clear();
        if (c.close_after) {
          c.gone = true;
        } else if (chance(15)) {
          c.idle_close_at = later(30);
        }
      }
    }
    std::erase_if(connections, [](const std::unique_ptr<TConnection>& c) {
      if (c->gone) ::close(c->fd);
      return c->gone;
    });
  }
  for (const auto& c : connections) ::close(c->fd);
}

}  // namespace korvane::testing
