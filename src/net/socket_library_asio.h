// TAsioSocketLibrary: the production socket library, over standalone Asio. Every completion
// runs on the thread that pumps its io_context, so the callbacks reach the components on the
// program's one thread. Its message pump is what a front end installs to wait for the network.
// This header does not include Asio: only the library's own source does.
#pragma once

#include <chrono>
#include <memory>

#include "base/message_pump.h"
#include "net/socket_library.h"

namespace korvane {

// Uninstall it (UninstallSocketLibrary) before destroying it.
class TAsioSocketLibrary final : public TSocketLibrary {
 public:
  TAsioSocketLibrary();
  ~TAsioSocketLibrary() override;  // NOLINT(bugprone-exception-escape): see its definition

  void Init(TSocketCallbacks* callbacks) override;
  void Shut() override;
  // A non-positive time-out counts as the default of 30 seconds: no attempt waits forever.
  // Secure connections speak TLS 1.2 or 1.3, check the certificate against the system's store
  // (and the request's CaFile), and resume the last session of the same server when they can.
  TScxHandle Go(std::string_view host, std::string_view port, int timeout_secs,
                const TTlsRequest* tls = nullptr) override;
  bool StartTls(TScxHandle handle, const TTlsRequest& tls) override;
  // Queues the bytes; their count, or -1 for a handle that is not connected.
  int Send(TScxHandle handle, std::string_view bytes) override;
  void Abort(TScxHandle handle) override;

  // Runs the library's completions: the message pump of a front end that has no other one.
  TMessagePump& Pump();
  // A descriptor that becomes readable whenever the library has completions to run (socket
  // events, time-outs, resolved names), and stays quiet otherwise: an event loop watches it and
  // runs Pump().ProcessMessages() when it fires, so waiting on the network costs nothing.
  // POSIX only.
  int EventHandle();

  struct TImpl;

 private:
  std::unique_ptr<TImpl> impl_;
};

}  // namespace korvane
