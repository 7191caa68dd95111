// The program's one thread waits for work through a message pump that the front end owns: the
// command line pumps its socket library, the desktop program its event loop. The engine never
// pumps: its long work is a run that the front end steps, running the pump between steps and
// blocking in WaitMessages() instead of spinning when a run waits for the network.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace korvane {

class TMessagePump {
 public:
  virtual ~TMessagePump() = default;
  // Runs whatever is pending, then returns without waiting.
  virtual void ProcessMessages() = 0;
  // Blocks until something is pending or `timeout` has passed; true when something is pending.
  virtual bool WaitMessages(std::chrono::milliseconds timeout) = 0;
};

// A pump of posted closures. Posting is safe from any thread; the closures run on the thread
// that calls ProcessMessages(). It serves programs and tests that have no other event source.
class TQueuedMessagePump : public TMessagePump {
 public:
  void Post(std::function<void()> message);
  void ProcessMessages() override;
  bool WaitMessages(std::chrono::milliseconds timeout) override;
  bool HasPending() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace korvane
