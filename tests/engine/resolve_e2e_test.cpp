// The bundled sample site captured from nginx, then resolved as after every capture: every link
// of every stored page must lead to a file of the folder, and the indexes must list every
// captured file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "base/data_folder.h"
#include "base/message_pump.h"
#include "base/text_case.h"
#include "base/text_encoding.h"
#include "engine/capture_run.h"
#include "engine/resolve_links.h"
#include "engine/web.h"
#include "html/css_scanner.h"
#include "html/requisite_links.h"
#include "net/socket_hub.h"
#include "net/socket_library_asio.h"
#include "support/capture_driver.h"
#include "support/disk_file.h"
#include "support/nginx_server.h"
#include "support/test_certificates.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using testing::TNginxServer;

using testing::ReadFile;

// The page without its comments: what the program adds between marker comments (the footer
// naming the original address) is for reading on line, and the address line is a comment.
std::string WithoutComments(std::string page) {
  const std::regex footer("<!--KORVANE=ON-->[\\s\\S]*?<!--KORVANE=OFF-->");
  page = std::regex_replace(page, footer, "");
  return std::regex_replace(page, std::regex("<!--[\\s\\S]*?-->"), "");
}

// Every HREF, SRC, BACKGROUND, POSTER and DATA value of a page, every SRCSET candidate, and every
// address of its stylesheet text (STYLE elements and attributes); OLDREF and the OLD attributes,
// which keep the original addresses, are other attributes.
std::vector<std::string> Links(const std::string& page) {
  static const std::regex attr(
      R"((?:^|[\s<])(HREF|SRC|BACKGROUND|POSTER|DATA|SRCSET)\s*=\s*("[^"]*"|'[^']*'|[^\s>]+))",
      std::regex::icase);
  std::vector<std::string> links;
  for (std::sregex_iterator it(page.begin(), page.end(), attr), end; it != end; ++it) {
    std::string v = (*it)[2];
    if (!v.empty() && (v.front() == '"' || v.front() == '\'')) v = v.substr(1, v.size() - 2);
    if (AnsiUpperCase((*it)[1].str()) == "SRCSET") {
      for (const TValueAddress& a : SrcsetAddresses(v)) links.push_back(a.Address);
    } else {
      links.push_back(v);
    }
  }
  for (const TCssAddress& a : FindCssAddresses(page)) links.push_back(a.Address);
  return links;
}

