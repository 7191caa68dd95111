// TShufflingHttpServer: an HTTP/1.0 server on 127.0.0.1 that serves a fixed set of files to many
// connections at once and answers them in an order of its own: every response is held a random
// while, then sent in random pieces interleaved with the other connections' pieces, as a busy
// server on a real network would. The order comes from a seed, so that a failure can be run
// again. Some bodies go without a Content-Length and end when the connection closes.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace korvane::testing {

struct TServedFile {
  std::string ContentType;
  std::string Body;
};

class TShufflingHttpServer {
 public:
  // `files` by request target ("/a/b.png"); anything else is answered 404.
  TShufflingHttpServer(std::map<std::string, TServedFile> files, std::uint32_t seed);
  ~TShufflingHttpServer();
  TShufflingHttpServer(const TShufflingHttpServer&) = delete;
  TShufflingHttpServer& operator=(const TShufflingHttpServer&) = delete;

  int Port() const { return port_; }
  std::string Url(std::string_view path = "/") const;
  // The most connections that were being answered at the same moment.
  int MostAtOnce() const { return most_at_once_.load(); }
  // Requests for a target the server does not have.
  int UnknownRequests() const { return unknown_.load(); }

 private:
  struct TConnection;
  void Serve();
  std::string Answer(const std::string& request, bool with_length);

  std::map<std::string, TServedFile> files_;
  std::uint32_t seed_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> most_at_once_{0};
  std::atomic<int> unknown_{0};
  std::thread thread_;
};

}  // namespace korvane::testing
