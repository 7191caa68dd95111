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

enum TSCX_State : std::uint8_t {
  scxIdle = 0,
  scxWaitDns = 1,  // never set by the component itself
  scxNoHost = 2,
  scxOkHost = 3,
  scxFail = 4,
  scxConnect = 5,
  scxCut = 6,
};

// The warning shown when a component is created while no socket library is installed.
inline constexpr std::string_view kNoSocketLibraryWarning = "Cannot load SCX.DLL!";

// Distant addresses reach the events cut to this length.
inline constexpr std::size_t kDistantIpMax = 80;

class TSCX {
 public:
  using TNotifyEvent = std::function<void(TSCX& sender)>;

  TSCX();
  ~TSCX();
  TSCX(const TSCX&) = delete;
  TSCX& operator=(const TSCX&) = delete;

  // Starts a connection attempt and returns its handle; 0 when no library is installed or the
  // library refused. A previous connection's handle is replaced (not aborted).
  TScxHandle Go(std::string_view host, std::string_view port, int timeout_secs);
  // The library's result, or 0 without a connection or a library.
  int Send(std::string_view bytes);
  // Ends the connection; callbacks still on their way for it are dropped.
  void Abort();

  TScxHandle Handle() const { return handle_; }
  TSCX_State State = scxIdle;
  std::string Host;  // short string
  std::string Port;  // short string
  std::int32_t TimeoutSecs = 0;

  TNotifyEvent OnNoHost, OnOkHost, OnFail, OnCut, OnCanWrite;
  std::function<void(TSCX& sender, const std::string& distant_ip)> OnConnect;
  std::function<void(TSCX& sender, const char* buf, int len)> OnData;
  std::function<void(TSCX& sender, int channel, const std::string& distant_ip)> OnServerConnect;
  std::function<void(TSCX&sender, int channel)> OnServerCut, OnServerCanWrite;
  std::function<void(TSCX& sender, const char* buf, int len, int channel)> OnServerData;
  // Declared for the library's contract; the library is always present here, so never raised.
  std::function<void(TSCX& sender, const std::string& winsock_path)> OnDllNotLoaded;

 private:
  friend class TScxDispatcher;
  TScxHandle handle_ = 0;
};

// Installs the process's socket library (the caller keeps ownership) and calls its Init. A
// library already installed is uninstalled first.
void InstallSocketLibrary(TSocketLibrary* library);
// Aborts the connection of every live component, calls the library's Shut and forgets it. The
// components themselves stay with their owners; their Go returns 0 from then on.
void UninstallSocketLibrary();
bool SocketLibraryLoaded();
// Where the warning of a component created without a library goes (a message box in the
// desktop program, standard error on the command line). Unset, the warning is dropped.
void SetSocketWarningHandler(std::function<void(std::string_view message)> handler);

}  // namespace korvane
