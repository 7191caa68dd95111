// TKeepAliveHttpServer: an HTTP/1.1 server on 127.0.0.1 that serves a fixed set of files to many
// connections at once, each connection for as many requests as it chooses. Every answer draws,
// from a seed, how it travels: a Content-Length, chunks of random sizes (with extensions and
// trailers now and then), or no length and the connection's close; gzip, zlib or bare deflate,
// br or no coding, when the request accepts them; kept, or closed (Connection: close, an
// HTTP/1.0 answer). A kept connection may be closed after a short idle time, or as the next
// request arrives (always the first time one is used again), as busy servers close theirs. The
// bytes go out in random pieces.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <thread>

#include "support/shuffling_http_server.h"

namespace korvane::testing {

class TKeepAliveHttpServer {
 public:
  // `files` by request target; anything else is answered 404.
  TKeepAliveHttpServer(std::map<std::string, TServedFile> files, std::uint32_t seed);
  ~TKeepAliveHttpServer();
  TKeepAliveHttpServer(const TKeepAliveHttpServer&) = delete;
  TKeepAliveHttpServer& operator=(const TKeepAliveHttpServer&) = delete;

  std::string Url(std::string_view path = "/") const;
  int UnknownRequests() const { return unknown_.load(); }
  // What was drawn, counted: requests on a connection that answered before, answers chunked or
  // coded, kept connections closed as a request came.
  int ReusedRequests() const { return reused_.load(); }
  int ChunkedAnswers() const { return chunked_.load(); }
  int CodedAnswers() const { return coded_.load(); }
  int ClosedOnRequest() const { return closed_on_request_.load(); }
  int Connections() const { return connections_.load(); }

 private:
  struct TConnection;
  void Serve();
  // The answer to `request`; `close` says whether the connection ends after it.
  std::string Answer(const std::string& request, bool& close);

  std::map<std::string, TServedFile> files_;
  std::uint32_t seed_;
  std::uint32_t draws_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> unknown_{0}, reused_{0}, chunked_{0}, coded_{0}, closed_on_request_{0};
  std::atomic<int> connections_{0};
  std::thread thread_;
};

// The bytes of `body` coded as `coding` says: "gzip", "zlib" (deflate as its RFC names it),
// "raw" (deflate without zlib's frame) or "br".
std::string Compressed(std::string_view body, std::string_view coding);
// `body` in the chunked transfer coding, cut in chunks of 1 to `largest` bytes drawn from `seed`.
std::string Chunked(std::string_view body, std::uint32_t seed, std::size_t largest = 5000);

}  // namespace korvane::testing
