#include "base/message_pump.h"

namespace korvane {

void TQueuedMessagePump::Post(std::function<void()> message) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(message));
  }
  posted_.notify_one();
}

void TQueuedMessagePump::ProcessMessages() {
  // Only what is pending now runs: a message that posts another does not starve the caller.
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard lock(mutex_);
    batch.swap(queue_);
  }
  for (auto& message : batch) message();
}

bool TQueuedMessagePump::WaitMessages(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return posted_.wait_for(lock, timeout, [this] { return !queue_.empty(); });
}

bool TQueuedMessagePump::HasPending() const {
  std::lock_guard lock(mutex_);
  return !queue_.empty();
}

}  // namespace korvane
