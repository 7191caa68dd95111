#include "net/socket_library_asio.h"

#include <array>
#include <deque>
#include <map>
#include <string>

#include <asio.hpp>

#include "net/name_resolver_asio.h"

namespace korvane {
namespace {

using asio::ip::tcp;
using TSteadyClock = std::chrono::steady_clock;

constexpr int kDefaultTimeoutSecs = 30;

class TAsioPump final : public TMessagePump {
 public:
  explicit TAsioPump(asio::io_context& context)
      : context_(context), keep_waiting_(asio::make_work_guard(context)) {}

  void ProcessMessages() override {
    context_.poll();
    if (context_.stopped()) context_.restart();
  }

  // Runs the first completion that arrives within `timeout`, if any.
  bool WaitMessages(std::chrono::milliseconds timeout) override {
    std::size_t ran = context_.run_one_for(timeout);
    if (context_.stopped()) context_.restart();
    return ran > 0;
  }

 private:
  asio::io_context& context_;
  // Without it a context with nothing under way returns at once and a waiting loop would spin.
  asio::executor_work_guard<asio::io_context::executor_type> keep_waiting_;
};

// Asio keeps its reactor's epoll descriptor private. An explicit instantiation may name a private
// member; the instantiated class hands the member's pointer out through a friend function.
struct TReactorFdTag {};
int asio::detail::epoll_reactor::*ReactorFd(TReactorFdTag);
template <int asio::detail::epoll_reactor::*Member>
struct TReactorFdAccess {
  friend int asio::detail::epoll_reactor::*ReactorFd(TReactorFdTag) { return Member; }
};
template struct TReactorFdAccess<&asio::detail::epoll_reactor::epoll_fd_>;

// What a failed connect means to a user.
TNetError ConnectError(const asio::error_code& ec) {
  if (ec == asio::error::connection_refused) return {TNetError::kRefused, "connection refused"};
  if (ec == asio::error::timed_out) return {TNetError::kTimedOut, "connection timed out"};
  if (ec == asio::error::network_unreachable || ec == asio::error::host_unreachable) {
    return {TNetError::kUnreachable, ec.message()};
  }
  return {TNetError::kOther, ec.message()};
}

}  // namespace

// One connection attempt. Completion handlers hold it alive; once `ended` is set (by the end
// callback or by Abort) they return without calling back, so exactly one end is reported.
struct TConnection : std::enable_shared_from_this<TConnection> {
  enum TEnd { kNoHost, kFail, kCut };

  TConnection(TAsioSocketLibrary::TImpl& lib, TScxHandle h, int timeout_secs);

  void Start(std::string host, std::string port);
  void Resolved(const TNameResolver::TEndpoints& endpoints);
  void Connected(const asio::error_code& ec, const tcp::endpoint& endpoint);
  void ReadNext();
  void WriteNext();
  void Queue(std::string_view bytes);
  void WaitDeadline();
  void Touch() { deadline = TSteadyClock::now() + timeout; }
  void Stop();
  void End(TEnd how, TNetError error = {});

  TAsioSocketLibrary::TImpl& lib;
  TScxHandle handle;
  std::uint64_t lookup = 0;  // the name lookup under way, 0 once answered
  tcp::socket socket;
  asio::steady_timer timer;
  std::chrono::seconds timeout;
  TSteadyClock::time_point deadline;
  std::array<char, 16384> input;
  std::deque<std::string> outbox;
  std::string sending;
  bool flush_posted = false;
  bool connected = false;
  bool writing = false;
  bool ended = false;
};

struct TAsioSocketLibrary::TImpl {
  asio::io_context context;  // first: destroyed after the connections' sockets
  TAsioPump pump{context};
  TNameResolver resolver{context};
  TSocketCallbacks* callbacks = nullptr;
  std::map<TScxHandle, std::shared_ptr<TConnection>> connections;
  TScxHandle last_handle = 0;

