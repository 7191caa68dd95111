#include "net/socket_library_asio.h"

#include <array>
#include <deque>
#include <map>
#include <optional>
#include <string>

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <asio.hpp>
#include <asio/ssl.hpp>

#include "net/name_resolver_asio.h"

namespace korvane {
namespace {

using asio::ip::tcp;
using TSteadyClock = std::chrono::steady_clock;
using TTlsStream = asio::ssl::stream<tcp::socket&>;

constexpr int kDefaultTimeoutSecs = 30;
// Sessions kept for resumption, one per server; a capture of many sites drops the oldest.
constexpr std::size_t kMaxTlsSessions = 256;

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

// What is wrong with a certificate that was refused, in a user's words.
std::string CertificateProblem(long verify_result, const std::string& server_name) {
  switch (verify_result) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return "the server's certificate has expired";
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return "the server's certificate is not valid yet";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return "the server's certificate is for another host name than " + server_name;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
      return "the server's certificate is self-signed: its issuer is unknown";
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
      return "the server's certificate comes from an unknown issuer";
    case X509_V_ERR_CERT_REVOKED:
      return "the server's certificate was revoked";
    default:
      return std::string("the server's certificate is refused: ") +
             X509_verify_cert_error_string(verify_result);
  }
}

// The connection whose TLS stream an OpenSSL callback is about.
int ConnectionIndex() {
  static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

int NewTlsSession(SSL* ssl, SSL_SESSION* session);

}  // namespace

// One connection attempt. Completion handlers hold it alive; once `ended` is set (by the end
// callback or by Abort) they return without calling back, so exactly one end is reported.
struct TConnection : std::enable_shared_from_this<TConnection> {
  enum TEnd { kNoHost, kFail, kCut };

  TConnection(TAsioSocketLibrary::TImpl& lib, TScxHandle h, int timeout_secs);

  void Start(std::string host, std::string port);
  void Resolved(const TNameResolver::TEndpoints& endpoints);
  void Connected(const asio::error_code& ec, const tcp::endpoint& endpoint);
  // Begins the TLS handshake; then reports the connection (`then_connect`) and that it can write.
  void BeginTls(const TTlsRequest& request, bool then_connect);
  void TlsReady(const asio::error_code& ec, const TTlsRequest& request, bool then_connect);
  void Ready();
  void ReadNext();
  void Read(std::uint64_t generation, const asio::error_code& ec, std::size_t n);
  void WriteNext();
  void Queue(std::string_view bytes);
  void WaitDeadline();
  void Touch() { deadline = TSteadyClock::now() + timeout; }
  void Stop();
  void End(TEnd how, const TNetError& error = {});

  TAsioSocketLibrary::TImpl& lib;
  TScxHandle handle;
  std::string port;
  std::uint64_t lookup = 0;  // the name lookup under way, 0 once answered
  tcp::socket socket;
  std::unique_ptr<TTlsStream> tls;         // once the connection is a secure one
  std::optional<TTlsRequest> tls_request;  // Go asked for a secure connection
  std::string session_key;
  std::string distant_ip;
  asio::steady_timer timer;
  std::chrono::seconds timeout;
  TSteadyClock::time_point deadline;
  std::array<char, 16384> input;
  std::deque<std::string> outbox;
  std::string sending;
  // Reads are numbered: one started before TLS took over the socket ends without a word.
  std::uint64_t read_generation = 0;
  bool reading = false;           // a read is under way
  bool in_read_callback = false;  // the owner is being handed received bytes
  bool flush_posted = false;
  bool connected = false;  // the TCP connection is up
  bool ready = false;      // bytes can be sent (a secure connection: its handshake is done)
  bool writing = false;
  bool ended = false;
};

struct TAsioSocketLibrary::TImpl {
  asio::io_context context;  // first: destroyed after the connections' sockets
  TAsioPump pump{context};
  TNameResolver resolver{context};
  TSocketCallbacks* callbacks = nullptr;
  // TLS configurations by the trust they add and whether they check at all; an SSL holds its
  // context alive, so a connection may outlive this map.
  std::map<std::pair<std::string, bool>, std::unique_ptr<asio::ssl::context>> tls_contexts;
  // The last session of each server, offered again to skip the full handshake.
  std::map<std::string, SSL_SESSION*> tls_sessions;
  std::deque<std::string> tls_session_order;
  std::map<TScxHandle, std::shared_ptr<TConnection>> connections;
  TScxHandle last_handle = 0;

  ~TImpl() {
    for (auto& [key, session] : tls_sessions) SSL_SESSION_free(session);
  }

  TScxHandle NextHandle() {
    do ++last_handle;
    while (last_handle == 0 || connections.count(last_handle));
    return last_handle;
  }

