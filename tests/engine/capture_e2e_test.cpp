// Whole captures with the real socket library: the bundled sample site served by nginx, and
// several invented webs served through a scripted proxy on loopback (nothing is resolved).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "base/message_pump.h"
#include "engine/capture_run.h"
#include "engine/web.h"
#include "net/socket_hub.h"
#include "net/socket_library_asio.h"
#include "support/capture_driver.h"
#include "support/disk_file.h"
#include "support/loopback_http_server.h"
#include "support/nginx_server.h"
#include "support/test_certificates.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using testing::TLoopbackHttpServer;
using testing::TNginxServer;

using testing::ReadFile;

class CaptureEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(::testing::TempDir()) / ("korvane_e2e_" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    mime_.SetToDefault();
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::unique_ptr<TWEB> NewWeb(const std::string& url) {
    auto web = std::make_unique<TWEB>(defaults_);
    EXPECT_TRUE(web->Init(url, folder_.string(), mime_));
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

// The log page stays open through a run, and what each step logged is on the disk when the step
// returns: a kill loses at most the lines of the step it interrupts.
TEST_F(CaptureEndToEndTest, TheLogPageIsOnTheDiskAfterEveryStep) {
  TNginxServer server;
  ASSERT_TRUE(server.Running()) << server.Error();
  auto web = NewWeb(server.Url("/"));
  const fs::path log = folder_ / "LogFile.htm";
  int checked = 0;
  TCaptureRunHooks hooks;
  auto on_disk = [&] {
    const std::string text = ReadFile(log);
    EXPECT_NE(text.find("<br>D\xE9"
                        "but de capture le "),
              std::string::npos);
    const TWebFile* missing = web->Tree().Find(server.Url("/missing.htm"));
    if (missing && missing->State == wsNotFound) {
      ++checked;
      EXPECT_NE(text.find("(404):" + server.Url("/missing.htm") + "\r\n"), std::string::npos);
    }
  };
  const TCaptureRunResult result =
      testing::DriveCapture(*web, settings_, hub_, lib_.Pump(), hooks, {}, on_disk);
  EXPECT_GT(checked, 0);
  EXPECT_NE(ReadFile(log).find(std::to_string(result.Captured) + " page(s) captur\xE9"),
            std::string::npos);
}

TEST_F(CaptureEndToEndTest, SampleSiteFromNginx) {
  TNginxServer server;
  ASSERT_TRUE(server.Running()) << server.Error();
  settings_.MaxSockets = 4;
  auto web = NewWeb(server.Url("/"));
  TCaptureRunResult result = Capture(*web);
  ASSERT_TRUE(result.Saved);
  EXPECT_FALSE(result.Stopped);
  EXPECT_GE(result.Captured, 30);

  // Every kept record has its file, and pictures arrive byte for byte.
  int files = 0;
  web->Tree().Explore([&](TWebFile& record, const std::string& url) {
    if (record.State == wsPage || record.State == wsFile) {
      ++files;
      EXPECT_TRUE(fs::exists(folder_ / record.GetFileName())) << url;
    }
    return false;
  });
  EXPECT_GE(files, 30);
  TWebFile* logo = web->Tree().Find(server.Url("/images/nav.gif"));
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->State, wsFile);
  EXPECT_EQ(ReadFile(folder_ / logo->GetFileName()),
            ReadFile(fs::path(TNginxServer::SampleSiteFolder()) / "images/nav.gif"));

  // The redirection leads to its target's record; the missing page to the not-found page.
  EXPECT_EQ(web->Tree().Find(server.Url("/old-page.htm")),
            web->Tree().Find(server.Url("/news/index.htm")));
  TWebFile* missing = web->Tree().Find(server.Url("/missing.htm"));
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->State, wsNotFound);
  EXPECT_EQ(missing->GetFileName(), "NotFound.htm");

  const std::string log = ReadFile(folder_ / "LogFile.htm");
  EXPECT_NE(log.find("<br>D\xE9"
                     "but de capture le "),
            std::string::npos);
  EXPECT_NE(log.find("<br>URL non trouv\xE9"
                     "e (404):" +
                     server.Url("/missing.htm") + "\r\n"),
            std::string::npos);
  EXPECT_NE(log.find(" filtr\xE9 : Externe au domaine principal\r\n"), std::string::npos);
  EXPECT_NE(log.find("<br>" + std::to_string(result.Captured) +
                     " page(s) captur\xE9"
                     "e(s)\r\n"),
            std::string::npos);

  // The captured pages carry their footer naming the real address.
  TWebFile* about = web->Tree().Find(server.Url("/about.htm"));
  ASSERT_NE(about, nullptr);
  EXPECT_NE(ReadFile(folder_ / about->GetFileName()).find("<!--KORVANE=ON-->"), std::string::npos);
  EXPECT_EQ(about->GetDescription(), "About the workshop");

  // The web reloads from its project file.
  TWEB back(defaults_);
  ASSERT_TRUE(back.LoadFromFile(web->FileName()));
  EXPECT_EQ(back.CapturedCount(), web->CapturedCount());
  EXPECT_EQ(back.Tree().Find(server.Url("/about.htm"))->GetFileName(), about->GetFileName());
  EXPECT_EQ(back.LastCaptureInfo().CapturedCount, result.Captured);

  // Captured again, the web finds everything done and fetches only what is left to try.
  TCaptureRunResult again = Capture(back);
  EXPECT_EQ(again.Captured, 0);
}