  TScxHandle NextHandle() {
    do ++last_handle;
    while (last_handle == 0 || connections.count(last_handle));
    return last_handle;
  }
};

TConnection::TConnection(TAsioSocketLibrary::TImpl& l, TScxHandle h, int timeout_secs)
    : lib(l),
      handle(h),
      socket(l.context),
      timer(l.context),
      timeout(timeout_secs > 0 ? timeout_secs : kDefaultTimeoutSecs) {}

void TConnection::Start(std::string host, std::string port) {
  Touch();
  WaitDeadline();
  lookup = lib.resolver.Resolve(std::move(host), std::move(port),
                                [self = shared_from_this()](TNameResolver::TEndpoints found) {
                                  self->lookup = 0;
                                  self->Resolved(found);
                                });
}

void TConnection::Resolved(const TNameResolver::TEndpoints& endpoints) {
  if (ended) return;
  if (endpoints.empty()) return End(kNoHost);
  lib.callbacks->OkHost(handle);
  if (ended) return;
  asio::async_connect(socket, endpoints,
                      [self = shared_from_this()](const asio::error_code& e, tcp::endpoint ep) {
                        self->Connected(e, ep);
                      });
}

void TConnection::Connected(const asio::error_code& ec, const tcp::endpoint& endpoint) {
  if (ended) return;
  if (ec) return End(kFail, ConnectError(ec));
  connected = true;
  Touch();
  asio::error_code ignored;
  socket.set_option(tcp::no_delay(true), ignored);
  lib.callbacks->Connect(handle, endpoint.address().to_string());
  if (ended) return;
  lib.callbacks->CanWrite(handle);
  if (ended) return;
  WriteNext();
  ReadNext();
}

void TConnection::ReadNext() {
  socket.async_read_some(
      asio::buffer(input), [self = shared_from_this()](const asio::error_code& ec, std::size_t n) {
        if (self->ended) return;
        if (n > 0) {
          self->Touch();
          self->lib.callbacks->Data(self->handle, self->input.data(), static_cast<int>(n));
          if (self->ended) return;
        }
        if (ec) return self->End(kCut);
        self->ReadNext();
      });
}

// The pieces a caller sends one after another go out in one write: separate small writes would
// wait on the peer's delayed acknowledgements.
void TConnection::WriteNext() {
  if (writing || outbox.empty() || !connected) return;
  writing = true;
  sending.clear();
  for (const std::string& piece : outbox) sending += piece;
  outbox.clear();
  asio::async_write(socket, asio::buffer(sending),
                    [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
                      self->writing = false;
                      if (self->ended) return;
                      if (ec) return self->End(kCut);
                      self->WriteNext();
                    });
}

void TConnection::Queue(std::string_view bytes) {
  outbox.emplace_back(bytes);
  if (writing || flush_posted) return;
  flush_posted = true;
  asio::post(lib.context, [self = shared_from_this()] {
    self->flush_posted = false;
    if (!self->ended) self->WriteNext();
  });
}

// One timer serves both the connection attempt and the peer's silences: activity only moves
// the deadline, and the timer checks it when it fires.
void TConnection::WaitDeadline() {
  timer.expires_at(deadline);
  timer.async_wait([self = shared_from_this()](const asio::error_code&) {
    if (self->ended) return;
    if (TSteadyClock::now() >= self->deadline) {
      return self->End(kFail, {TNetError::kTimedOut, "no answer within " +
                                                         std::to_string(self->timeout.count()) +
                                                         " seconds"});
    }
    self->WaitDeadline();
  });
}

void TConnection::Stop() {
  ended = true;
  asio::error_code ignored;
  if (lookup != 0) lib.resolver.Cancel(std::exchange(lookup, 0));
  timer.cancel();
  socket.close(ignored);
  lib.connections.erase(handle);  // `this` stays alive through the handlers' references
}

void TConnection::End(TEnd how, TNetError error) {
  auto self = shared_from_this();
  Stop();
  TSocketCallbacks* cb = lib.callbacks;
  if (!cb) return;
  switch (how) {
    case kNoHost:
      cb->NoHost(handle);
      break;
    case kFail:
      cb->Fail(handle, error);
      break;
    case kCut:
      cb->Cut(handle);
      break;
  }
}

TAsioSocketLibrary::TAsioSocketLibrary() : impl_(std::make_unique<TImpl>()) {}

TAsioSocketLibrary::~TAsioSocketLibrary() {
  Shut();
}

void TAsioSocketLibrary::Init(TSocketCallbacks* callbacks) {
  impl_->callbacks = callbacks;
}

void TAsioSocketLibrary::Shut() {
  while (!impl_->connections.empty()) Abort(impl_->connections.begin()->first);
  impl_->callbacks = nullptr;
}

TScxHandle TAsioSocketLibrary::Go(std::string_view host, std::string_view port, int timeout_secs) {
  if (!impl_->callbacks) return 0;
  TScxHandle handle = impl_->NextHandle();
  auto connection = std::make_shared<TConnection>(*impl_, handle, timeout_secs);
  impl_->connections[handle] = connection;
  connection->Start(std::string(host), std::string(port));
  return handle;
}

int TAsioSocketLibrary::Send(TScxHandle handle, std::string_view bytes) {
  auto it = impl_->connections.find(handle);
  if (it == impl_->connections.end() || !it->second->connected) return -1;
  it->second->Queue(bytes);
  return static_cast<int>(bytes.size());
}

void TAsioSocketLibrary::Abort(TScxHandle handle) {
  auto it = impl_->connections.find(handle);
  if (it == impl_->connections.end()) return;
  auto connection = it->second;
  connection->Stop();
}

TMessagePump& TAsioSocketLibrary::Pump() {
  return impl_->pump;
}

int TAsioSocketLibrary::EventHandle() {
  auto& reactor = asio::use_service<asio::detail::epoll_reactor>(impl_->context);
  // Makes the reactor the context's task, so that polling the context waits on its descriptor.
  reactor.init_task();
  return reactor.*ReactorFd(TReactorFdTag{});
}

}  // namespace korvane
