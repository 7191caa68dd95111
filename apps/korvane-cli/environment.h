// What every command of the command line stands on: the program's core (the settings and the
// program-wide MIME table) and, for commands that go on the network, the socket library with its
// message pump.
#pragma once

#include <memory>
#include <string>

#include "app/app_core.h"

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

  TParam& Param() { return core_.Param(); }
  TGlobalMimeList& GlobalMime() { return core_.GlobalMime(); }
  // Starts the socket library, once; its hub and its message pump.
  void StartNetwork();
  TSocketHub& Hub();
  TMessagePump& Pump();

 private:
  TAppCore core_;
  struct TNetwork;
  std::unique_ptr<TNetwork> network_;
};

}  // namespace korvane::cli
