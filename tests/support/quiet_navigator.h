// A navigator platform that has no navigator: settings can be built in tests that never open a
// page.
#pragma once

#include <optional>
#include <string>

#include "settings/navigator.h"

namespace korvane::testing {

class TQuietNavigator final : public TNavigatorPlatform {
 public:
  std::string DefaultHtmlOpenCommand() override { return ""; }
  bool StartProgram(const std::string&, const std::string&) override { return false; }
  bool DdeOpenUrl(const std::string&, const std::string&, bool) override { return false; }
  std::optional<std::string> DdeGetWindowInfo(const std::string&) override { return {}; }
  bool CanReadWindowInfo() const override { return false; }
};

}  // namespace korvane::testing