// Invented webs behind a proxy: the proxy answers by the full address of each request line.
TEST_F(CaptureEndToEndTest, SeveralWebsThroughAProxy) {
  std::map<std::string, std::string> site = {
      {"http://www.site-a.test/",
       TLoopbackHttpServer::OkResponse(
           "<HTML><TITLE>A</TITLE><A HREF=page2.htm>2</A><IMG SRC=http://img.site-a.test/p.gif>"
           "<A HREF=http://www.site-b.test/>B</A></HTML>")},
      {"http://www.site-a.test/page2.htm", TLoopbackHttpServer::OkResponse("<HTML>two</HTML>")},
      {"http://img.site-a.test/p.gif", TLoopbackHttpServer::OkResponse("GIF89a", "image/gif")},
      {"http://www.site-b.test/",
       TLoopbackHttpServer::OkResponse("<HTML><A HREF=deeper.htm>deeper</A></HTML>")},
      {"http://www.site-b.test/deeper.htm", TLoopbackHttpServer::OkResponse("<HTML>d</HTML>")},
  };
  TLoopbackHttpServer proxy;
  proxy.Route([&site](const std::string& request) {
    std::string target = request.substr(4, request.find(' ', 4) - 4);
    auto it = site.find(target);
    return it != site.end() ? it->second : std::string("HTTP/1.0 404 Not found\r\n\r\n");
  });
  settings_.UseProxy = true;
  settings_.ProxyAdress = "127.0.0.1";
  settings_.ProxyPort = proxy.Port();
  auto web = NewWeb("http://www.site-a.test/");
  web->EditOptions().ExternalWebDepth = 1;
  web->EditOptions().ExternalLinkDepth = 0;
  TCaptureRunResult result = Capture(*web);

  EXPECT_EQ(result.Captured, 4);
  EXPECT_EQ(web->Tree().Find("http://img.site-a.test/p.gif")->State, wsFile);
  TWebFile* b = web->Tree().Find("http://www.site-b.test/");
  EXPECT_EQ(b->State, wsPage);
  EXPECT_EQ(b->ExternalDepth, 1);
  EXPECT_EQ(web->Tree().Find("http://www.site-b.test/deeper.htm")->State, wsFiltered);
  EXPECT_NE(
      ReadFile(folder_ / "LogFile.htm")
          .find("<br>http://www.site-b.test/deeper.htm filtr\xE9 : Niveau externe max atteint"),
      std::string::npos);
  for (const std::string& request : proxy.Requests()) {
    EXPECT_EQ(request.rfind("GET http://", 0), 0u) << request;
  }
}

