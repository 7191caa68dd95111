// Reads arbitrary bytes as "korvane.ini" through the settings object, then saves them back: no
// input may crash the reading, what was saved must read back to the same values, and the file must
// settle: once the program has written it, saving it again changes nothing (keys kept from the
// input neither grow nor go).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/navigator.h"
#include "settings/param.h"
#include "settings/profile.h"
#include "support/mem_file_system.h"

namespace {

class TNoNavigator final : public korvane::TNavigatorPlatform {
 public:
  std::string DefaultHtmlOpenCommand() override { return "\"/usr/bin/nav\" %u"; }
  bool StartProgram(const std::string&, const std::string&) override { return true; }
  bool DdeOpenUrl(const std::string&, const std::string&, bool) override { return false; }
  std::optional<std::string> DdeGetWindowInfo(const std::string&) override { return {}; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  korvane::testing::TMemFileSystem fs;
  (void)fs.MakeDirs("/w");
  fs.files["/w/korvane.ini"] = std::string(reinterpret_cast<const char*>(data), size);
  korvane::TIniProfile profile(fs, "/p/profile.ini", "/w/");
  (void)fs.MakeDirs("/p");
  profile.WriteWorkPath("/w/");
  TNoNavigator navigator;
  korvane::TParam first(fs, profile, navigator, nullptr);
  if (first.LoadSettings(false) != korvane::TSettingsLoad::kLoaded) return 0;
  if (!first.SaveSettings()) std::abort();
  korvane::TParam second(fs, profile, navigator, nullptr);
  if (second.LoadSettings(false) != korvane::TSettingsLoad::kLoaded) std::abort();
  if (first.MaxSockets != second.MaxSockets || first.Path != second.Path ||
      first.BrowserList != second.BrowserList || !(first.DefaultOptions == second.DefaultOptions) ||
      !(first.SommaireParams == second.SommaireParams)) {
    std::abort();
  }
  // The file settles: the blank lines the INI writer puts around comments may differ once
  // after a foreign file is read, but a file the program wrote never changes by being saved
  // again, and never grows from save to save.
  if (!second.SaveSettings()) std::abort();
  const std::string settled = fs.files["/w/korvane.ini"];
  korvane::TParam third(fs, profile, navigator, nullptr);
  if (third.LoadSettings(false) != korvane::TSettingsLoad::kLoaded || !third.SaveSettings() ||
      fs.files["/w/korvane.ini"] != settled) {
    std::abort();
  }
  return 0;
}
