#include "net/name_resolver_asio.h"

#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace korvane {
namespace {

using asio::ip::tcp;

// Enough for the slots of a capture to look their hosts up at once.
constexpr std::size_t kMaxWorkers = 4;

TNameResolver::TEndpoints LookUp(const std::string& host, const std::string& port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  // No AI_ADDRCONFIG: a machine with only its loopback interface up must still find localhost.
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  TNameResolver::TEndpoints endpoints;
  if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) return endpoints;
  for (addrinfo* a = found; a; a = a->ai_next) {
    if ((a->ai_family != AF_INET && a->ai_family != AF_INET6) ||
        a->ai_addrlen > sizeof(sockaddr_storage)) {
      continue;
    }
    tcp::endpoint endpoint;
    std::memcpy(endpoint.data(), a->ai_addr, a->ai_addrlen);
    endpoint.resize(a->ai_addrlen);
    endpoints.push_back(endpoint);
  }
  ::freeaddrinfo(found);
  return endpoints;
}

}  // namespace

TNameResolver::TNameResolver(asio::io_context& context) : watch_(context) {
  if (::pipe2(pipe_, O_NONBLOCK | O_CLOEXEC) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot make the resolver's pipe");
  }
  watch_.assign(pipe_[0]);
  WaitForAnswers();
}

TNameResolver::~TNameResolver() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  queued_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  asio::error_code ignored;
  watch_.close(ignored);  // closes pipe_[0]
  ::close(pipe_[1]);
}

std::uint64_t TNameResolver::Resolve(std::string host, std::string port, TDone done) {
  const std::uint64_t id = ++last_id_;
  pending_[id] = std::move(done);
  bool more_workers = false;
  {
    std::lock_guard lock(mutex_);
    queries_.push_back({id, std::move(host), std::move(port)});
    more_workers = idle_workers_ == 0 && workers_.size() < kMaxWorkers;
  }
  if (more_workers) workers_.emplace_back([this] { Work(); });
  queued_.notify_one();
  return id;
}

void TNameResolver::Cancel(std::uint64_t id) { pending_.erase(id); }

void TNameResolver::Work() {
  std::unique_lock lock(mutex_);
  while (true) {
    ++idle_workers_;
    queued_.wait(lock, [this] { return stopping_ || !queries_.empty(); });
    --idle_workers_;
    if (stopping_) return;
    TQuery query = std::move(queries_.front());
    queries_.pop_front();
    lock.unlock();
    TEndpoints endpoints = LookUp(query.host, query.port);
    lock.lock();
    answers_.push_back({query.id, std::move(endpoints)});
    // One byte wakes the reactor; a full pipe already has the reader's attention.
    const char byte = 1;
    (void)!::write(pipe_[1], &byte, 1);
  }
}

void TNameResolver::WaitForAnswers() {
  watch_.async_wait(asio::posix::stream_descriptor::wait_read, [this](const asio::error_code& ec) {
    if (ec) return;  // closed
    DeliverAnswers();
    WaitForAnswers();
  });
}

void TNameResolver::DeliverAnswers() {
  char drain[64];
  while (::read(pipe_[0], drain, sizeof drain) > 0) {
  }
  std::deque<TAnswer> answers;
  {
    std::lock_guard lock(mutex_);
    answers.swap(answers_);
  }
  for (TAnswer& answer : answers) {
    auto it = pending_.find(answer.id);
    if (it == pending_.end()) continue;  // cancelled
    TDone done = std::move(it->second);
    pending_.erase(it);
    done(std::move(answer.endpoints));
  }
}

}  // namespace korvane
