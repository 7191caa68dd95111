// Every byte right under HTTP/1.1 and nine connections: a server that keeps its connections or
// closes them (Connection: close, an HTTP/1.0 answer, an idle time, a request that comes as it
// closes), sends bodies with a length, in chunks or until its close, and compresses them with
// gzip, zlib or bare deflate or br, each answer drawn from the seed. Whatever it draws, every
// stored file equals what was served once decoded, and nothing is lost or asked for twice.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "engine/capture_run.h"
#include "engine/web.h"
#include "net/socket_hub.h"
#include "net/socket_library_asio.h"
#include "support/capture_driver.h"
#include "support/disk_file.h"
#include "support/keep_alive_http_server.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using testing::TKeepAliveHttpServer;
using testing::TServedFile;

using testing::ReadFile;

std::string Marker(const std::string& path) { return "<!--page:" + path + "-->"; }

// Files that compress well (text) and badly (noise), empty to a megabyte and a half, reached from
// pages that each link a share of them.
std::map<std::string, TServedFile> MakeSite(std::uint32_t seed) {
  std::mt19937 random(seed);
  std::map<std::string, TServedFile> files;
  static constexpr const char* kTypes[] = {"image/png", "application/javascript", "font/woff2"};
  static constexpr const char* kExtensions[] = {"png", "js", "woff2"};
  std::vector<std::string> names;
  for (int i = 0; i < 40; ++i) {
    const int kind = static_cast<int>(random() % 3);
    const std::size_t size = i == 0 ? 0 : i == 1 ? 1500 * 1024 : random() % (i % 4 ? 3000 : 200000);
    std::string body(size, '\0');
    for (std::size_t b = 0; b < size; ++b) {
      body[b] = kind == 1 ? "function ok() { return 1; }\n"[b % 28] : static_cast<char>(random());
    }
    const std::string name = "/f/file" + std::to_string(i) + "." + kExtensions[kind];
    files[name] = {kTypes[kind], body};
    names.push_back(name);
  }
  std::string home = "<html><head><title>home</title>" + Marker("/index.html") + "</head><body>\n";
  for (int p = 0; p < 8; ++p) {
    const std::string path = "/p/page" + std::to_string(p) + ".html";
    std::string page = "<html><head><title>" + path + "</title>" + Marker(path) + "</head><body>\n";
    for (int k = p; k < 40; k += 8)
      page += "<img src=\".." + names[static_cast<std::size_t>(k)] + "\">\n";
    page += "<p>" + std::string(random() % 30000, 'w') + "</p></body></html>\n";
    files[path] = {"text/html", page};
    home += "<a href=\"" + path.substr(1) + "\">" + path + "</a>\n";
  }
  files["/index.html"] = {"text/html", home + "</body></html>\n"};
  return files;
}

class KeepAlivePropertyTest : public ::testing::TestWithParam<std::uint32_t> {
 protected:
  void SetUp() override {
    folder_ = fs::path(::testing::TempDir()) / ("korvane_keep_alive_" + std::to_string(::getpid()) +
                                                "_" + std::to_string(GetParam()));
    fs::remove_all(folder_);
    mime_.SetToDefault();
    settings_.MaxSockets = 9;
    defaults_.Politeness.Robots = false;
    ASSERT_EQ(defaults_.Protocol, "1.1");  // what a new web speaks
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(folder_);
  }

  TAsioSocketLibrary lib_;
  TSocketHub hub_{&lib_};
  TOPTIONS defaults_;
  TMIMELIST mime_;
  TCaptureSettings settings_;
  fs::path folder_;
};

TEST_P(KeepAlivePropertyTest, EveryStoredFileIsTheDecodedBodyServed) {
  const std::map<std::string, TServedFile> site = MakeSite(GetParam());
  TKeepAliveHttpServer server(site, GetParam());
  TWEB web(defaults_);
  ASSERT_TRUE(web.Init(server.Url("/index.html"), folder_.string(), mime_));
  web.SetFileName(web.Path() + "Local.Web");
  TCaptureRunHooks hooks;
  const TCaptureRunResult result = testing::DriveCapture(web, settings_, hub_, lib_.Pump(), hooks);
  ASSERT_TRUE(result.Error.empty()) << result.Error;
  EXPECT_EQ(web.ErrorCount(), 0);
  EXPECT_EQ(server.UnknownRequests(), 0);
  for (const auto& [path, served] : site) {
    const TWebFile* record = web.Tree().Find(server.Url(path));
    ASSERT_TRUE(record && (record->State == wsPage || record->State == wsFile))
        << path << " was not captured";
    // A request the server closed its kept connection on went again without costing a trial.
    EXPECT_EQ(record->Trials, 1) << path;
    const std::string stored = ReadFile(folder_ / record->GetFileName());
    if (served.ContentType == "text/html") {
      EXPECT_NE(stored.find(Marker(path)), std::string::npos) << path;
    } else {
      EXPECT_TRUE(stored == served.Body)
          << path << ": " << stored.size() << " bytes stored, " << served.Body.size() << " served";
    }
  }
  // The draws met every case: connections carried several requests, some were found closed as
  // a request came, bodies came chunked and coded.
  EXPECT_GT(server.ReusedRequests(), 0);
  EXPECT_LT(server.Connections(), static_cast<int>(site.size()));
  EXPECT_GT(server.ChunkedAnswers(), 0);
  EXPECT_GT(server.CodedAnswers(), 0);
  EXPECT_GT(server.ClosedOnRequest(), 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, KeepAlivePropertyTest, ::testing::Range(1u, 17u));

}  // namespace
}  // namespace korvane
