#include "net/socket_hub.h"

#include <algorithm>
#include <exception>

#include "net/scx.h"

namespace korvane {

TSocketHub::TSocketHub(TSocketLibrary* library, std::function<void(std::string_view)> warning)
    : library_(library), warning_(std::move(warning)) {
  if (library_) library_->Init(this);
}

TSocketHub::~TSocketHub() { Shut(); }

void TSocketHub::Shut() {
  if (!library_) return;
  for (TSCX* c : live_) c->Abort();
  library_->Shut();
  library_ = nullptr;
}

void TSocketHub::Register(TSCX* component) {
  if (live_.empty() && !library_ && warning_) warning_(kNoSocketLibraryWarning);
  live_.push_back(component);
}

void TSocketHub::Unregister(TSCX* component) {
  live_.erase(std::remove(live_.begin(), live_.end(), component), live_.end());
}

// Handle 0 and handles nobody holds (an aborted connection) are dropped.
TSCX* TSocketHub::Find(TScxHandle h) const {
  if (h == 0) return nullptr;
  auto it = std::find_if(live_.begin(), live_.end(), [h](TSCX* c) { return c->handle_ == h; });
  return it == live_.end() ? nullptr : *it;
}

template <class Handler>
void TSocketHub::Guarded(TSCX& c, Handler&& handler) {
  std::string error;
  try {
    handler();
    return;
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "unknown error";
  }
  // The component's connection ends here; its owner learns why.
  c.Abort();
  if (!c.OnException) return;
  try {
    c.OnException(c, error);
  } catch (...) {
    // Nothing more can be done for this component, and nothing may reach the library's loop.
  }
}

// The state changes before the handler runs, so a handler sees the outcome it reports.
void TSocketHub::NoHost(TScxHandle h) {
  if (TSCX* c = Find(h)) {
    c->State = scxNoHost;
    if (c->OnNoHost) Guarded(*c, [c] { c->OnNoHost(*c); });
  }
}

void TSocketHub::OkHost(TScxHandle h) {
  if (TSCX* c = Find(h)) {
    c->State = scxOkHost;
    if (c->OnOkHost) Guarded(*c, [c] { c->OnOkHost(*c); });
  }
}

void TSocketHub::Fail(TScxHandle h, const TNetError& error) {
  if (TSCX* c = Find(h)) {
    c->State = scxFail;
    c->LastError = error;
    if (c->OnFail) Guarded(*c, [c] { c->OnFail(*c); });
  }
}

void TSocketHub::Cut(TScxHandle h) {
  if (TSCX* c = Find(h)) {
    c->State = scxCut;
    if (c->OnCut) Guarded(*c, [c] { c->OnCut(*c); });
  }
}

void TSocketHub::CanWrite(TScxHandle h) {
  if (TSCX* c = Find(h); c && c->OnCanWrite) Guarded(*c, [c] { c->OnCanWrite(*c); });
}

void TSocketHub::Connect(TScxHandle h, std::string_view distant_ip) {
  TSCX* c = Find(h);
  if (!c) return;
  c->State = scxConnect;
  if (!c->OnConnect) return;
  std::string ip(distant_ip.substr(0, kDistantIpMax));
  Guarded(*c, [c, &ip] { c->OnConnect(*c, ip); });
}

void TSocketHub::Data(TScxHandle h, const char* buf, int len) {
  if (TSCX* c = Find(h); c && c->OnData) Guarded(*c, [=] { c->OnData(*c, buf, len); });
}

}  // namespace korvane
