// TUrlVerif: whether the host of an address can be reached, as the check window shows it
// before a web is created or an address added. It sends nothing: a resolved host counts as
// success. The window (or the command line) shows Caption and is told of each change.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "net/scx.h"
#include "net/socket_hub.h"

namespace korvane {

inline constexpr std::string_view kUrlVerifWaiting = "Please wait, checking %1...";
inline constexpr int kUrlVerifTimeoutSecs = 20;

class TUrlVerif {
 public:
  // The hub must outlive the check.
  TUrlVerif(TSocketHub& hub, std::string address);
  // Frees the socket component, which aborts a connection still open.
  ~TUrlVerif();

  // Starts the check on the address's host and port (80 when it gives none). Without a socket
  // library nothing starts and the waiting caption stays.
  void Start();

  const std::string& Address() const { return address_; }  // the host once started
  const std::string& Caption() const { return caption_; }
  bool Result() const { return result_; }
  bool Answered() const { return answered_; }

  std::function<void()> OnChange;

 private:
  void Found();
  void NotFound();
  void Show(std::string caption);

  TSocketHub& hub_;
  std::string address_;
  std::string caption_{kUrlVerifWaiting};
  bool result_ = false;
  bool answered_ = false;
  std::unique_ptr<TSCX> socket_;
};

}  // namespace korvane
