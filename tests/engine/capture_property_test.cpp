// Every byte right under nine connections: a generated site whose files collide in their local
// names (the same first characters, names that differ only in case, the same file name in fifty
// folders), of a few bytes to a few megabytes, served by a server that answers its connections
// in a random order and in random pieces. Whatever the order, every stored file that is not
// rewritten equals what was served, every link of a rewritten page or stylesheet leads to the
// file of the address it named, and no two addresses share a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <set>

#include "base/message_pump.h"
#include "base/text_case.h"
#include "engine/capture_run.h"
#include "engine/web.h"
#include "net/socket_hub.h"
#include "net/socket_library_asio.h"
#include "support/capture_driver.h"
#include "support/disk_file.h"
#include "support/shuffling_http_server.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using testing::TServedFile;
using testing::TShufflingHttpServer;

constexpr int kCrates = 50;
constexpr int kItemsPerCrate = 4;

using testing::ReadFile;

// A page's links by the id of their tag: what each tag must lead to.
using TLinks = std::map<std::string, std::string>;

struct TSite {
  std::map<std::string, TServedFile> files;
  std::map<std::string, TLinks> links;                       // of each page, by path
  std::map<std::string, std::vector<std::string>> css_urls;  // of each stylesheet, in order
};

std::string Bytes(std::mt19937& random, std::size_t size) {
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

std::string Marker(const std::string& path) { return "<!--page:" + path + "-->"; }

// Tags with an id and one link each; `links` says where each leads, relative to the page.
void AddPage(TSite& site, const std::string& path, const TLinks& links, std::size_t padding,
             std::mt19937& random) {
  std::string page = "<html><head><title>" + path + "</title>" + Marker(path) + "\n";
  const std::string folder = path.substr(0, path.rfind('/') + 1);
  TLinks absolute;
  for (const auto& [id, target] : links) {
    const std::string ext = target.substr(target.rfind('.') + 1);
    if (ext == "css") {
      page += "<link id=\"" + id + "\" rel=\"stylesheet\" href=\"" + target + "\">\n";
    } else if (ext == "js") {
      page += "<script id=\"" + id + "\" src=\"" + target + "\"></script>\n";
    } else if (ext == "png") {
      page += "<img id=\"" + id + "\" src=\"" + target + "\">\n";
    } else {
      page += "<a id=\"" + id + "\" href=\"" + target + "\">" + id + "</a>\n";
    }
    absolute[id] = fs::path(folder + target).lexically_normal().generic_string();
  }
  // A large page is not held in memory: it goes through the partial file like any other body.
  std::string filler;
  for (std::size_t i = 0; i < padding; ++i)
    filler.push_back(static_cast<char>('a' + random() % 26));
  page += "<p>" + filler + "</p></body></html>\n";
  site.files[path] = {"text/html", page};
  site.links[path] = absolute;
}

TSite MakeSite() {
  std::mt19937 random(20261209);
  TSite site;
  TLinks home;
  const std::vector<std::string> fonts = {"FiraSans-Regular.woff2", "FiraSans-Medium.woff2",
                                          "FiraSans-MediumItalic.woff2", "FiraMono-Regular.woff2"};
  std::string css = "/*css*/\n";
  for (const std::string& font : fonts) {
    site.files["/static/" + font] = {"font/woff2", Bytes(random, 20000 + random() % 100000)};
    css += "@font-face{font-family:'" + font + "';src:url(" + font + ") format('woff2')}\n";
    site.css_urls["/static/fonts.css"].push_back("/static/" + font);
  }
  site.files["/static/fonts.css"] = {"text/css", css};
  site.files["/static/shared.png"] = {"image/png", Bytes(random, 3000)};
  for (int m = 0; m < 4; ++m) {
    // Above any in-memory limit, and in names that differ only in case.
    // The tree finds an address in any letter case: names that differ only in case are in two
    // folders.
    const std::string clip =
        "/media/" + std::string(m % 2 ? "b/Clip" : "a/clip") + std::to_string(m / 2) + ".mp4";
    site.files[clip] = {"video/mp4",
                        Bytes(random, (1 + random() % 3) * 1024 * 1024 + random() % 999)};
    home["m" + std::to_string(m)] = clip.substr(1);
  }
  for (int c = 0; c < kCrates; ++c) {
    const std::string crate = "crate" + std::to_string(c);
    const std::string dir = "/" + crate + "/";
    // The same name in every folder, each with its own contents.
    site.files[dir + "sidebar-items.js"] = {
        "application/javascript", "window.SIDEBAR_ITEMS = {\"crate\":\"" + crate +
                                      "\",\"items\":\"" + std::string(1 + random() % 20000, 'x') +
                                      "\"};\n"};
    const std::string picture = c % 2 ? "A.png" : "a.png";
    site.files[dir + picture] = {"image/png", Bytes(random, 1 + random() % 5000)};
    TLinks index = {{"css", "../static/fonts.css"},
                    {"js", "sidebar-items.js"},
                    {"pic", picture},
                    {"shared", "../static/shared.png"},
                    {"home", "../index.html"},
                    {"next", "../crate" + std::to_string((c + 1) % kCrates) + "/index.html"}};
    for (int i = 0; i < kItemsPerCrate; ++i) {
      const std::string item = "struct.Item" + std::to_string(i) + ".html";
      index["t" + std::to_string(i)] = item;
      AddPage(site, dir + item,
              {{"up", "index.html"},
               {"js", "sidebar-items.js"},
               {"pic", picture},
               {"css", "../static/fonts.css"}},
              random() % 4000, random);
    }
    // Two pages too large to be held in memory while they wait for their rewriting.
    AddPage(site, dir + "index.html", index, c % 25 == 3 ? 1200 * 1024 : random() % 6000, random);
    home["c" + std::to_string(c)] = crate + "/index.html";
  }
  AddPage(site, "/index.html", home, 100, random);
  return site;
}

// The value of the first HREF or SRC attribute of the tag whose id is `id`.
std::string LinkOfTag(const std::string& page, const std::string& id) {
  const std::regex tag("<[^>]*\\bid=\"" + id + "\"[^>]*>", std::regex::icase);
  std::smatch found;
  if (!std::regex_search(page, found, tag)) return "(no tag)";
  static const std::regex attr(R"re([\s<](?:HREF|SRC)\s*=\s*"([^"]*)")re", std::regex::icase);
  const std::string text = found.str();
  std::smatch value;
  return std::regex_search(text, value, attr) ? value[1].str() : "(no link)";
}

class CapturePropertyTest : public ::testing::TestWithParam<std::uint32_t> {
 protected:
  void SetUp() override {
    folder_ = fs::path(::testing::TempDir()) /
              ("korvane_property_" + std::to_string(::getpid()) + "_" + std::to_string(GetParam()));
    fs::remove_all(folder_);
    mime_.SetToDefault();
    settings_.MaxSockets = 9;
    // Every request is for a file of the site; robots.txt is asked for where a test says so.
    defaults_.Politeness.Robots = false;
    // Odd seeds store the site in its own folders, even ones flat in the web's folder.
    defaults_.SiteLayout = GetParam() % 2 == 1;
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(folder_);
  }

  // Where the stored copy of `path` is, through the record of its address.
  // A stored file's name inside the web's folder.
  std::string Name(const fs::path& file) const { return file.lexically_relative(folder_).string(); }
  fs::path Stored(TWEB& web, const TShufflingHttpServer& server, const std::string& path) {
    const TWebFile* record = web.Tree().Find(server.Url(path));
    if (!record || (record->State != wsPage && record->State != wsFile)) return {};
    return folder_ / record->GetFileName();
  }

  // What a stored file reached through a link must hold to be the file of `path`.
  void ExpectFileOf(const TSite& site, const fs::path& file, const std::string& path,
                    const std::string& context) {
    const TServedFile& served = site.files.at(path);
    const std::string stored = ReadFile(file);
    if (served.ContentType == "text/html") {
      EXPECT_NE(stored.find(Marker(path)), std::string::npos) << context << " -> " << file;
    } else if (served.ContentType == "text/css") {
      EXPECT_TRUE(stored.starts_with("/*css*/")) << context << " -> " << file;
    } else {
      EXPECT_TRUE(stored == served.Body) << context << " -> " << file << " is not " << path;
    }
  }

  // A new web on the server's site in the test's folder.
  std::unique_ptr<TWEB> NewWeb(const TShufflingHttpServer& server) {
    auto web = std::make_unique<TWEB>(defaults_);
    EXPECT_TRUE(web->Init(server.Url("/index.html"), folder_.string(), mime_));
    web->SetFileName(web->Path() + "Local.Web");
    return web;
  }
  TCaptureRunResult Capture(TWEB& web) {
    TCaptureRunHooks hooks;
    return testing::DriveCapture(web, settings_, hub_, lib_.Pump(), hooks);
  }

  TAsioSocketLibrary lib_;
  TSocketHub hub_{&lib_};
  TOPTIONS defaults_;
  TMIMELIST mime_;
  TCaptureSettings settings_;
  fs::path folder_;
};

TEST_P(CapturePropertyTest, NineConnectionsInAnyOrderStoreWhatWasServed) {
  const TSite site = MakeSite();
  TShufflingHttpServer server(site.files, GetParam());
  std::unique_ptr<TWEB> owned = NewWeb(server);
  TWEB& web = *owned;
  const TCaptureRunResult result = Capture(web);
  ASSERT_TRUE(result.Error.empty()) << result.Error;
  EXPECT_TRUE(result.Resolved);
  EXPECT_EQ(server.UnknownRequests(), 0);
  EXPECT_GT(server.MostAtOnce(), 1) << "the connections never overlapped";

  // Every address has its file, and no file is another address's.
  std::map<std::string, std::string> owner_of_name;
  for (const auto& [path, served] : site.files) {
    const fs::path file = Stored(web, server, path);
    ASSERT_FALSE(file.empty()) << path << " was not captured";
    auto [owner, added] = owner_of_name.emplace(AnsiLowerCase(Name(file)), path);
    EXPECT_TRUE(added) << path << " and " << owner->second << " share " << file;
    ExpectFileOf(site, file, path, path);
  }
  EXPECT_EQ(web.ErrorCount(), 0);
  // Every link of a rewritten page or stylesheet leads to its address's file.
  for (const auto& [page, links] : site.links) {
    const fs::path file = Stored(web, server, page);
    const std::string stored = ReadFile(file);
    for (const auto& [id, target] : links) {
      const std::string link = LinkOfTag(stored, id);
      const fs::path linked = file.parent_path() / link;
      ASSERT_TRUE(fs::exists(linked)) << page << " #" << id << " leads to " << link;
      ExpectFileOf(site, linked, target, page + " #" + id);
    }
  }
  for (const auto& [sheet, urls] : site.css_urls) {
    const fs::path file = Stored(web, server, sheet);
    const std::string stored = ReadFile(file);
    static const std::regex url(R"re(url\(\s*["']?([^"')]+))re");
    std::vector<std::string> found;
    for (std::sregex_iterator it(stored.begin(), stored.end(), url), end; it != end; ++it) {
      found.push_back((*it)[1].str());
    }
    ASSERT_EQ(found.size(), urls.size()) << stored;
    for (std::size_t i = 0; i < urls.size(); ++i) {
      ExpectFileOf(site, file.parent_path() / found[i], urls[i],
                   sheet + " url " + std::to_string(i));
    }
  }
}

