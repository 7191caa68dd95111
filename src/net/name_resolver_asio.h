// TNameResolver: host names looked up for the Asio socket library on worker threads of its own
// (the system's lookup blocks), the answers handed back on the thread that pumps the library.
// Each answer arrives through a pipe that the library's reactor watches, so that an event loop
// waiting on the library's event handle wakes for it; Asio's own resolver posts its answers in a
// way that wakes only a thread blocked inside the context, not a loop that polls it.
// Internal to the Asio library: this header includes Asio.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <asio.hpp>

namespace korvane {

class TNameResolver {
 public:
  using TEndpoints = std::vector<asio::ip::tcp::endpoint>;
  // An empty list of endpoints when the name is unknown.
  using TDone = std::function<void(TEndpoints endpoints)>;

  explicit TNameResolver(asio::io_context& context);
  // Waits for the lookups under way (the system's own time-outs bound them).
  ~TNameResolver();
  TNameResolver(const TNameResolver&) = delete;
  TNameResolver& operator=(const TNameResolver&) = delete;

  // Starts looking `host` up for `port` (decimal text); `done` is called later, on the pumping
  // thread, unless the lookup is cancelled first. Returns the lookup's number.
  std::uint64_t Resolve(std::string host, std::string port, TDone done);
  void Cancel(std::uint64_t id);

 private:
  struct TQuery {
    std::uint64_t id;
    std::string host, port;
  };
  struct TAnswer {
    std::uint64_t id;
    TEndpoints endpoints;
  };

  void Work();
  void WaitForAnswers();
  void DeliverAnswers();

  // Shared with the workers, under mutex_.
  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<TQuery> queries_;
  std::deque<TAnswer> answers_;
  bool stopping_ = false;
  int idle_workers_ = 0;

  // The pumping thread's own.
  int pipe_[2] = {-1, -1};
  asio::posix::stream_descriptor watch_;
  std::vector<std::thread> workers_;
  std::map<std::uint64_t, TDone> pending_;
  std::uint64_t last_id_ = 0;
};

}  // namespace korvane