// The web's rules steer a real capture: an excluded page is never asked for and is in the log
// with its rule, an included one is fetched from outside the start's folder; every request names
// the page that linked it and carries the web's extra header.
TEST_F(CaptureEndToEndTest, RulesKeepOutAndLetInAndRequestsSayWhereTheyComeFrom) {
  TLoopbackHttpServer server;
  server.Route([](const std::string& request) {
    const std::string path = request.substr(4, request.find(' ', 4) - 4);
    if (path == "/docs/index.htm") {
      return TLoopbackHttpServer::OkResponse(
          "<HTML><A HREF=a.htm>a</A><A HREF=private/secret.htm>s</A>"
          "<A HREF=/blog/post.htm>b</A><A HREF=/other.htm>o</A></HTML>");
    }
    return TLoopbackHttpServer::OkResponse("<HTML>" + path + "</HTML>");
  });
  auto web = NewWeb(server.Url("/docs/index.htm"));
  web->EditOptions().AddressRules = {"- **/private/**", "+ **/blog/**"};
  web->EditOptions().RequestHeaders = {"X-Token: abc"};
  web->EditOptions().Politeness.Robots = false;  // every request here is one the page led to
  const TCaptureRunResult result = Capture(*web);

  EXPECT_EQ(result.Captured, 3);
  EXPECT_EQ(web->Tree().Find(server.Url("/blog/post.htm"))->State, wsPage);
  EXPECT_EQ(web->Tree().Find(server.Url("/docs/private/secret.htm"))->State, wsFiltered);
  EXPECT_EQ(web->Tree().Find(server.Url("/other.htm"))->State, wsFiltered);
  const std::string log = ReadFile(folder_ / "LogFile.htm");
  EXPECT_NE(log.find("<br>" + server.Url("/docs/private/secret.htm") +
                     " filtered by rule - **/private/**\r\n"),
            std::string::npos)
      << log;
  const std::string referer = "\r\nReferer: " + server.Url("/docs/index.htm") + "\r\n";
  int linked = 0;
  for (const std::string& request : server.Requests()) {
    EXPECT_EQ(request.find("/private/"), std::string::npos) << request;
    EXPECT_NE(request.find("\r\nX-Token: abc\r\n"), std::string::npos) << request;
    if (request.find("GET /docs/index.htm") == 0) continue;
    EXPECT_NE(request.find(referer), std::string::npos) << request;
    ++linked;
  }
  EXPECT_EQ(linked, 2);
}