// Where a link leads, as the file name a browser reads it as: empty when it stays on the page or
// is no web address (mail, data).
std::string LocalTarget(std::string link) {
  if (AnsiLowerCase(link).starts_with("mailto:") || !IsFetchableAddress(link)) return "";
  link = link.substr(0, link.find('#'));
  std::string file;
  for (std::size_t i = 0; i < link.size(); ++i) {
    if (link[i] == '%' && i + 2 < link.size()) {
      file.push_back(static_cast<char>(std::stoi(link.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      file.push_back(link[i]);
    }
  }
  return file;
}

// The folder of a web file name, where its relative links start.
fs::path FolderOf(const std::string& name) { return fs::path(name.substr(0, name.rfind('/') + 1)); }

// The file name without its folder and without the query folded into it ("site.css@v=2.css").
std::string Leaf(const std::string& name) {
  const std::string leaf = name.substr(name.rfind('/') + 1);
  return leaf.substr(0, leaf.find('@'));
}

class ResolveEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(::testing::TempDir()) / ("korvane_resolve_" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    mime_.SetToDefault();
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Captures `url` as after every capture, links resolved, and checks that the copy reads from
  // disk.
  TWEB& CaptureAndCheck(const std::string& url, const std::string& ca_file) {
    web_ = std::make_unique<TWEB>(defaults_);
    EXPECT_TRUE(web_->Init(url, folder_.string(), mime_));
    web_->SetFileName(web_->Path() + "Local.Web");
    web_->EditOptions().CaFile = ca_file;
    TCaptureSettings settings;
    settings.MaxSockets = 4;
    TCaptureRunHooks hooks;
    TSommaireParam param;
    param.ImgRatio = true;
    TCaptureRunResult run = testing::DriveCapture(*web_, settings, hub_, lib_.Pump(), hooks, param);
    CheckCapture(*web_, run);
    return *web_;
  }
  void CheckCapture(TWEB& web, const TCaptureRunResult& run);

  std::unique_ptr<TWEB> web_;
  TAsioSocketLibrary lib_;
  TSocketHub hub_{&lib_};
  TOPTIONS defaults_;
  TMIMELIST mime_;
  fs::path folder_;
};

TEST_F(ResolveEndToEndTest, SampleSiteReadsFromDiskWithEveryLinkLocalInBothLayouts) {
  TNginxServer server;
  ASSERT_TRUE(server.Running()) << server.Error();
  for (const bool site : {true, false}) {
    SCOPED_TRACE(site ? "site layout" : "flat layout");
    fs::remove_all(folder_);
    defaults_.SiteLayout = site;
    TWEB& web = CaptureAndCheck(server.Url("/"), {});
    const TWebFile* intro = web.Tree().Find(server.Url("/modern/guide/intro.htm"));
    ASSERT_NE(intro, nullptr);
    const std::string host = "127.0.0.1_" + std::to_string(server.Port());
    EXPECT_EQ(intro->GetFileName(), site ? host + "/modern/guide/intro.htm" : "intro.htm");
  }
}

// The same site over https, its certificate from an authority the web is given, reached from
// its http address that sends every page to https.
TEST_F(ResolveEndToEndTest, SampleSiteOverHttpsReadsFromDiskWithEveryLinkLocal) {
  const auto& certificates = testing::TTestCertificates::Get();
  ASSERT_TRUE(certificates.Ready()) << certificates.Error();
  TNginxServer server(TNginxServer::SampleSiteFolder(), &certificates.Good());
  ASSERT_TRUE(server.Running()) << server.Error();
  TWEB& web = CaptureAndCheck("http://127.0.0.1:" + std::to_string(server.PlainPort()) + "/",
                              certificates.CaFile());
  TWebFile* home = web.Tree().Find(server.Url("/index.htm"));
  ASSERT_NE(home, nullptr);
  EXPECT_EQ(home->State, wsPage);
  EXPECT_EQ(web.Tree().Find(web.Url()), web.Tree().Find(server.Url("/")));
  EXPECT_EQ(web.Tree().Find(server.Url("/old-page.htm")),
            web.Tree().Find(server.Url("/news/index.htm")));
}

void ResolveEndToEndTest::CheckCapture(TWEB& web, const TCaptureRunResult& run) {
  ASSERT_GE(run.Captured, 30);
  ASSERT_TRUE(run.Resolved);
  EXPECT_GT(web.TotalSize(), 0);

  std::set<std::string> captured;  // local names of captured files, lower case
  std::set<std::string> leaves;    // the same without their folders
  std::vector<std::string> pages;
  web.Tree().Explore([&](TWebFile& record, const std::string&) {
    if (record.State == wsPage || record.State == wsFile) {
      EXPECT_EQ(record.GetFileName().find('/') != std::string::npos, web.Options().SiteLayout)
          << record.GetFileName();
      captured.insert(AnsiLowerCase(record.GetFileName()));
      leaves.insert(AnsiLowerCase(Leaf(record.GetFileName())));
      if (record.State == wsPage || IsStylesheetType(record.GetMimeType())) {
        pages.push_back(record.GetFileName());
      }
    }
    return false;
  });

  // What today's part of the site needs is captured under the names browsers read it by.
  for (const char* file : {"site.css", "base.css", "app.js", "sample.woff2", "photo.webp",
                           "badge.svg", "hero2x.png", "stripe.png", "note.gif", "frame.htm"}) {
    EXPECT_TRUE(leaves.count(file)) << file;
  }

  // Every link of every captured page and stylesheet leads to a file of the folder.
  int links = 0;
  for (const std::string& name : pages) {
    for (const std::string& link : Links(WithoutComments(ReadFile(folder_ / name)))) {
      std::string target = LocalTarget(link);
      if (target.empty()) continue;
      ++links;
      EXPECT_TRUE(fs::exists(folder_ / FolderOf(name) / target)) << name << ": " << link;
      EXPECT_EQ(target.find(':'), std::string::npos) << name << ": " << link;
    }
  }
  EXPECT_GT(links, 100);

  // The indexes list every captured file, and their own local links all lead somewhere.
  std::string indexes;
  for (const auto& entry : fs::directory_iterator(folder_)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with("_Ix") && name != "_Home.htm") continue;
    const std::string page = ReadFile(entry.path());
    indexes += page;
    for (const std::string& link : Links(WithoutComments(page))) {
      // The original address, for reading on line.
      if (link.starts_with("http:") || link.starts_with("https:")) continue;
      EXPECT_TRUE(fs::exists(folder_ / LocalTarget(link))) << name << ": " << link;
    }
  }
  std::set<std::string> listed;
  for (const std::string& link : Links(indexes)) listed.insert(AnsiLowerCase(LocalTarget(link)));
  for (const std::string& name : captured) {
    EXPECT_TRUE(listed.count(name)) << name << " is in no index";
  }
  EXPECT_TRUE(fs::exists(folder_ / "korvane.css"));
  EXPECT_FALSE(fs::exists(folder_ / "_Home.krv"));
}

// The bytes of a stored page with what changes from run to run (the server's port, dates and
// times) written as the recorded pages have them.
std::string Normalised(std::string page, int port) {
  const std::string host = "127.0.0.1:" + std::to_string(port);
  for (std::size_t at; (at = page.find(host)) != std::string::npos;) {
    page.replace(at, host.size(), "127.0.0.1:PORT");
  }
  page = std::regex_replace(page,
                            std::regex("[A-Z][a-z]+day \\d+ [A-Z][a-z]{2} \\d{4} , "
                                       "\\d\\d:\\d\\d:\\d\\d"),
                            "DATE");
  page = std::regex_replace(page, std::regex("\\d\\d/\\d\\d/\\d\\d"), "SHORTDATE");
  return std::regex_replace(page, std::regex("\\d\\d:\\d\\d:\\d\\d"), "TIME");
}

// Without page requisites, and with the MIME table a first mime.def had, the sample site is
// stored byte for byte as Korvane stored it before the option existed.
TEST_F(ResolveEndToEndTest, WithoutRequisitesEveryPageIsStoredAsBefore) {
  TNginxServer server;
  ASSERT_TRUE(server.Running()) << server.Error();
  TOPTIONS original;
  original.PageRequisites = false;
  original.SiteLayout = false;
  original.Politeness = TPoliteness::Original();
  original.Protocol = "1.0";
  TWEB web(original);
  EXPECT_TRUE(web.Init(server.Url("/"), folder_.string(), mime_));
  web.SetFileName(web.Path() + "Local.Web");
  TCaptureSettings settings;
  settings.MaxSockets = 1;
  TCaptureRunHooks hooks;
  ASSERT_TRUE(testing::DriveCapture(web, settings, hub_, lib_.Pump(), hooks).Resolved);
  const fs::path recorded = fs::path(KORVANE_PROJECT_DIR) / "tests/data/design-capture";
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(recorded)) {
    const std::string name = entry.path().filename().string();
    if (!name.ends_with(".htm")) continue;
    ++compared;
    std::string expected = ReadFile(entry.path());
    // The home page and indexes are now written in UTF-8, and say so; their content is the same.
    constexpr std::string_view kOld = "<meta charset=\"windows-1252\">";
    if (const std::size_t at = expected.find(kOld); name[0] == '_' && at != std::string::npos) {
      expected = Win1252ToUtf8(expected.replace(at, kOld.size(), "<meta charset=\"utf-8\">"));
    }
    EXPECT_EQ(Normalised(ReadFile(folder_ / name), server.Port()), expected) << name;
  }
  EXPECT_GE(compared, 40);
  // Nothing else was captured: no stylesheet, script, font or modern picture.
  for (const char* file : {"site.css", "app.js", "sample.woff2", "photo.webp", "frame.htm"}) {
    EXPECT_FALSE(fs::exists(folder_ / file)) << file;
  }
}

}  // namespace
}  // namespace korvane
