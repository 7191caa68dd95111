// korvane-cli as a user runs it: a capture of the sample site from nginx, then its figures and
// its pages, and the explanation of a capture that gets nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>

#include "engine/web.h"
#include "store/mime_list.h"
#include "support/loopback_http_server.h"
#include "support/nginx_server.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

struct TRun {
  int status = -1;
  std::string output;  // standard output and error
};

// Runs korvane-cli with `arguments`, or `program` (a whole command) when given.
TRun Cli(const std::string& arguments, const std::string& program = "") {
  TRun run;
  std::string command =
      (program.empty() ? std::string(KORVANE_CLI) + " " + arguments : program) + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, n);
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// Every file under `dir` with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files[entry.path().string()] = std::string(std::istreambuf_iterator<char>(in), {});
  }
  return files;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(::testing::TempDir()) / ("korvane_cli_" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    work_ = "--work-path " + (root_ / "work").string() + " ";
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path root_;
  std::string work_;
};

TEST_F(CliTest, CapturesTheSampleSiteThenReportsIt) {
  testing::TNginxServer server;
  ASSERT_TRUE(server.Running()) << server.Error();
  const fs::path web = root_ / "sample";
  TRun capture = Cli(work_ + "capture " + server.Url("/") + " " + web.string() +
                     " --title Sample --sockets 3 --no-list-gif --show-todo --max-disk 31M");
  ASSERT_EQ(capture.status, 0) << capture.output;
  EXPECT_NE(capture.output.find("file(s) captured"), std::string::npos) << capture.output;
  EXPECT_TRUE(fs::exists(web / "Local.Web"));
  EXPECT_TRUE(fs::exists(web / "LogFile.htm"));
  EXPECT_TRUE(fs::exists(root_ / "work" / "korvane.ini"));

  // Commands that only read a web change nothing, neither the web nor the settings.
  const auto before = Snapshot(root_);
  TRun info = Cli("info " + (web / "Local.Web").string());
  ASSERT_EQ(info.status, 0) << info.output;
  EXPECT_NE(info.output.find("Title         Sample"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("[Last capture]"), std::string::npos);
  // Switches as flags: --no-X is off, --X alone is on.
  EXPECT_NE(info.output.find("ListGifFlag=0"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("TodoUrlFlag=1"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("MaxDiskSize=31744"), std::string::npos) << info.output;  // in KB

  // The web's folder names it too.
  TRun by_folder = Cli("info " + web.string());
  EXPECT_EQ(by_folder.status, 0) << by_folder.output;
  EXPECT_NE(by_folder.output.find("Title         Sample"), std::string::npos);
  EXPECT_NE(Cli("info " + root_.string()).output.find("holds no web"), std::string::npos);
  TRun urls = Cli("urls " + (web / "Local.Web").string() + " --not-found");
  ASSERT_EQ(urls.status, 0);
  EXPECT_NE(urls.output.find("not-found  " + server.Url("/missing.htm")), std::string::npos)
      << urls.output;
  EXPECT_EQ(Snapshot(root_), before);

  // A second capture of the web finds nothing new (its missing page is still missing): it says
  // so, and succeeds.
  TRun again = Cli(work_ + "capture " + (web / "Local.Web").string());
  EXPECT_EQ(again.status, 0) << again.output;
  EXPECT_NE(again.output.find("Nothing new to capture: 1 address(es) still not found"),
            std::string::npos)
      << again.output;
  EXPECT_TRUE(fs::exists(web / "Local.Web"));

  // An update asks for every file again; nginx says each is current, and no file changes
  // but the log and the project's figures.
  auto kept = Snapshot(web);
  TRun update = Cli(work_ + "update " + web.string() + " --sockets 4");
  EXPECT_EQ(update.status, 0) << update.output;
  EXPECT_NE(update.output.find(" unchanged, 0 changed, 0 new, 0 gone;"), std::string::npos)
      << update.output;
  EXPECT_EQ(update.output.find("Update: 0 unchanged"), std::string::npos) << update.output;
  auto updated = Snapshot(web);
  for (auto* files : {&kept, &updated}) {
    files->erase((web / "LogFile.htm").string());
    files->erase((web / "Local.Web").string());
  }
  for (const auto& [name, bytes] : kept) {
    EXPECT_TRUE(updated.count(name) && updated[name] == bytes) << name << " changed";
  }
  EXPECT_EQ(updated.size(), kept.size());
  EXPECT_EQ(Cli(work_ + "update " + root_.string()).status, 2);

  // A new web is not made over the files of another without being asked.
  TRun over = Cli(work_ + "capture " + server.Url("/") + " " + web.string());
  EXPECT_EQ(over.status, 2);
  EXPECT_NE(over.output.find("--replace"), std::string::npos);
}

TEST_F(CliTest, ACaptureThatGetsNothingSaysWhy) {
  const int port = testing::TLoopbackHttpServer::UnusedPort();
  TRun run = Cli(work_ + "capture http://127.0.0.1:" + std::to_string(port) + "/ " +
                 (root_ / "none").string() + " --tries 1");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("Connection error"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Cannot reach server"), std::string::npos);
  EXPECT_NE(run.output.find("Cause: connection refused: http://127.0.0.1:"), std::string::npos)
      << run.output;
}

// Rules given on the command line keep their order across --include, --exclude and --rules, and
// steer the capture; the web keeps them and its header, whose value info does not show; a bad
// rule, rules file or header is refused by name before anything is made.
TEST_F(CliTest, RulesAndHeadersSteerTheCaptureAndBadOnesAreRefused) {
  testing::TLoopbackHttpServer server;
  server.Route([](const std::string& request) {
    if (request.rfind("GET /docs/ ", 0) == 0) {
      return testing::TLoopbackHttpServer::OkResponse(
          "<A HREF=a.htm>a</A><A HREF=old/b.htm>b</A><A HREF=/blog/c.htm>c</A>"
          "<A HREF=/blog/old/d.htm>d</A>");
    }
    return testing::TLoopbackHttpServer::OkResponse("page");
  });
  const fs::path rules = root_ / "rules.txt";
  std::ofstream(rules) << "# the blog too\ninclude **/blog/**\n";
  const fs::path web = root_ / "web";
  TRun run =
      Cli(work_ + "capture " + server.Url("/docs/") + " " + web.string() +
          " --exclude '**/old/**' --rules " + rules.string() + " --header 'X-Token: s3cret'");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("3 file(s) captured"), std::string::npos) << run.output;
  for (const std::string& request : server.Requests()) {
    EXPECT_EQ(request.find("/old/"), std::string::npos) << request;
    EXPECT_NE(request.find("\r\nX-Token: s3cret\r\n"), std::string::npos) << request;
  }
  TRun info = Cli("info " + (web / "Local.Web").string());
  EXPECT_NE(info.output.find("Rule1=- **/old/**\nRule2=+ **/blog/**\nHeader1=X-Token: (hidden)"),
            std::string::npos)
      << info.output;
  TRun tried = Cli("rules " + web.string() + " " + server.Url("/blog/old/x.htm") + " " +
                   server.Url("/docs/y.htm"));
  EXPECT_EQ(tried.status, 0) << tried.output;
  EXPECT_EQ(tried.output, "1 - **/old/**\n2 + **/blog/**\n" + server.Url("/blog/old/x.htm") +
                              ": rule 1 (- **/old/**) excludes it\n" + server.Url("/docs/y.htm") +
                              ": no rule matches: the limits decide\n");

  std::ofstream(rules) << "+ a\n- re:*x\n";
  const struct {
    std::string arguments, words;
  } refusals[] = {
      {"--include 're:a{'", "--include: \"re:a{\": the regular expression cannot be read"},
      {"--rules " + rules.string(), rules.string() + ":2: the regular expression cannot be read"},
      {"--rules " + (root_ / "none.txt").string(), "none.txt cannot be read"},
      {"--header 'Bad Name: v'", "--header: \"Bad Name: v\": the name \"Bad Name\" is no HTTP"},
  };
  for (const auto& [arguments, words] : refusals) {
    TRun refused =
        Cli(work_ + "capture http://127.0.0.1:1/ " + (root_ / "w").string() + " " + arguments);
    EXPECT_EQ(refused.status, 2) << arguments;
    EXPECT_NE(refused.output.find(words), std::string::npos) << refused.output;
    EXPECT_FALSE(fs::exists(root_ / "w")) << arguments;
  }
}

// A start address robots.txt disallows is not captured, and the capture says how to override
// it; the politeness options are taken by their flags and kept with the web.
TEST_F(CliTest, RobotsTxtMayRefuseTheStartAddressUnlessTurnedOff) {
  testing::TLoopbackHttpServer server;
  server.Route([](const std::string& request) {
    if (request.starts_with("GET /robots.txt ")) {
      return testing::TLoopbackHttpServer::OkResponse("User-agent: *\nDisallow: /\n", "text/plain");
    }
    return testing::TLoopbackHttpServer::OkResponse("<p>home</p>");
  });
  TRun refused = Cli(work_ + "capture " + server.Url("/") + " " + (root_ / "no").string());
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.output.find("robots.txt disallows the start address"), std::string::npos)
      << refused.output;
  EXPECT_NE(refused.output.find("--robots off"), std::string::npos) << refused.output;

  const fs::path folder = root_ / "yes";
  TRun taken = Cli(work_ + "capture " + server.Url("/") + " " + folder.string() +
                   " --robots off --per-host 2 --wait 0 --random-wait --limit-rate 200K");
  ASSERT_EQ(taken.status, 0) << taken.output;
  TOPTIONS defaults;
  TWEB web(defaults);
  ASSERT_TRUE(web.LoadFromFile((folder / "Local.Web").string()));
  EXPECT_EQ(web.Options().Politeness, (TPoliteness{false, 2, 0, true, 200 * 1024}));

  for (const char* bad : {"--limit-rate 2G", "--limit-rate 3000M", "--limit-rate fast"}) {
    TRun wrong =
        Cli(work_ + "capture " + server.Url("/") + " " + (root_ / "w").string() + " " + bad);
    EXPECT_EQ(wrong.status, 2) << bad;
    EXPECT_NE(wrong.output.find("bytes per second (a number of bytes, or with K or M)"),
              std::string::npos)
        << wrong.output;
  }
}

// Start addresses are checked before anything is made; one without a scheme is an http address;
// a first capture that gets nothing leaves no folder in the way of the corrected command; and
// --replace asks before it deletes.
TEST_F(CliTest, StartAddressesAreCheckedAndAFailedFirstCaptureLeavesNothing) {
  TRun ftp = Cli(work_ + "capture ftp://www.a.com/ " + (root_ / "a").string());
  EXPECT_EQ(ftp.status, 2);
  EXPECT_NE(ftp.output.find("\"ftp:\" is not supported"), std::string::npos) << ftp.output;
  EXPECT_FALSE(fs::exists(root_ / "a"));

  const std::string port = std::to_string(testing::TLoopbackHttpServer::UnusedPort());
  TRun bare =
      Cli(work_ + "capture 127.0.0.1:" + port + "/ " + (root_ / "b").string() + " --tries 1");
  EXPECT_EQ(bare.status, 1);
  EXPECT_NE(bare.output.find("URL :http://127.0.0.1:" + port + "/"), std::string::npos)
      << bare.output;
  EXPECT_FALSE(fs::exists(root_ / "b"));

  fs::create_directories(root_ / "c");
  std::ofstream(root_ / "c" / "mine.txt") << "keep me";
  TRun asked =
      Cli("", "echo n | " + std::string(KORVANE_CLI) + " " + work_ + "capture 127.0.0.1:" + port +
                  "/ " + (root_ / "c").string() + " --replace");
  EXPECT_EQ(asked.status, 2) << asked.output;
  EXPECT_TRUE(fs::exists(root_ / "c" / "mine.txt"));
}

// An address is checked whole, and one that ends like a project file is still an address; a
// page or a redirection never makes an http address up from a javascript:, file: or hostless one,
// and add-url refuses what cannot be captured.
TEST_F(CliTest, AddressesAreCheckedWholeAndNoneIsMadeUpFromALink) {
  TRun port = Cli(work_ + "capture http://127.0.0.1:99999/ " + (root_ / "p").string());
  EXPECT_EQ(port.status, 2);
  EXPECT_NE(port.output.find("the port \"99999\" is not a number from 1 to 65535"),
            std::string::npos)
      << port.output;
  EXPECT_FALSE(fs::exists(root_ / "p"));

  testing::TLoopbackHttpServer server;
  server.Route([](const std::string& request) {
    auto moved = [](const std::string& to) {
      return "HTTP/1.0 302 Found\r\nLocation: " + to + "\r\nContent-Length: 0\r\n\r\n";
    };
    if (request.starts_with("GET /f ")) return moved("file:///etc/passwd");
    if (request.starts_with("GET /n ")) return moved("http:///x");
    return testing::TLoopbackHttpServer::OkResponse(
        "<html><a href=\"f\">f</a><a href=\"n\">n</a>"
        "<a href=\"javascript:go()\">js</a></html>");
  });
  const fs::path web = root_ / "w";
  TRun capture = Cli(work_ + "capture " + server.Url("/site.web") + " " + web.string());
  ASSERT_EQ(capture.status, 0) << capture.output;
  TRun add = Cli(work_ + "add-url " + web.string() + " 'javascript:alert(1)'");
  EXPECT_EQ(add.status, 2);
  EXPECT_NE(add.output.find("the scheme \"javascript:\" is not supported"), std::string::npos)
      << add.output;
  TRun urls = Cli("urls " + web.string() + " --captured --todo --filtered --not-found");
  EXPECT_EQ(urls.output.find("http:///"), std::string::npos) << urls.output;
  EXPECT_NE(urls.output.find("filtered   file:///etc/passwd"), std::string::npos) << urls.output;
  std::ifstream log(web / "LogFile.htm", std::ios::binary);
  const std::string logged(std::istreambuf_iterator<char>(log), {});
  EXPECT_EQ(logged.find("javascript:go()"), std::string::npos) << logged;  // not a fault
  EXPECT_NE(logged.find("<br>http:///x : url non valide"), std::string::npos) << logged;
}

// https as a user meets it: a site whose authority the system does not know is refused with
// the reason, and captured once the web is given that authority; the web keeps it.
TEST_F(CliTest, AnHttpsSiteNeedsItsAuthorityOrTheUnsafeSwitch) {
  const auto& certificates = testing::TTestCertificates::Get();
  ASSERT_TRUE(certificates.Ready()) << certificates.Error();
  testing::TNginxServer server(testing::TNginxServer::SampleSiteFolder(), &certificates.Good());
  ASSERT_TRUE(server.Running()) << server.Error();
  TRun refused = Cli(work_ + "capture " + server.Url("/") + " " + (root_ / "refused").string());
  EXPECT_EQ(refused.status, 1) << refused.output;
  EXPECT_NE(refused.output.find("TLS: the server's certificate comes from an unknown issuer"),
            std::string::npos)
      << refused.output;

  const fs::path web = root_ / "trusted";
  TRun trusted = Cli(work_ + "capture " + server.Url("/") + " " + web.string() + " --ca-file " +
                     certificates.CaFile() + " --sockets 4");
  ASSERT_EQ(trusted.status, 0) << trusted.output;
  TRun info = Cli("info " + (web / "Local.Web").string());
  EXPECT_NE(info.output.find("CaFile=" + certificates.CaFile() + "\n"), std::string::npos)
      << info.output;

  TRun unsafe = Cli(work_ + "capture " + server.Url("/") + " " + (root_ / "unsafe").string() +
                    " --unsafe-no-certificate-check on --max-files 1");
  EXPECT_EQ(unsafe.status, 0) << unsafe.output;
  EXPECT_NE(unsafe.output.find("warning: https certificates are not checked"), std::string::npos);
}

// Today's pages are UTF-8: an accented title with an entity shows right in the generated pages
// (as a browser renders them from disk), in `info` and in `urls`, next to an old page in
// Windows-1252 that names no charset.
TEST_F(CliTest, TitlesOfUtf8PagesShowRightEverywhere) {
  const fs::path site = root_ / "site";
  fs::create_directories(site);
  auto write = [&](const char* name, const std::string& bytes) {
    FILE* f = std::fopen((site / name).c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  };
  write("index.htm",
        "<html><head><meta charset=\"utf-8\"><title>Caf\xC3\xA9 &#8212; Menu \xE2\x86\x92</title>"
        "</head><body><a href=\"p2.htm\">Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9"
        "e</a> "
        "<a href=\"p3.htm\">old</a></body></html>");
  write("p2.htm",
        "<html><head><meta charset=\"utf-8\"><title>Cr\xC3\xA8me &amp; "
        "br\xC3\xBBl\xC3\xA9"
        "e</title></head><body>2</body></html>");
  write("p3.htm", "<html><head><title>D\xE9j\xE0 vu</title></head><body>3</body></html>");
  testing::TNginxServer server(site.string());
  ASSERT_TRUE(server.Running()) << server.Error();
  const fs::path web = root_ / "utf8";
  TRun capture = Cli(work_ + "capture " + server.Url("/") + " " + web.string() + " --sockets 2");
  ASSERT_EQ(capture.status, 0) << capture.output;

  const std::string title = "Caf\xC3\xA9 \xE2\x80\x94 Menu \xE2\x86\x92";
  TRun info = Cli("info " + (web / "Local.Web").string());
  EXPECT_NE(info.output.find("Title         " + title + "\n"), std::string::npos) << info.output;
  TRun urls = Cli("urls " + (web / "Local.Web").string());
  EXPECT_NE(urls.output.find(title + "\n"), std::string::npos) << urls.output;
  EXPECT_NE(urls.output.find("Cr\xC3\xA8me & br\xC3\xBBl\xC3\xA9"
                             "e\n"),
            std::string::npos)
      << urls.output;
  EXPECT_NE(urls.output.find("D\xC3\xA9j\xC3\xA0 vu\n"), std::string::npos) << urls.output;

  // What a browser shows of the generated pages read from disk.
  if (std::system("command -v chromium >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "chromium is not installed (scripts/setup.sh installs it)";
  }
  for (const char* page : {"_Home.htm", "_IxH.htm"}) {
    const fs::path profile = root_ / ("chromium-" + std::string(page));
    TRun shown = Cli("",
                     "chromium --headless --no-sandbox --disable-gpu "
                     "--disable-background-networking --user-data-dir=" +
                         profile.string() + " --dump-dom file://" + (web / page).string());
    ASSERT_EQ(shown.status, 0) << shown.output;
    EXPECT_NE(shown.output.find(title), std::string::npos) << page << ": " << shown.output;
    if (std::string(page) == "_IxH.htm") {
      EXPECT_NE(shown.output.find("Cr\xC3\xA8me &amp; br\xC3\xBBl\xC3\xA9"
                                  "e"),
                std::string::npos)
          << shown.output;
      EXPECT_NE(shown.output.find("D\xC3\xA9j\xC3\xA0 vu"), std::string::npos) << shown.output;
    }
  }
}

// A web whose counters exceed its link count loads: info counts its records as urls lists
// them, and never shows the password.
TEST_F(CliTest, InfoShowsAWebWithOddCountersAndHidesThePassword) {
  TOPTIONS defaults;
  TMIMELIST mime;
  TWEB web(defaults);
  EXPECT_TRUE(web.Init("http://www.a.com/", (root_ / "odd").string(), mime));
  web.SetFileName(web.Path() + "Local.Web");
  web.SetCounters({.Captured = 40});  // one link only
  web.EditOptions().Username = "ann";
  web.EditOptions().Password = "s3cret-word";
  ASSERT_TRUE(web.SaveToFile(web.FileName()));
  TRun info = Cli("info " + web.FileName());
  EXPECT_EQ(info.status, 0) << info.output;
  EXPECT_NE(info.output.find("Captured      0\nTo explore    1\n"), std::string::npos)
      << info.output;
  EXPECT_NE(info.output.find("Total size"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("Username=ann"), std::string::npos) << info.output;
  EXPECT_EQ(info.output.find("s3cret-word"), std::string::npos) << info.output;

  // A picture that could not be kept is listed as a page would be, under its own filter.
  auto lost = std::make_unique<TWebFile>();
  lost->State = wsError;
  lost->SetLinkType(1);
  ASSERT_TRUE(web.AddRecord("http://www.a.com/lost.gif", std::move(lost)));
  ASSERT_TRUE(web.SaveToFile(web.FileName()));
  TRun errors = Cli("urls " + web.FileName() + " --errors");
  EXPECT_EQ(errors.status, 0) << errors.output;
  EXPECT_EQ(errors.output, "error      http://www.a.com/lost.gif    lost.gif\n");
}

// Nothing of the user's is written over without a question, and a delete says what it could not
// delete: a copy into a folder of the user's files, and a web whose folder is a symbolic link.
TEST_F(CliTest, CopyAndDeleteTouchNothingOfTheUsersUnasked) {
  TOPTIONS defaults;
  TMIMELIST mime;
  mime.SetToDefault();
  TWEB web(defaults);
  EXPECT_TRUE(web.Init("http://www.a.com/", (root_ / "real").string(), mime));
  web.SetFileName(web.Path() + "Local.Web");
  auto record = std::make_unique<TWebFile>();
  record->State = wsFile;
  record->SetFileName("photo.gif");
  ASSERT_TRUE(web.AddRecord("http://www.a.com/photo.gif", std::move(record)));
  ASSERT_TRUE(web.SaveToFile(web.FileName()));
  std::ofstream(root_ / "real" / "photo.gif") << "captured";
  fs::create_directories(root_ / "mine");
  std::ofstream(root_ / "mine" / "photo.gif") << "the user's own";

  const std::string copy = work_ + "copy " + web.FileName() + " " + (root_ / "mine").string();
  TRun asked = Cli("", std::string(KORVANE_CLI) + " " + copy + " < /dev/null");
  EXPECT_EQ(asked.status, 1) << asked.output;
  EXPECT_NE(asked.output.find("1 file(s) of " + (root_ / "mine").string() +
                              " would be replaced (photo.gif)"),
            std::string::npos)
      << asked.output;
  EXPECT_EQ(Snapshot(root_ / "mine").at((root_ / "mine" / "photo.gif").string()), "the user's own");
  TRun yes = Cli(copy + " --yes");
  EXPECT_EQ(yes.status, 0) << yes.output;
  // A folder named as the destination holds the copy; its parent is left alone.
  EXPECT_TRUE(fs::exists(root_ / "mine" / "Local.Web")) << yes.output;
  EXPECT_FALSE(fs::exists(root_ / "Local.Web"));

  fs::create_symlink(root_ / "real", root_ / "link");
  std::ofstream(root_ / "real" / "notes.txt") << "not the web's";
  TRun del =
      Cli(work_ + "delete " + (root_ / "link" / "Local.Web").string() + " --with-folder --yes");
  EXPECT_EQ(del.status, 1) << del.output;
  EXPECT_NE(del.output.find("is a symbolic link"), std::string::npos) << del.output;
  EXPECT_FALSE(fs::exists(root_ / "link"));
  EXPECT_FALSE(fs::exists(root_ / "real" / "Local.Web")) << "the project file and its password";
  EXPECT_TRUE(fs::exists(root_ / "real" / "notes.txt"));
  EXPECT_FALSE(fs::exists(root_ / "real" / "photo.gif"));
}

// A project file is checked before it is read: a named pipe would hang the program, and a file
// larger than any web would take its size in memory.
TEST_F(CliTest, WhatIsNoProjectFileIsRefusedBeforeItIsRead) {
  const fs::path pipe = root_ / "x.web";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  TRun piped = Cli("info " + pipe.string());
  EXPECT_EQ(piped.status, 2);
  EXPECT_NE(piped.output.find("no such web project file"), std::string::npos) << piped.output;
  const fs::path huge = root_ / "huge.web";
  std::ofstream(huge) << "KRVNF";
  fs::resize_file(huge, 1100LL * 1024 * 1024);  // sparse: no disk is spent
  TRun big = Cli("info " + huge.string());
  EXPECT_EQ(big.status, 2);
  EXPECT_NE(big.output.find("1153433600 bytes long, more than any web's project file"),
            std::string::npos)
      << big.output;
  // A later program's format is not called damaged.
  const fs::path newer = root_ / "newer.web";
  std::ofstream(newer) << std::string("\x05KRVNF\x17\x00", 8) << std::string(40, '\0');
  TRun later = Cli("info " + newer.string());
  EXPECT_EQ(later.status, 2);
  EXPECT_NE(later.output.find("written by a newer version of Korvane (format 23; this one reads "
                              "formats up to 22)"),
            std::string::npos)
      << later.output;
}

TEST_F(CliTest, BadArgumentsAreRefused) {
  EXPECT_NE(Cli("capture").status, 0);
  EXPECT_EQ(Cli("--version").output.rfind("korvane-cli 1.", 0), 0u);
  EXPECT_NE(Cli(work_ + "capture http://www.a.com/ " + root_.string() + " --footer maybe").status,
            0);
  EXPECT_NE(Cli(work_ + "capture http://www.a.com/ " + root_.string() + " --sockets 12").status, 0);
  // Numbers the web cannot hold are refused by name, with what is expected, and nothing is made
  // (the project file keeps these options in 16 bits: 32767 at most; the file count limit is kept
  // whole beside its word).
  for (const auto& [bad, range] : std::initializer_list<std::pair<const char*, const char*>>{
           {"--depth -1", "from 0 to 32767"},
           {"--max-files 1e400", "from 0 to 2147483647"},
           {"--max-disk 32M", "from 0 to 32767"},
           {"--max-file-size 10X", "from 0 to 32767"},
           {"--max-time 32768", "from 0 to 32767"}}) {
    TRun refused = Cli(work_ + "capture http://www.a.com/ " + (root_ / "w").string() + " " + bad);
    EXPECT_EQ(refused.status, 2) << bad;
    EXPECT_NE(refused.output.find(std::string(bad).substr(0, std::string(bad).find(' ')) + ": \""),
              std::string::npos)
        << refused.output;
    EXPECT_NE(refused.output.find(range), std::string::npos) << refused.output;
    EXPECT_FALSE(fs::exists(root_ / "w")) << bad;
  }
  TRun proxy =
      Cli(work_ + "capture http://www.a.com/ " + (root_ / "w").string() + " --proxy 127.0.0.1:abc");
  EXPECT_EQ(proxy.status, 2);
  EXPECT_NE(proxy.output.find("the port \"abc\" of the proxy is not a number from 1 to 65535"),
            std::string::npos)
      << proxy.output;
  EXPECT_FALSE(fs::exists(root_ / "w"));
  // A misspelt file type or option key is refused, never passed over, and leaves nothing.
  const fs::path options = root_ / "options.ini";
  std::FILE* ini = std::fopen(options.c_str(), "wb");
  std::fputs("[OPTIONS]\nMaxFileCont=3\n", ini);
  std::fclose(ini);
  // An options file's value is checked as the flag's would be, not read as a default.
  const fs::path values = root_ / "values.ini";
  ini = std::fopen(values.c_str(), "wb");
  std::fputs("[OPTIONS]\nInternalLinkDepth=abc\n", ini);
  std::fclose(ini);
  const struct {
    std::string arguments, words;
  } refusals[] = {
      {"--mimes +all,-vidoe", "unknown file type(s) vidoe; the names are all, html"},
      {"--options " + options.string(), "MaxFileCont is no option key"},
      {"--options " + values.string(),
       "InternalLinkDepth=abc: a whole number from 0 to 32767 is expected"},
  };
  for (const auto& [arguments, words] : refusals) {
    TRun refused =
        Cli(work_ + "capture http://127.0.0.1:1/ " + (root_ / "w").string() + " " + arguments);
    EXPECT_EQ(refused.status, 2) << arguments;
    EXPECT_NE(refused.output.find(words), std::string::npos) << refused.output;
    EXPECT_FALSE(fs::exists(root_ / "w")) << arguments;
  }
  // A work path that is a file is refused before anything is made.
  TRun work_file = Cli("--work-path " + values.string() + " capture http://127.0.0.1:1/ " +
                       (root_ / "w").string());
  EXPECT_EQ(work_file.status, 2);
  EXPECT_NE(work_file.output.find(values.string() + " is not a folder"), std::string::npos)
      << work_file.output;
  EXPECT_FALSE(fs::exists(root_ / "w"));
  // A switch before the address takes no value from it: the capture runs (on a dead port) with
  // the switch on.
  TRun early = Cli(work_ + "capture --unsafe-no-certificate-check http://127.0.0.1:1/ " +
                   (root_ / "w").string());
  EXPECT_EQ(early.status, 1) << early.output;
  EXPECT_NE(early.output.find("https certificates are not checked"), std::string::npos)
      << early.output;
  EXPECT_EQ(Cli("info " + (root_ / "missing.web").string()).status != 0, true);
  fs::path bad = root_ / "bad.web";
  FILE* f = std::fopen(bad.c_str(), "wb");
  std::fputs("not a web", f);
  std::fclose(f);
  TRun run = Cli("info " + bad.string());
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("not a web project file"), std::string::npos);
}

}  // namespace
}  // namespace korvane
