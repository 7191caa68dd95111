// What every command of the command line stands on: the settings, the program-wide MIME table,
// and (for commands that go on the network) the socket library with its message pump.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "settings/param.h"
#include "settings/profile.h"
#include "store/mime_list.h"

namespace korvane {
class TMessagePump;
class TSocketHub;
}  // namespace korvane

namespace korvane::cli {

class TEnvironment {
 public:
  // `work_path` overrides the profile's work path when not empty.
  explicit TEnvironment(const std::string& work_path);
  ~TEnvironment();

  TParam& Param() { return *param_; }
  TGlobalMimeList& GlobalMime() { return *global_mime_; }
  // Starts the socket library, once; its hub and its message pump.
  void StartNetwork();
  TSocketHub& Hub();
  TMessagePump& Pump();

 private:
  class TFixedProfile;
  std::unique_ptr<TProfile> profile_;
  std::unique_ptr<TParam> param_;
  std::unique_ptr<TGlobalMimeList> global_mime_;
  struct TNetwork;
  std::unique_ptr<TNetwork> network_;
};

}  // namespace korvane::cli
