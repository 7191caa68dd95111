#include "net/scx.h"

#include <algorithm>
#include <vector>

#include "base/short_string.h"

namespace korvane {

// Finds the component a callback is for: the first live component holding the callback's
// handle. Handle 0 and handles nobody holds (an aborted connection) are dropped.
class TScxDispatcher final : public TSocketCallbacks {
 public:
  std::vector<TSCX*> live;

  void NoHost(TScxHandle h) override { Notify(h, scxNoHost, &TSCX::OnNoHost); }
  void OkHost(TScxHandle h) override { Notify(h, scxOkHost, &TSCX::OnOkHost); }
  void Fail(TScxHandle h) override { Notify(h, scxFail, &TSCX::OnFail); }
  void Cut(TScxHandle h) override { Notify(h, scxCut, &TSCX::OnCut); }
  void CanWrite(TScxHandle h) override {
    if (TSCX* c = Find(h); c && c->OnCanWrite) c->OnCanWrite(*c);
  }
  void Connect(TScxHandle h, std::string_view distant_ip) override {
    TSCX* c = Find(h);
    if (!c) return;
    c->State = scxConnect;
    if (c->OnConnect) c->OnConnect(*c, std::string(distant_ip.substr(0, kDistantIpMax)));
  }
  void Data(TScxHandle h, const char* buf, int len) override {
    if (TSCX* c = Find(h); c && c->OnData) c->OnData(*c, buf, len);
  }
  void ServerConnect(TScxHandle h, int channel, std::string_view distant_ip) override {
    if (TSCX* c = Find(h); c && c->OnServerConnect)
      c->OnServerConnect(*c, channel, std::string(distant_ip.substr(0, kDistantIpMax)));
  }
  void ServerCut(TScxHandle h, int channel) override {
    if (TSCX* c = Find(h); c && c->OnServerCut) c->OnServerCut(*c, channel);
  }
  void ServerCanWrite(TScxHandle h, int channel) override {
    if (TSCX* c = Find(h); c && c->OnServerCanWrite) c->OnServerCanWrite(*c, channel);
  }
  void ServerData(TScxHandle h, const char* buf, int len, int channel) override {
    if (TSCX* c = Find(h); c && c->OnServerData) c->OnServerData(*c, buf, len, channel);
  }

 private:
  TSCX* Find(TScxHandle h) const {
    if (h == 0) return nullptr;
    auto it = std::find_if(live.begin(), live.end(), [h](TSCX* c) { return c->handle_ == h; });
    return it == live.end() ? nullptr : *it;
  }

  // The state changes before the handler runs, so a handler sees the outcome it reports.
  void Notify(TScxHandle h, TSCX_State state, TSCX::TNotifyEvent TSCX::*event) {
    TSCX* c = Find(h);
    if (!c) return;
    c->State = state;
    if (c->*event) (c->*event)(*c);
  }
};

namespace {

TScxDispatcher& Dispatcher() {
  static TScxDispatcher dispatcher;
  return dispatcher;
}

TSocketLibrary* library = nullptr;

std::function<void(std::string_view)>& WarningHandler() {
  static std::function<void(std::string_view)> handler;
  return handler;
}

}  // namespace

void InstallSocketLibrary(TSocketLibrary* new_library) {
  if (library) UninstallSocketLibrary();
  library = new_library;
  if (library) library->Init(&Dispatcher());
}

void UninstallSocketLibrary() {
  if (!library) return;
  for (TSCX* c : Dispatcher().live) c->Abort();
  library->Shut();
  library = nullptr;
}

bool SocketLibraryLoaded() {
  return library != nullptr;
}

void SetSocketWarningHandler(std::function<void(std::string_view)> handler) {
  WarningHandler() = std::move(handler);
}

TSCX::TSCX() {
  auto& live = Dispatcher().live;
  if (live.empty() && !library && WarningHandler()) WarningHandler()(kNoSocketLibraryWarning);
  live.push_back(this);
}

TSCX::~TSCX() {
  Abort();
  auto& live = Dispatcher().live;
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

TScxHandle TSCX::Go(std::string_view host, std::string_view port, int timeout_secs) {
  if (!library) return 0;
  Host = ShortString(host);
  Port = ShortString(port);
  TimeoutSecs = timeout_secs;
  handle_ = library->Go(Host, Port, timeout_secs);
  return handle_;
}

int TSCX::Send(std::string_view bytes) {
  if (handle_ == 0 || !library) return 0;
  return library->Send(handle_, bytes);
}

void TSCX::Abort() {
  if (handle_ == 0 || !library) return;
  library->Abort(handle_);
  handle_ = 0;
}

}  // namespace korvane
