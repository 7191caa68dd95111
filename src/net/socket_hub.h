// TSocketHub: one socket library as the program's socket components share it. It installs itself
// as the library's callbacks, hands each callback to the component that holds its handle, and is
// the one place where socket events enter the program: an exception raised by a component's
// handler is caught here, the component's connection is aborted and its OnException reports it,
// so that nothing is ever thrown back into the library's own event loop.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "net/socket_library.h"

namespace korvane {

class TSCX;

// The warning shown when a component is created while no socket library could be loaded.
inline constexpr std::string_view kNoSocketLibraryWarning = "Cannot load SCX.DLL!";

class TSocketHub final : private TSocketCallbacks {
 public:
  // `library` (may be null: no library could be loaded) must outlive the hub. `warning` receives
  // the warning of a component created without a library (a message box in the desktop program,
  // standard error on the command line).
  explicit TSocketHub(TSocketLibrary* library,
                      std::function<void(std::string_view)> warning = nullptr);
  // Aborts the connection of every live component, then shuts the library. The components stay
  // with their owners; their Go returns 0 from then on.
  ~TSocketHub() override;
  TSocketHub(const TSocketHub&) = delete;
  TSocketHub& operator=(const TSocketHub&) = delete;

  TSocketLibrary* Library() const { return library_; }
  bool Loaded() const { return library_ != nullptr; }
  // Aborts every live connection and shuts the library now; the hub then acts as one without a
  // library.
  void Shut();

 private:
  friend class TSCX;
  void Register(TSCX* component);
  void Unregister(TSCX* component);

  void NoHost(TScxHandle h) override;
  void OkHost(TScxHandle h) override;
  void Fail(TScxHandle h, const TNetError& error) override;
  void Connect(TScxHandle h, std::string_view distant_ip) override;
  void Cut(TScxHandle h) override;
  void CanWrite(TScxHandle h) override;
  void Data(TScxHandle h, const char* buf, int len) override;

  TSCX* Find(TScxHandle h) const;
  // Runs `handler` for component `c`, containing whatever it throws.
  template <class Handler>
  void Guarded(TSCX& c, Handler&& handler);

  TSocketLibrary* library_;
  std::function<void(std::string_view)> warning_;
  std::vector<TSCX*> live_;
};

}  // namespace korvane
