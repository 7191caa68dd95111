#include "environment.h"

#include <cstdio>

#include "base/message_pump.h"
#include "net/socket_hub.h"
#include "net/socket_library_asio.h"

namespace korvane::cli {

struct TEnvironment::TNetwork {
  TAsioSocketLibrary library;
  TSocketHub hub{&library};
};

TEnvironment::TEnvironment(const std::string& work_path) : core_(TAppSetup{.WorkPath = work_path}) {
  if (const std::string warning = core_.Start(TSettingsWriteBack::kWhenMissing); !warning.empty()) {
    std::fprintf(stderr, "warning: %s\n", warning.c_str());
  }
}

TEnvironment::~TEnvironment() = default;

void TEnvironment::StartNetwork() {
  if (network_) return;
  network_ = std::make_unique<TNetwork>();
}

TSocketHub& TEnvironment::Hub() {
  StartNetwork();
  return network_->hub;
}

TMessagePump& TEnvironment::Pump() {
  StartNetwork();
  return network_->library.Pump();
}

}  // namespace korvane::cli
