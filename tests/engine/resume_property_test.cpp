// A body cut off is finished, never spliced wrong: files are cut at random points by a server
// that then honours the range asked for, ignores it, has changed the file meanwhile, or answers
// with another part than the one asked for; some give a strong ETag, some only a date, some
// nothing to check against. Whatever the seed, every stored file equals what the server last
// served whole, and only a file its server can vouch for is asked for in part.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>

#include "engine/capture_run.h"
#include "engine/web.h"
#include "net/socket_hub.h"
#include "net/socket_library_asio.h"
#include "support/capture_driver.h"
#include "support/disk_file.h"
#include "support/loopback_http_server.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using testing::TLoopbackHttpServer;

using testing::ReadFile;

enum class TAnswer { kHonour, kHonourThenCutAgain, kIgnoreRange, kChanged, kWrongPart };
enum class TValidator { kStrongTag, kWeakTagAndDate, kNone };

struct TServed {
  std::string body;
  std::string tag;
  TAnswer answer;
  TValidator validator;
  std::size_t cut;         // the first answer stops after this many bytes
  std::size_t second_cut;  // kHonourThenCutAgain: the second one too, at this byte of the file
  int requests = 0;
  std::vector<std::string> ranges;  // the Range line of each request, "" for none
};

std::string Header(int status, const TServed& f, std::size_t length, const std::string& extra) {
  std::string h =
      "HTTP/1.0 " + std::to_string(status) + (status == 206 ? " Partial" : " OK") +
      "\r\nContent-Type: application/octet-stream\r\nContent-Length: " + std::to_string(length) +
      "\r\n" + extra;
  if (f.validator == TValidator::kStrongTag) h += "ETag: \"" + f.tag + "\"\r\n";
  if (f.validator == TValidator::kWeakTagAndDate) {
    h += "ETag: W/\"" + f.tag + "\"\r\nLast-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\n";
  }
  return h + "\r\n";
}

std::string LineOf(const std::string& request, const std::string& name) {
  const std::size_t at = request.find("\r\n" + name + ": ");
  if (at == std::string::npos) return "";
  return request.substr(at + 2, request.find('\r', at + 2) - at - 2);
}

// What the server answers its n-th request for one file.
std::string Answer(TServed& f, const std::string& request) {
  const int n = ++f.requests;
  const std::string range = LineOf(request, "Range");
  f.ranges.push_back(range);
  const std::size_t from = range.empty() ? 0 : std::stoul(range.substr(13));
  auto whole = [&](std::size_t cut) {
    return Header(200, f, f.body.size(), "") + f.body.substr(0, cut);
  };
  auto part = [&](std::size_t start, std::size_t cut) {
    return Header(206, f, f.body.size() - start,
                  "Content-Range: bytes " + std::to_string(start) + "-" +
                      std::to_string(f.body.size() - 1) + "/" + std::to_string(f.body.size()) +
                      "\r\n") +
           f.body.substr(start, cut - start);
  };
  if (n == 1) return whole(f.cut);
  if (f.answer == TAnswer::kChanged && n == 2) {
    f.body = std::string(f.body.rbegin(), f.body.rend()) + "changed";
    f.tag += "2";
  }
  if (range.empty() || f.answer == TAnswer::kIgnoreRange || f.answer == TAnswer::kChanged) {
    return whole(f.body.size());
  }
  if (f.answer == TAnswer::kWrongPart) return part(from > 7 ? from - 7 : from + 1, f.body.size());
  if (f.answer == TAnswer::kHonourThenCutAgain && n == 2) return part(from, f.second_cut);
  return part(from, f.body.size());
}

class ResumePropertyTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(ResumePropertyTest, EveryResumedFileIsWhole) {
  std::mt19937 random(GetParam());
  std::map<std::string, TServed> files;
  std::string home = "<html>";
  for (int i = 0; i < 10; ++i) {
    TServed f;
    f.body.resize(20000 + random() % 300000);
    for (char& c : f.body) c = static_cast<char>(random());
    f.tag = "v" + std::to_string(i);
    f.answer = static_cast<TAnswer>(random() % 5);
    f.validator = static_cast<TValidator>(random() % 3);
    f.cut = 1 + random() % (f.body.size() - 1);
    f.second_cut = f.cut + random() % (f.body.size() - f.cut);
    const std::string path = "/f" + std::to_string(i) + ".bin";
    files[path] = f;
    home += "<a href=\"" + path.substr(1) + "\">" + path + "</a>";
  }
  std::mutex mutex;
  TLoopbackHttpServer server;
  server.Route([&](const std::string& request) {
    const std::string target = request.substr(4, request.find(' ', 4) - 4);
    const std::lock_guard lock(mutex);
    if (target == "/") return TLoopbackHttpServer::OkResponse(home);
    auto it = files.find(target);
    return it == files.end() ? std::string("HTTP/1.0 404 Not found\r\n\r\n")
                             : Answer(it->second, request);
  });

  const fs::path folder =
      fs::path(::testing::TempDir()) / ("korvane_resume_" + std::to_string(GetParam()));
  fs::remove_all(folder);
  TAsioSocketLibrary lib;
  TSocketHub hub(&lib);
  TOPTIONS defaults;
  TMIMELIST mime;
  mime.SetToDefault();
  mime.AddMime("application/octet-stream", "bin", "Other", true);
  TWEB web(defaults);
  ASSERT_TRUE(web.Init(server.Url("/"), folder.string(), mime));
  web.SetFileName(web.Path() + "Local.Web");
  TCaptureSettings settings;
  settings.MaxSockets = 1 + GetParam() % 4;
  TCaptureRunHooks hooks;
  // The first session tries each file once: the cut ones wait, their first bytes kept, for the
  // second session, which tries as often as it takes.
  settings.TryCount = 1;
  (void)testing::DriveCapture(web, settings, hub, lib.Pump(), hooks);
  settings.TryCount = 4;
  (void)testing::DriveCapture(web, settings, hub, lib.Pump(), hooks);

  const std::lock_guard lock(mutex);
  for (const auto& [path, f] : files) {
    SCOPED_TRACE(path + " answer " + std::to_string(static_cast<int>(f.answer)) + " validator " +
                 std::to_string(static_cast<int>(f.validator)) + " cut " + std::to_string(f.cut));
    const TWebFile* record = web.Tree().Find(server.Url(path));
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->State, wsFile);
    const std::string stored = ReadFile(folder / record->GetFileName());
    EXPECT_EQ(stored.size(), f.body.size());
    EXPECT_TRUE(stored == f.body);
    ASSERT_GE(f.ranges.size(), 2u);
    const bool vouched = f.validator != TValidator::kNone;
    EXPECT_EQ(f.ranges[1], vouched ? "Range: bytes=" + std::to_string(f.cut) + "-" : "");
    if (f.answer == TAnswer::kWrongPart && vouched) {
      ASSERT_GE(f.ranges.size(), 3u);
      EXPECT_EQ(f.ranges[2], "");  // the wrong part was refused: the whole file again
    }
  }
  for (const auto& entry : fs::directory_iterator(folder)) {
    EXPECT_FALSE(entry.path().string().ends_with(".kvpart")) << entry.path();
    EXPECT_FALSE(entry.path().string().ends_with(".kvresume")) << entry.path();
  }
  fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ResumePropertyTest, ::testing::Range(1u, 9u));

}  // namespace
}  // namespace korvane
