// Bringing a copy up to date: between a capture and an update, a server changes some files,
// removes some, leaves the rest, and a changed page links to a new file. Files vouched for by a
// strong ETag, a weak one with a date, a date alone or nothing. Whatever the seed and the number
// of connections: every file is asked for again, with the validators it was served with; an
// unchanged file is not sent again and stays (one without a validator comes again, and its
// bytes tell it unchanged); a changed one is replaced; a new one is captured; a gone one is kept
// or deleted as asked; at every step of the update each file on disk is one whole version; the
// counts say what happened; and a second update, from the project file, finds everything
// unchanged.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <regex>

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

enum class TVouch { kStrongTag, kWeakTagAndDate, kDate, kNone };
enum class TFate { kSame, kChanged, kGone404, kGone410 };

struct TSiteFile {
  std::string body;
  int version = 1;
  TVouch vouch = TVouch::kNone;
  TFate fate = TFate::kSame;
  bool page = false;
  bool gone = false;
  // What the requests of the update carried, and how often the body was sent.
  std::vector<std::string> conditions;
  int bodies_sent = 0;
};

TSiteFile SiteFile(std::string body, TVouch vouch, TFate fate, bool page) {
  TSiteFile f;
  f.body = std::move(body);
  f.vouch = vouch;
  f.fate = fate;
  f.page = page;
  return f;
}

std::string LineOf(const std::string& request, const std::string& name) {
  const std::size_t at = request.find("\r\n" + name + ": ");
  if (at == std::string::npos) return "";
  return request.substr(at + 2, request.find('\r', at + 2) - at - 2);
}

std::string TagOf(const TSiteFile& f, const std::string& path) {
  return (f.vouch == TVouch::kWeakTagAndDate ? "W/\"" : "\"") + path + "-" +
         std::to_string(f.version) + "\"";
}

std::string DateOf(const TSiteFile& f) {
  return "Tue, 0" + std::to_string(f.version) + " Dec 2026 10:00:00 GMT";
}

// The server's answer: 304 when the request's validators name the current version (the ETag
// first, as servers do), the body otherwise.
std::string Answer(TSiteFile& f, const std::string& path, const std::string& request) {
  if (f.gone) {
    return f.fate == TFate::kGone410 ? "HTTP/1.0 410 Gone\r\nContent-Length: 0\r\n\r\n"
                                     : "HTTP/1.0 404 Not found\r\nContent-Length: 0\r\n\r\n";
  }
  const std::string if_none = LineOf(request, "If-None-Match");
  const std::string if_since = LineOf(request, "If-Modified-Since");
  f.conditions.push_back(if_none + "|" + if_since);
  std::string validators;
  if (f.vouch == TVouch::kStrongTag || f.vouch == TVouch::kWeakTagAndDate) {
    validators += "ETag: " + TagOf(f, path) + "\r\n";
  }
  if (f.vouch == TVouch::kWeakTagAndDate || f.vouch == TVouch::kDate) {
    validators += "Last-Modified: " + DateOf(f) + "\r\n";
  }
  const bool current = !if_none.empty() ? if_none == "If-None-Match: " + TagOf(f, path)
                                        : if_since == "If-Modified-Since: " + DateOf(f);
  if (current && f.vouch != TVouch::kNone) {
    return "HTTP/1.0 304 Not Modified\r\n" + validators + "\r\n";
  }
  ++f.bodies_sent;
  return "HTTP/1.0 200 OK\r\nContent-Type: " +
         std::string(f.page ? "text/html" : "application/octet-stream") +
         "\r\nContent-Length: " + std::to_string(f.body.size()) + "\r\n" + validators + "\r\n" +
         f.body;
}