// A site of today behind a proxy: http://www.site.test/ sends to https, which the proxy reaches
// through a tunnel; the server holds several sites and knows this one by its name, in the Host
// line and in the TLS handshake. The whole sample site is captured, each page once, securely.
// A new web asks for robots.txt before its first page, and never for what it disallows.
TEST_F(CaptureEndToEndTest, WhatRobotsTxtDisallowsIsNeverAsked) {
  TLoopbackHttpServer server;
  server.Route([](const std::string& request) {
    if (request.starts_with("GET /robots.txt ")) {
      return TLoopbackHttpServer::OkResponse("User-agent: *\nDisallow: /secret\n", "text/plain");
    }
    if (request.starts_with("GET / ")) {
      return TLoopbackHttpServer::OkResponse(
          "<a href=\"open.htm\">o</a><a href=\"secret.htm\">s</a><a href=\"secret/x.htm\">x</a>");
    }
    return TLoopbackHttpServer::OkResponse("<p>page</p>");
  });
  auto web = NewWeb(server.Url("/"));
  const TCaptureRunResult result = Capture(*web);
  EXPECT_EQ(result.Captured, 2);
  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_TRUE(requests[0].starts_with("GET /robots.txt ")) << requests[0];
  for (const std::string& request : requests) EXPECT_EQ(request.find("secret"), std::string::npos);
  EXPECT_EQ(web->FilteredCount(), 2);
  std::ifstream log(folder_ / "LogFile.htm", std::ios::binary);
  const std::string logged((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_NE(logged.find(server.Url("/secret.htm") + " filtered : disallowed by robots.txt"),
            std::string::npos)
      << logged;
  EXPECT_FALSE(fs::exists(folder_ / "robots.txt"));  // read, not kept as a file of the web
}

TEST_F(CaptureEndToEndTest, AnHttpSiteMovedToHttpsThroughAProxy) {
  const auto& certificates = testing::TTestCertificates::Get();
  ASSERT_TRUE(certificates.Ready()) << certificates.Error();
  TNginxServer server(TNginxServer::SampleSiteFolder(), &certificates.Good());
  ASSERT_TRUE(server.Running()) << server.Error();
  const std::string site = testing::TTestCertificates::kSiteName;
  TLoopbackHttpServer proxy;
  proxy.Tunnel(server.Port());
  proxy.Route([&site](const std::string& request) {
    const std::string prefix = "GET http://" + site;
    if (request.rfind(prefix, 0) != 0) return std::string("HTTP/1.0 404 Not found\r\n\r\n");
    const std::string path = request.substr(prefix.size(), request.find(' ', 4) - prefix.size());
    return "HTTP/1.0 301 Moved\r\nLocation: https://" + site + path + "\r\n\r\n";
  });
  settings_.UseProxy = true;
  settings_.ProxyAdress = "127.0.0.1";
  settings_.ProxyPort = proxy.Port();
  settings_.MaxSockets = 1;  // the proxy relays one connection at a time
  auto web = NewWeb("http://" + site + "/");
  web->EditOptions().CaFile = certificates.CaFile();
  web->EditOptions().Politeness.Robots = false;  // the proxy's every request is checked below
  web->EditOptions().Protocol = "1.0";           // a connection, and a tunnel, per request
  TCaptureRunResult result = Capture(*web);
  EXPECT_GE(result.Captured, 30);

  TWebFile* home = web->Tree().Find("https://" + site + "/");
  ASSERT_NE(home, nullptr);
  EXPECT_EQ(home->State, wsPage);
  EXPECT_EQ(web->Tree().Find("http://" + site + "/"), home);
  EXPECT_EQ(web->Tree().Find("https://" + site + "/about.htm")->State, wsPage);
  // One site on the home page, though its address was met under both protocols.
  const std::string home_page = ReadFile(folder_ / "_Home.htm");
  const std::string row = ">" + site + "</A>";
  ASSERT_NE(home_page.find(row), std::string::npos) << home_page;
  EXPECT_EQ(home_page.find(row), home_page.rfind(row));

  // Every page was asked for once, by the site's name.
  std::istringstream log(server.AccessLog());
  std::map<std::string, int> asked;
  const std::regex line("\"GET ([^ ]+) HTTP/1.0\" \\d+ host=([^ ]+) sni=([^ ]+) reused=");
  int lines = 0;
  for (std::string entry; std::getline(log, entry); ++lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_search(entry, m, line)) << entry;
    ++asked[m[1]];
    EXPECT_EQ(m[2], site) << entry;
    EXPECT_EQ(m[3], site) << entry;
  }
  EXPECT_GE(lines, 30);
  for (const auto& [path, times] : asked) EXPECT_EQ(times, 1) << path;
  // The proxy saw the http address once, then only tunnels to the site's https port.
  const auto requests = proxy.Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests[0].rfind("GET http://" + site + "/ HTTP/1.0\r\nHost: " + site + "\r\n", 0),
            0u);
  for (std::size_t i = 1; i < requests.size(); ++i) {
    EXPECT_EQ(
        requests[i].rfind("CONNECT " + site + ":443 HTTP/1.0\r\nHost: " + site + ":443\r\n", 0), 0u)
        << requests[i];
  }
}

