#include "net/url_verif.h"

#include "html/url.h"

namespace korvane {

TUrlVerif::TUrlVerif(TSocketHub& hub, std::string address)
    : hub_(hub), address_(std::move(address)) {}

TUrlVerif::~TUrlVerif() = default;

void TUrlVerif::Start() {
  socket_ = std::make_unique<TSCX>(hub_);
  socket_->OnOkHost = [this](TSCX&) { Found(); };
  socket_->OnFail = [this](TSCX&) { NotFound(); };
  socket_->OnNoHost = [this](TSCX&) { NotFound(); };
  std::string host = GetHost(address_);
  std::string port = std::to_string(GetPort(address_));
  address_ = host;
  std::size_t mark = kUrlVerifWaiting.find("%1");
  Show(std::string(kUrlVerifWaiting.substr(0, mark)) + host +
       std::string(kUrlVerifWaiting.substr(mark + 2)));
  socket_->Go(host, port, kUrlVerifTimeoutSecs);
}

void TUrlVerif::Found() {
  result_ = true;
  answered_ = true;
  Show("Web " + address_ + " : connection possible");
}

// A failure after the success message replaces it: the host resolved but cannot be reached.
void TUrlVerif::NotFound() {
  result_ = false;
  answered_ = true;
  Show(address_ + " : cannot connect to this Web");
}

void TUrlVerif::Show(std::string caption) {
  caption_ = std::move(caption);
  if (OnChange) OnChange();
}

}  // namespace korvane
