// TSCX, the socket component: one outgoing TCP connection through the installed socket library.
// It turns the library's callbacks, which name a connection by its handle, into the state and
// events of the component that started that connection.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "net/socket_library.h"

namespace korvane {

class TSocketHub;

enum TSCX_State : std::uint8_t {
  scxIdle = 0,
  scxNoHost = 2,
  scxOkHost = 3,
  scxFail = 4,
  scxConnect = 5,
  scxCut = 6,
};

// Distant addresses reach the events cut to this length.
inline constexpr std::size_t kDistantIpMax = 80;

class TSCX {
 public:
  using TNotifyEvent = std::function<void(TSCX& sender)>;

  // The hub must outlive the component.
  explicit TSCX(TSocketHub& hub);
  ~TSCX();
  TSCX(const TSCX&) = delete;
  TSCX& operator=(const TSCX&) = delete;

  // Starts a connection attempt (a secure one with `tls`) and returns its handle; 0 when the hub
  // has no library or the library refused. A previous connection's handle is replaced (not
  // aborted).
  TScxHandle Go(std::string_view host, std::string_view port, int timeout_secs,
                const TTlsRequest* tls = nullptr);
  // Makes the connection a secure one; OnCanWrite follows once it is. False without a plain
  // connection.
  bool StartTls(const TTlsRequest& tls);
  // The library's result, or 0 without a connection or a library.
  int Send(std::string_view bytes);
  // Ends the connection; callbacks still on their way for it are dropped.
  void Abort();

  TScxHandle Handle() const { return handle_; }
  TSCX_State State = scxIdle;
  std::string Host;  // short string
  std::string Port;  // short string
  std::int32_t TimeoutSecs = 0;
  TNetError LastError;  // why the last attempt failed (set before OnFail)

  TNotifyEvent OnNoHost, OnOkHost, OnFail, OnCut, OnCanWrite;
  std::function<void(TSCX& sender, const std::string& distant_ip)> OnConnect;
  std::function<void(TSCX& sender, const char* buf, int len)> OnData;
  // A handler of this component threw: the connection is already aborted; `error` says why.
  std::function<void(TSCX& sender, const std::string& error)> OnException;

 private:
  friend class TSocketHub;
  TSocketHub& hub_;
  TScxHandle handle_ = 0;
};

}  // namespace korvane
