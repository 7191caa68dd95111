#include "environment.h"

#include <cstdio>

#include "base/file_system.h"
#include "base/message_pump.h"
#include "net/socket_hub.h"
#include "net/socket_library_asio.h"
#include "settings/navigator.h"

namespace korvane::cli {

// A work path given on the command line: used as it is, and never written to the profile.
class TEnvironment::TFixedProfile final : public TProfile {
 public:
  explicit TFixedProfile(std::string path) : path_(NormaliseFolder(std::move(path))) {}
  std::string ReadWorkPath() const override { return path_; }
  void WriteWorkPath(const std::string&) override {}
  std::string DefaultWorkPath() const override { return path_; }

 private:
  std::string path_;
};

struct TEnvironment::TNetwork {
  TAsioSocketLibrary library;
  TSocketHub hub{&library};
};

TEnvironment::TEnvironment(const std::string& work_path) {
  TFileSystem& fs = RealFileSystem();
  if (work_path.empty()) {
    profile_ = std::make_unique<TIniProfile>(TIniProfile::ForCurrentUser(fs));
  } else {
    profile_ = std::make_unique<TFixedProfile>(work_path);
  }
  param_ = std::make_unique<TParam>(fs, *profile_, SystemNavigatorPlatform(), nullptr);
  // A first run writes the settings at once, so that the work path is known from then on.
  if (param_->LoadSettings() == TSettingsLoad::kMissing && !param_->SaveSettings()) {
    std::fprintf(stderr, "warning: %s\n", param_->SettingsError().c_str());
  }
  global_mime_ = std::make_unique<TGlobalMimeList>(fs, param_->WorkPath());
  global_mime_->Load();
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