// Cookies as a browser keeps them: a server's cookie goes back to its host under its path, a
// Domain cookie to the hosts of that domain, one for another domain or a whole top-level domain
// is refused; a cookies.txt from a browser reaches only its own domain and path. They stay in a
// file beside the project that only its owner can read, and never in the log.
TEST_F(CaptureEndToEndTest, CookiesGoOnlyWhereTheirRulesAllowAndStayWithTheWeb) {
  const std::string home =
      "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nSet-Cookie: sid=abc; Path=/; HttpOnly\r\n"
      "Set-Cookie: wide=1; Domain=.site.test\r\nSet-Cookie: evil=1; Domain=other.test\r\n"
      "Set-Cookie: tld=1; Domain=test\r\n\r\n"
      "<A HREF=a.htm>a</A><A HREF=private/b.htm>b</A><IMG SRC=http://img.site.test/p.gif>"
      "<A HREF=http://www.other.test/>other</A>";
  std::map<std::string, std::string> site = {
      {"http://www.site.test/", home},
      {"http://www.site.test/a.htm", TLoopbackHttpServer::OkResponse("a")},
      {"http://www.site.test/private/b.htm", TLoopbackHttpServer::OkResponse("b")},
      {"http://img.site.test/p.gif", TLoopbackHttpServer::OkResponse("GIF89a", "image/gif")},
      {"http://www.other.test/", TLoopbackHttpServer::OkResponse("o")},
  };
  TLoopbackHttpServer proxy;
  proxy.Route([&site](const std::string& request) {
    auto it = site.find(request.substr(4, request.find(' ', 4) - 4));
    return it != site.end() ? it->second : std::string("HTTP/1.0 404 Not found\r\n\r\n");
  });
  settings_.UseProxy = true;
  settings_.ProxyAdress = "127.0.0.1";
  settings_.ProxyPort = proxy.Port();
  fs::create_directories(folder_);
  settings_.CookieImport = (folder_ / "browser.txt").string();
  std::ofstream(settings_.CookieImport)
      << "# Netscape HTTP Cookie File\n#HttpOnly_www.site.test\tFALSE\t/private\tFALSE\t0\tlogin\t"
         "yes\n.other.test\tTRUE\t/\tFALSE\t0\tforeign\tno\n\n";
  auto web = NewWeb("http://www.site.test/");
  web->EditOptions().ExternalWebDepth = 1;
  EXPECT_EQ(Capture(*web).Captured, 5);

  std::map<std::string, std::string> sent;  // target: its Cookie line, "" for none
  for (const std::string& request : proxy.Requests()) {
    const std::size_t at = request.find("\r\nCookie: ");
    sent[request.substr(4, request.find(' ', 4) - 4)] =
        at == std::string::npos ? ""
                                : request.substr(at + 10, request.find('\r', at + 2) - at - 10);
  }
  EXPECT_EQ(sent["http://www.site.test/"], "");
  EXPECT_EQ(sent["http://www.site.test/a.htm"], "sid=abc; wide=1");
  EXPECT_EQ(sent["http://www.site.test/private/b.htm"], "login=yes; sid=abc; wide=1");
  EXPECT_EQ(sent["http://img.site.test/p.gif"], "wide=1");
  EXPECT_EQ(sent["http://www.other.test/"], "foreign=no");

  const fs::path kept = folder_ / "Local.cookies";
  const std::string jar = ReadFile(kept);
  for (const char* line : {"#HttpOnly_www.site.test\tFALSE\t/\tFALSE\t0\tsid\tabc\n",
                           ".site.test\tTRUE\t/\tFALSE\t0\twide\t1\n", "\tlogin\tyes\n"}) {
    EXPECT_NE(jar.find(line), std::string::npos) << line << jar;
  }
  EXPECT_EQ(jar.find("evil"), std::string::npos);
  EXPECT_EQ(jar.find("tld"), std::string::npos);
  EXPECT_EQ(fs::status(kept).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ReadFile(folder_ / "LogFile.htm").find("abc"), std::string::npos);
}

}  // namespace
}  // namespace korvane