// A whole web captured again from its start address (the Reset of the desktop program) keeps the
// name of every address, whatever order the second capture meets them in.
TEST_P(CapturePropertyTest, AWebCapturedAgainKeepsItsNames) {
  const TSite site = MakeSite();
  TShufflingHttpServer server(site.files, GetParam());
  std::unique_ptr<TWEB> owned = NewWeb(server);
  TWEB& web = *owned;
  ASSERT_TRUE(Capture(web).Error.empty());
  std::map<std::string, std::string> first;
  for (const auto& [path, served] : site.files) {
    first[path] = Name(Stored(web, server, path));
  }
  ASSERT_TRUE(web.Clean().empty());
  ASSERT_TRUE(Capture(web).Error.empty());
  int renamed = 0;
  for (const auto& [path, name] : first) {
    const fs::path now = Stored(web, server, path);
    if (Name(now) != name) ++renamed;
    ExpectFileOf(site, now, path, path);
  }
  EXPECT_EQ(renamed, 0);
}

// A host given two connections never has more open at once, whatever order and pace the server
// answers in; its robots.txt is read before its first page, and what it disallows is left.
TEST_P(CapturePropertyTest, AHostNeverHasMoreConnectionsThanItIsGiven) {
  TSite site = MakeSite();
  site.files["/robots.txt"] = {"text/plain", "User-agent: *\nDisallow: /crate7/\n"};
  TShufflingHttpServer server(site.files, GetParam());
  defaults_.Politeness.Robots = true;
  defaults_.Politeness.PerHost = 2;
  std::unique_ptr<TWEB> web = NewWeb(server);
  const TCaptureRunResult result = Capture(*web);
  ASSERT_TRUE(result.Error.empty()) << result.Error;
  EXPECT_EQ(server.MostAtOnce(), 2);
  EXPECT_EQ(server.UnknownRequests(), 0);
  EXPECT_EQ(web->ErrorCount(), 0);
  for (const auto& [path, served] : site.files) {
    if (path == "/robots.txt") continue;
    const TWebFile* record = web->Tree().Find(server.Url(path));
    if (path.starts_with("/crate7/")) {
      EXPECT_TRUE(!record || record->State == wsFiltered) << path;
    } else {
      EXPECT_FALSE(Stored(*web, server, path).empty()) << path << " was not captured";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, CapturePropertyTest, ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
}  // namespace korvane
