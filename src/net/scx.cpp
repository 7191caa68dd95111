#include "net/scx.h"

#include "base/short_string.h"
#include "net/socket_hub.h"

namespace korvane {

TSCX::TSCX(TSocketHub& hub) : hub_(hub) { hub_.Register(this); }

TSCX::~TSCX() {
  Abort();
  hub_.Unregister(this);
}

TScxHandle TSCX::Go(std::string_view host, std::string_view port, int timeout_secs,
                    const TTlsRequest* tls) {
  TSocketLibrary* library = hub_.Library();
  if (!library) return 0;
  Host = ShortString(host);
  Port = ShortString(port);
  TimeoutSecs = timeout_secs;
  handle_ = library->Go(Host, Port, timeout_secs, tls);
  return handle_;
}

bool TSCX::StartTls(const TTlsRequest& tls) {
  TSocketLibrary* library = hub_.Library();
  return handle_ != 0 && library && library->StartTls(handle_, tls);
}

int TSCX::Send(std::string_view bytes) {
  TSocketLibrary* library = hub_.Library();
  if (handle_ == 0 || !library) return 0;
  return library->Send(handle_, bytes);
}

void TSCX::Abort() {
  TSocketLibrary* library = hub_.Library();
  if (handle_ == 0 || !library) return;
  library->Abort(handle_);
  handle_ = 0;
}

}  // namespace korvane