std::string Noise(std::mt19937& random, std::size_t size) {
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

class UpdatePropertyTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(UpdatePropertyTest, OnlyWhatChangedComesAndEveryFileIsOneWholeVersion) {
  std::mt19937 random(GetParam());
  // Some seeds change files only: no file comes or goes, so no link of a page kept leads
  // elsewhere, and only the pages replaced are rewritten.
  const bool quiet = GetParam() % 4 == 1;
  std::map<std::string, TSiteFile> site;
  std::string home = "<html><body>";
  for (int i = 0; i < 24; ++i) {
    TSiteFile f;
    f.page = i % 4 == 0;
    f.vouch = static_cast<TVouch>(random() % 4);
    f.fate = static_cast<TFate>(random() % (quiet ? 2 : 4));
    const std::string path =
        (f.page ? "/p" : "/f") + std::to_string(i) + (f.page ? ".html" : ".bin");
    const std::string next = "<a href=\"f" + std::to_string(i + 1) + ".bin\">next</a>";
    f.body = f.page ? "<html><body><p>" + path + " v1</p>" + next + "</body></html>"
                    : Noise(random, 1000 + random() % 60000);
    site[path] = f;
    home += "<a href=\"" + path.substr(1) + "\">" + path + "</a>";
  }
  site["/"] = SiteFile(home + "</body></html>", TVouch::kStrongTag,
                       quiet ? TFate::kSame : TFate::kChanged, true);
  std::mutex mutex;
  TLoopbackHttpServer server;
  server.Route([&](const std::string& request) {
    const std::string target = request.substr(4, request.find(' ', 4) - 4);
    const std::lock_guard lock(mutex);
    auto it = site.find(target);
    return it == site.end() ? std::string("HTTP/1.0 404 Not found\r\nContent-Length: 0\r\n\r\n")
                            : Answer(it->second, target, request);
  });

  const fs::path folder =
      fs::path(::testing::TempDir()) / ("korvane_update_" + std::to_string(GetParam()));
  fs::remove_all(folder);
  TAsioSocketLibrary lib;
  TSocketHub hub(&lib);
  TOPTIONS defaults;
  TMIMELIST mime;
  mime.SetToDefault();
  mime.AddMime("application/octet-stream", "bin", "Other", true);
  auto web = std::make_unique<TWEB>(defaults);
  ASSERT_TRUE(web->Init(server.Url("/"), folder.string(), mime));
  web->EditOptions().SiteLayout = GetParam() % 2 == 0;
  web->SetFileName(web->Path() + "Local.Web");
  TCaptureSettings settings;
  settings.MaxSockets = 1 + static_cast<int>(random() % 9);
  TCaptureRunHooks hooks;
  ASSERT_EQ(testing::DriveCapture(*web, settings, hub, lib.Pump(), hooks).Captured, 25);

  // The server's files change; the home page now links to a file the web does not hold.
  std::map<std::string, std::string> before;
  int same = 0, changed = 0, gone = 0;
  {
    const std::lock_guard lock(mutex);
    for (auto& [path, f] : site) {
      const TWebFile* record = web->Tree().Find(server.Url(path));
      ASSERT_NE(record, nullptr) << path;
      before[path] = ReadFile(folder / record->GetFileName());
      f.conditions.clear();
      f.bodies_sent = 0;
      if (f.fate == TFate::kChanged) {
        ++f.version;
        if (path != "/") {
          f.body = f.page ? "<html><body><p>" + path + " v2</p></body></html>"
                          : f.body + Noise(random, 1 + random() % 3000);
          f.body.insert(f.page ? f.body.find("</body>") : f.body.size(),
                        f.page ? "<a href=\"f1.bin\">first</a>" : "");
        }
        ++changed;
      } else if (f.fate == TFate::kSame) {
        ++same;
      } else {
        f.gone = true;
        ++gone;
      }
    }
    if (!quiet) {
      site["/"].body.insert(site["/"].body.find("</body>"), "<a href=\"new.bin\">new</a>");
      site["/new.bin"] = SiteFile(Noise(random, 5000), TVouch::kStrongTag, TFate::kSame, false);
    }
  }

  // At every step, each stored file is the version before or the one after, never a mixture.
  const auto whole_versions = [&] {
    const std::lock_guard lock(mutex);
    for (const auto& [path, f] : site) {
      if (f.page || !before.count(path)) continue;
      const TWebFile* record = web->Tree().Find(server.Url(path));
      if (record->State == wsNotFound) continue;  // deleted as gone
      const fs::path file = folder / record->GetFileName();
      const std::string now = ReadFile(file);
      ASSERT_TRUE(now == before[path] || now == f.body) << path << " holds " << now.size();
    }
  };
  settings.Update = true;
  settings.DeleteGone = GetParam() % 3 == 0;
  settings.MaxSockets = 1 + static_cast<int>(random() % 9);
  const TCaptureRunResult result =
      testing::DriveCapture(*web, settings, hub, lib.Pump(), hooks, {}, whole_versions);

  EXPECT_TRUE(result.Updated);
  EXPECT_EQ(result.Update.Asked, 25);
  // A file without a validator comes whole, and is told unchanged by its bytes.
  EXPECT_EQ(result.Update.Unchanged, same);
  EXPECT_EQ(result.Update.Changed, changed);
  EXPECT_EQ(result.Update.New, quiet ? 0 : 1);
  EXPECT_EQ(result.Update.Gone, gone);
  EXPECT_EQ(result.Update.Deleted, settings.DeleteGone ? gone : 0);
  EXPECT_EQ(result.Update.NotChecked, 0);
  EXPECT_TRUE(result.Resolved);
  const std::string log = ReadFile(folder / "LogFile.htm");
  EXPECT_NE(
      log.find("Update: " + std::to_string(result.Update.Unchanged) + " unchanged, " +
               std::to_string(result.Update.Changed) + " changed, " +
               std::to_string(result.Update.New) + " new, " + std::to_string(gone) + " gone\r\n"),
      std::string::npos);
  {
    const std::lock_guard lock(mutex);
    for (const auto& [path, f] : site) {
      SCOPED_TRACE(path);
      const TWebFile* record = web->Tree().Find(server.Url(path));
      ASSERT_NE(record, nullptr);
      if (path == "/new.bin") {
        EXPECT_EQ(ReadFile(folder / record->GetFileName()), f.body);
        continue;
      }
      // Asked again with what the server said of the version kept.
      if (!f.gone) {
        ASSERT_EQ(f.conditions.size(), 1u);
        TSiteFile first = f;  // the version the web kept
        first.version = 1;
        std::string expected = "|";
        if (f.vouch == TVouch::kStrongTag) expected = "If-None-Match: " + TagOf(first, path) + "|";
        if (f.vouch == TVouch::kWeakTagAndDate) {
          expected =
              "If-None-Match: " + TagOf(first, path) + "|If-Modified-Since: " + DateOf(first);
        }
        if (f.vouch == TVouch::kDate) expected = "|If-Modified-Since: " + DateOf(first);
        EXPECT_EQ(f.conditions[0], expected);
        EXPECT_EQ(f.bodies_sent, f.fate == TFate::kSame && f.vouch != TVouch::kNone ? 0 : 1);
      }
      if (f.gone && settings.DeleteGone) {
        EXPECT_EQ(record->State, wsNotFound);
        continue;
      }
      EXPECT_EQ(record->State, f.page ? wsPage : wsFile);
      const std::string stored = ReadFile(folder / record->GetFileName());
      if (!f.page) {
        EXPECT_TRUE(stored == (f.gone ? before[path] : f.body));
        continue;
      }
      if (path != "/") {
        EXPECT_NE(stored.find(path + (f.fate == TFate::kChanged ? " v2" : " v1")),
                  std::string::npos);
      }
      // Every page's links lead to the copy, a replaced page's too; a page kept is rewritten
      // only when a link of it may lead elsewhere now.
      EXPECT_NE(stored.find("OLDREF="), std::string::npos);
      const fs::path page_folder = (folder / record->GetFileName()).parent_path();
      const std::regex link(R"re(href="([^"]*)")re", std::regex::icase);
      for (std::sregex_iterator it(stored.begin(), stored.end(), link), end; it != end; ++it) {
        const std::string target = (*it)[1];
        if (target.rfind("http", 0) == 0) continue;  // the footer's link to the page's address
        EXPECT_TRUE(fs::exists(page_folder / target)) << target;
      }
      if (quiet && f.fate == TFate::kSame) {
        EXPECT_TRUE(stored == before[path]);
      }
    }
  }
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    EXPECT_FALSE(entry.path().string().ends_with(".kvpart")) << entry.path();
  }

  // The validators were kept with the web: an update of the loaded web finds all current.
  auto loaded = std::make_unique<TWEB>(defaults);
  ASSERT_TRUE(loaded->LoadFromFile(web->FileName()));
  web.reset();
  web = std::move(loaded);
  const TCaptureRunResult again = testing::DriveCapture(*web, settings, hub, lib.Pump(), hooks);
  EXPECT_EQ(again.Update.Changed, 0);
  EXPECT_EQ(again.Update.New, 0);
  EXPECT_EQ(again.Update.Gone, settings.DeleteGone ? 0 : gone);
  EXPECT_EQ(again.Update.Unchanged + again.Update.Changed + again.Update.Gone, again.Update.Asked);
  fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Seeds, UpdatePropertyTest, ::testing::Range(1u, 9u));

}  // namespace
}  // namespace korvane
