// The offline copy in a real browser: the sample site captured and resolved, its server gone, then
// its page of today's web opened from disk in headless Chromium with every network address made
// unreachable. The page's own script reports what applied and loaded, and from where.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/web.h"
#include "net/socket_hub.h"
#include "net/socket_library_asio.h"
#include "support/capture_driver.h"
#include "support/nginx_server.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

// The page as the browser left it, once loaded (or nothing when it could not run).
std::string DumpedPage(const fs::path& page, const fs::path& profile) {
  const std::string command =
      "chromium --headless --no-sandbox --disable-gpu --disable-background-networking "
      "--disable-component-update --disable-sync --no-first-run --allow-file-access-from-files "
      // Any address of the network leads nowhere: what loads came from disk.
      "--proxy-server=http://127.0.0.1:9 --host-resolver-rules='MAP * ~NOTFOUND' "
      "--virtual-time-budget=5000 --user-data-dir=" +
      profile.string() + " --dump-dom 'file://" + page.string() + "' 2>/dev/null";
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  pclose(pipe);
  return out;
}

TEST(OfflineBrowserTest, TheCopyShowsFromDiskAsTheSiteDid) {
  ASSERT_EQ(std::system("command -v chromium > /dev/null"), 0)
      << "Debian's chromium is needed (scripts/setup.sh installs it)";
  const fs::path root =
      fs::path(::testing::TempDir()) / ("korvane_browser_" + std::to_string(::getpid()));
  fs::remove_all(root);
  TOPTIONS defaults;
  TMIMELIST mime;
  mime.SetToDefault();
  TWEB web(defaults);
  std::string page;
  {
    testing::TNginxServer server;
    ASSERT_TRUE(server.Running()) << server.Error();
    EXPECT_TRUE(web.Init(server.Url("/"), (root / "web").string(), mime));
    web.SetFileName(web.Path() + "Local.Web");
    TAsioSocketLibrary lib;
    TSocketHub hub(&lib);
    TCaptureSettings settings;
    settings.MaxSockets = 4;
    TCaptureRunHooks hooks;
    ASSERT_TRUE(testing::DriveCapture(web, settings, hub, lib.Pump(), hooks).Resolved);
    TWebFile* modern = web.Tree().Find(server.Url("/modern/index.htm"));
    ASSERT_NE(modern, nullptr);
    page = modern->GetFileName();
  }  // the server is gone

  const std::string dumped = DumpedPage(root / "web" / page, root / "profile");
  const std::size_t at = dumped.find("<pre id=\"report\">");
  ASSERT_NE(at, std::string::npos) << "the page did not load:\n" << dumped.substr(0, 2000);
  const std::string report = dumped.substr(at, dumped.find("</pre>", at) - at);
  for (const char* loaded : {
           "\"importedSheet\":\"rgb(10, 20, 30)\"",  // @import of the page's stylesheet
           "\"siteSheet\":\"rgb(200, 100, 50)\"",    // the LINK stylesheet, its query dropped
           "\"styleElement\":\"rgb(1, 2, 3)\"",      // a STYLE element
           "\"font\":true",                          // the web font of @font-face
           "\"hero.png 40\"",                        // srcset at 1x
           "\"badge.svg 24\"", "\"photo.webp 30\"",  // SVG, and a PICTURE's WebP source
           "\"frame\":true",                         // the IFRAME's page
           "\"schemes\":[\"file\"]",                 // every resource read from disk
           "\"built\":[true,true]",  // paths the page's script builds lead to the copy's files
       }) {
    EXPECT_NE(report.find(loaded), std::string::npos) << loaded << " in " << report;
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace korvane