  // The context for `request`, made once; null with `error` set when its trust cannot be read.
  asio::ssl::context* TlsContext(const TTlsRequest& request, std::string& error) {
    const auto key =
        std::make_pair(request.Verify ? request.CaFile : std::string(), request.Verify);
    auto found = tls_contexts.find(key);
    if (found != tls_contexts.end()) return found->second.get();
    auto made = std::make_unique<asio::ssl::context>(asio::ssl::context::tls_client);
    SSL_CTX* native = made->native_handle();
    SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION);
    asio::error_code ec;
    if (request.Verify) {
      made->set_default_verify_paths(ec);
      if (!request.CaFile.empty()) {
        made->load_verify_file(request.CaFile, ec);
        if (ec) {
          error = "the certificates of " + request.CaFile + " cannot be read";
          return nullptr;
        }
      }
      made->set_verify_mode(asio::ssl::verify_peer, ec);
    } else {
      made->set_verify_mode(asio::ssl::verify_none, ec);
    }
    SSL_CTX_set_session_cache_mode(native,
                                   SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(native, NewTlsSession);
    return tls_contexts.emplace(key, std::move(made)).first->second.get();
  }

  void KeepSession(const std::string& key, SSL_SESSION* session) {
    auto [at, added] = tls_sessions.emplace(key, session);
    if (!added) {
      SSL_SESSION_free(at->second);
      at->second = session;
      return;
    }
    tls_session_order.push_back(key);
    if (tls_session_order.size() <= kMaxTlsSessions) return;
    auto oldest = tls_sessions.find(tls_session_order.front());
    SSL_SESSION_free(oldest->second);
    tls_sessions.erase(oldest);
    tls_session_order.pop_front();
  }
};

namespace {

// OpenSSL hands over each session the server offers for later connections; TLS 1.3 servers send
// them after the handshake.
int NewTlsSession(SSL* ssl, SSL_SESSION* session) {
  auto* c = static_cast<TConnection*>(SSL_get_ex_data(ssl, ConnectionIndex()));
  if (!c || c->ended || !SSL_SESSION_is_resumable(session)) return 0;
  c->lib.KeepSession(c->session_key, session);
  return 1;  // the reference is the library's now
}

}  // namespace

TConnection::TConnection(TAsioSocketLibrary::TImpl& l, TScxHandle h, int timeout_secs)
    : lib(l),
      handle(h),
      socket(l.context),
      timer(l.context),
      timeout(timeout_secs > 0 ? timeout_secs : kDefaultTimeoutSecs) {}

void TConnection::Start(std::string host, std::string service) {
  port = service;
  Touch();
  WaitDeadline();
  lookup =
      lib.resolver.Resolve(std::move(host), std::move(service),
                           [self = shared_from_this()](const TNameResolver::TEndpoints& found) {
                             self->lookup = 0;
                             self->Resolved(found);
                           });
}

void TConnection::Resolved(const TNameResolver::TEndpoints& endpoints) {
  if (ended) return;
  if (endpoints.empty()) return End(kNoHost);
  lib.callbacks->OkHost(handle);
  if (ended) return;
  asio::async_connect(
      socket, endpoints,
      [self = shared_from_this()](const asio::error_code& e, const tcp::endpoint& ep) {
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
  distant_ip = endpoint.address().to_string();
  // A secure connection is reported once its handshake is done.
  if (tls_request) return BeginTls(*tls_request, true);
  lib.callbacks->Connect(handle, distant_ip);
  if (ended) return;
  Ready();
}

void TConnection::BeginTls(const TTlsRequest& request, bool then_connect) {
  std::string error;
  asio::ssl::context* context = lib.TlsContext(request, error);
  if (!context) return End(kFail, {TNetError::kTls, error});
  tls = std::make_unique<TTlsStream>(socket, *context);
  SSL* ssl = tls->native_handle();
  SSL_set_ex_data(ssl, ConnectionIndex(), this);
  asio::error_code not_an_address;
  // Only whether the name parses as an address matters here.
  (void)asio::ip::make_address(request.ServerName, not_an_address);
  const bool is_address = !not_an_address;
  // The server's name goes in the handshake (SNI) so that a server of several sites shows the
  // right certificate; an address is not a name and is not sent.
  if (!is_address) SSL_set_tlsext_host_name(ssl, request.ServerName.c_str());
  if (request.Verify) {
    if (is_address) {
      X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), request.ServerName.c_str());
    } else {
      SSL_set1_host(ssl, request.ServerName.c_str());
    }
  }
  session_key =
      request.ServerName + ":" + port + "|" + (request.Verify ? "1" : "0") + "|" + request.CaFile;
  if (auto known = lib.tls_sessions.find(session_key); known != lib.tls_sessions.end()) {
    SSL_set_session(ssl, known->second);
  }
  Touch();
  tls->async_handshake(asio::ssl::stream_base::client, [self = shared_from_this(), request,
                                                        then_connect](const asio::error_code& e) {
    self->TlsReady(e, request, then_connect);
  });
}

void TConnection::TlsReady(const asio::error_code& ec, const TTlsRequest& request,
                           bool then_connect) {
  if (ended) return;
  if (ec) {
    const long verified = SSL_get_verify_result(tls->native_handle());
    if (request.Verify && verified != X509_V_OK) {
      return End(kFail, {TNetError::kTls, CertificateProblem(verified, request.ServerName)});
    }
    if (ec == asio::error::eof || ec == asio::ssl::error::stream_truncated ||
        ec == asio::error::connection_reset) {
      return End(kFail, {TNetError::kTls,
                         "the server closed the connection during the TLS "
                         "handshake"});
    }
    return End(kFail, {TNetError::kTls, "the TLS handshake failed (" + ec.message() + ")"});
  }
  Touch();
  if (then_connect) {
    lib.callbacks->Connect(handle, distant_ip);
    if (ended) return;
  }
  Ready();
}

void TConnection::Ready() {
  ready = true;
  lib.callbacks->CanWrite(handle);
  if (ended) return;
  WriteNext();
  ReadNext();
}

void TConnection::ReadNext() {
  reading = true;
  auto done = [self = shared_from_this(), generation = read_generation](
                  const asio::error_code& ec, std::size_t n) { self->Read(generation, ec, n); };
  if (tls) {
    tls->async_read_some(asio::buffer(input), std::move(done));
  } else {
    socket.async_read_some(asio::buffer(input), std::move(done));
  }
}

void TConnection::Read(std::uint64_t generation, const asio::error_code& ec, std::size_t n) {
  if (ended || generation != read_generation) return;
  reading = false;
  if (n > 0) {
    Touch();
    in_read_callback = true;
    lib.callbacks->Data(handle, input.data(), static_cast<int>(n));
    in_read_callback = false;
    // The owner may have ended the connection, or made it a secure one, from its callback.
    if (ended || generation != read_generation) return;
  }
  // A server that ended its TLS session properly leaves the session fit to be resumed (OpenSSL
  // drops the session of a connection freed without that). One that closes without saying
  // goodbye cuts the connection all the same: the body's length tells whether it is whole.
  if (ec == asio::error::eof && tls) {
    SSL* ssl = tls->native_handle();
    SSL_set_shutdown(ssl, SSL_get_shutdown(ssl) | SSL_SENT_SHUTDOWN);
  }
  if (ec) return End(kCut);
  ReadNext();
}

// The pieces a caller sends one after another go out in one write: separate small writes would
// wait on the peer's delayed acknowledgements.
void TConnection::WriteNext() {
  if (writing || outbox.empty() || !ready) return;
  writing = true;
  sending.clear();
  for (const std::string& piece : outbox) sending += piece;
  outbox.clear();
  auto done = [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
    self->writing = false;
    if (self->ended) return;
    if (ec) return self->End(kCut);
    self->WriteNext();
  };
  if (tls) {
    asio::async_write(*tls, asio::buffer(sending), std::move(done));
  } else {
    asio::async_write(socket, asio::buffer(sending), std::move(done));
  }
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
      return self->End(kFail,
                       {TNetError::kTimedOut,
                        "no answer within " + std::to_string(self->timeout.count()) + " seconds"});
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

void TConnection::End(TEnd how, const TNetError& error) {
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

// Nothing it calls throws: asio's timer cancel() throws only for an error its reactor never sets.
TAsioSocketLibrary::~TAsioSocketLibrary() {  // NOLINT(bugprone-exception-escape)
  Shut();
}

void TAsioSocketLibrary::Init(TSocketCallbacks* callbacks) { impl_->callbacks = callbacks; }

void TAsioSocketLibrary::Shut() {
  while (!impl_->connections.empty()) Abort(impl_->connections.begin()->first);
  impl_->callbacks = nullptr;
}

TScxHandle TAsioSocketLibrary::Go(std::string_view host, std::string_view port, int timeout_secs,
                                  const TTlsRequest* tls) {
  if (!impl_->callbacks) return 0;
  TScxHandle handle = impl_->NextHandle();
  auto connection = std::make_shared<TConnection>(*impl_, handle, timeout_secs);
  if (tls) connection->tls_request = *tls;
  impl_->connections[handle] = connection;
  connection->Start(std::string(host), std::string(port));
  return handle;
}

bool TAsioSocketLibrary::StartTls(TScxHandle handle, const TTlsRequest& tls) {
  auto it = impl_->connections.find(handle);
  if (it == impl_->connections.end()) return false;
  std::shared_ptr<TConnection> c = it->second;
  if (!c->ready || c->tls || c->writing) return false;
  c->ready = false;
  // The plain read under way must not take the server's first TLS bytes: it ends unheard.
  ++c->read_generation;
  if (c->reading && !c->in_read_callback) {
    asio::error_code ignored;
    c->socket.cancel(ignored);
  }
  c->reading = false;
  // Begun from the pump, not from inside the caller's callback, so that a failure reaches the
  // caller as an event of its own.
  asio::post(impl_->context, [c, tls] {
    if (!c->ended) c->BeginTls(tls, false);
  });
  return true;
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

TMessagePump& TAsioSocketLibrary::Pump() { return impl_->pump; }

int TAsioSocketLibrary::EventHandle() {
  auto& reactor = asio::use_service<asio::detail::epoll_reactor>(impl_->context);
  // Makes the reactor the context's task, so that polling the context waits on its descriptor.
  reactor.init_task();
  return reactor.*ReactorFd(TReactorFdTag{});
}

}  // namespace korvane
