// Capture sessions driven by the scripted socket library on an in-memory file system.
#include "engine/capture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/checked.h"
#include "engine/capture_run.h"
#include "engine/web.h"
#include "html/html_parser.h"
#include "net/socket_hub.h"
#include "support/scripted_socket_library.h"
#include "support/web_fixture.h"

namespace korvane {
namespace {

using testing::Served;
using testing::TScript;
using testing::TScriptedSocketLibrary;
using testing::TScriptStep;

class TFixedClock final : public TClock {
 public:
  TDateTime Now() const override { return EncodeDateTime(2026, 12, 7, 9, 5, 3); }
  std::int64_t TickMs() const override { return now_ms; }
  std::int64_t now_ms = 0;
};

std::string Response(std::string_view type, std::string_view body, int status = 200,
                     std::string_view extra = "") {
  return "HTTP/1.0 " + std::to_string(status) + " X\r\nContent-Type: " + std::string(type) +
         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + std::string(extra) +
         "\r\n" + std::string(body);
}

class TRecordingView final : public TCaptureView {
 public:
  void ShowCounters(const TCaptureCounters& c) override { counters = c; }
  void ShowClock(const std::string& text) override { clock = text; }
  void AddDocument(const std::string& name, bool) override { documents.push_back(name); }
  void ShowSlot(int slot, TSlotField field, const std::string& text) override {
    if (field == TSlotField::kUrl) urls.push_back(std::to_string(slot) + " " + text);
  }
  TCaptureCounters counters;
  std::string clock;
  std::vector<std::string> documents;
  std::vector<std::string> urls;
};

class CaptureTest : public ::testing::Test, public testing::TWebFixture {
 protected:
  void SetUp() override {
    web_ = NewWeb("http://www.a.com/");
    settings_.MaxSockets = 1;
  }
  void TearDown() override { capture_.reset(); }

  TCapture& Start(TPageProcessor pages = nullptr) {
    capture_ =
        std::make_unique<TCapture>(*web_, settings_, hub_, &view_, std::move(pages), &clock_);
    return *capture_;
  }
  // Pumps and delivers scripted callbacks until the session ends or nothing moves.
  void RunToEnd() {
    for (int guard = 0; guard < 10000 && capture_->Pump(); ++guard) {
      if (lib_.Run() == 0 && !capture_->Pump()) break;
    }
  }
  TWebFile* Link(const std::string& url, std::uint8_t kind = 0) {
    return web_->NewLink({kind, url, ""}, web_->Tree().Find(web_->Url()));
  }
  std::string Log() { return LogOf(*web_); }
  std::vector<std::string> Hosts() {
    std::vector<std::string> out;
    for (const auto& go : lib_.gos) out.push_back(go.host);
    return out;
  }

  TScriptedSocketLibrary lib_;
  TSocketHub hub_{&lib_};
  TFixedClock clock_;
  TCaptureSettings settings_;
  TRecordingView view_;
  std::unique_ptr<TWEB> web_;
  std::unique_ptr<TCapture> capture_;
};

TEST_F(CaptureTest, OneSlotFetchesTheQueueInOrderPicturesFirst) {
  Link("http://www.a.com/b.htm");
  Link("http://www.a.com/p.gif", 1);
  lib_.Expect(Served(Response("image/gif", "GIF89a")));
  lib_.Expect(Served(Response("text/html", "<HTML>home</HTML>")));
  lib_.Expect(Served(Response("text/html", "<HTML>b</HTML>")));
  Start();
  RunToEnd();
  EXPECT_EQ(view_.urls, (std::vector<std::string>{"1 /p.gif", "1 /", "1 /b.htm"}));
  EXPECT_EQ(capture_->CapturedCount(), 3);
  EXPECT_EQ(web_->CapturedCount(), 3);
  EXPECT_EQ(web_->TotalSize(), 6 + 17 + 14);
  TWebFile* picture = web_->Tree().Find("http://www.a.com/p.gif");
  EXPECT_EQ(picture->State, wsFile);
  EXPECT_EQ(fs.files[web_->Path() + picture->GetFileName()], "GIF89a");
  EXPECT_EQ(web_->Tree().Find(web_->Url())->State, wsPage);
  EXPECT_EQ(view_.documents, std::vector<std::string>{picture->GetFileName()});
  EXPECT_EQ(view_.counters.CapturedCount, 3);
  EXPECT_EQ(view_.counters.TodoCount, 0);
}

// Rules that cannot be compiled (stored by hand) are no rules: the capture goes by the limits and
// its log says why.
TEST_F(CaptureTest, RulesThatCannotBeCompiledAreSaidAndNotApplied) {
  web_->EditOptions().AddressRules = {"- **/b.htm", "+ re:(a"};
  EXPECT_EQ(Link("http://www.a.com/b.htm")->State, wsTodo);
  lib_.Expect(Served(Response("text/html", "<HTML>home</HTML>")));
  lib_.Expect(Served(Response("text/html", "<HTML>b</HTML>")));
  Start();
  RunToEnd();
  EXPECT_EQ(capture_->CapturedCount(), 2);
  EXPECT_NE(Log().find("<br>address rules not applied: rule 2 (+ re:(a): the regular expression "
                       "cannot be read"),
            std::string::npos)
      << Log();
}

TEST_F(CaptureTest, NineSlotsHaveNineAddressesInFlight) {
  settings_.MaxSockets = 9;
  for (int i = 0; i < 12; ++i) Link("http://www.a.com/" + std::to_string(i) + ".htm");
  Start();
  EXPECT_TRUE(capture_->Pump());
  EXPECT_EQ(lib_.gos.size(), 9u);
  EXPECT_EQ(web_->TodoList().size(), 13u - 9u);
  EXPECT_EQ(capture_->Request(9).State() != TRequestState::kIdle, true);
}

// A server that takes two connections and closes the others before answering: the slots beyond
// its limit fail once, and the session then keeps to what the server takes.
TEST_F(CaptureTest, AServerThatLimitsItsConnectionsIsCapturedWhole) {
  settings_.MaxSockets = 9;
  lib_.connection_limit = 2;
  constexpr int kPages = 40;
  for (int i = 0; i < kPages; ++i) Link("http://www.a.com/" + std::to_string(i) + ".htm");
  for (int i = 0; i <= kPages; ++i) lib_.Expect(Served(Response("text/html", "<HTML>x</HTML>")));
  Start();
  RunToEnd();
  EXPECT_EQ(web_->CapturedCount(), kPages + 1);
  EXPECT_EQ(web_->ErrorCount(), 0);
  EXPECT_EQ(web_->GetTodoCount(), 0);
  EXPECT_NE(Log().find("www.a.com:80 : le serveur ferme les connexions en trop, 2 connexion(s) "
                       "au plus"),
            std::string::npos)
      << Log();
}

// One address that resets at once is that address's failure, not the server's limit: the others
// still go nine at a time.
TEST_F(CaptureTest, OneAddressThatClosesAtOnceDoesNotLimitItsServer) {
  settings_.MaxSockets = 9;
  constexpr int kPages = 60;
  Link("http://www.a.com/resets.htm");
  for (int i = 0; i < kPages; ++i) Link("http://www.a.com/" + std::to_string(i) + ".htm");
  lib_.route = [](const std::string& request) {
    return request.starts_with("GET /resets.htm ") ? std::string()
                                                   : Response("text/html", "<HTML>x</HTML>");
  };
  Start();
  std::size_t most_open = 0;
  for (int guard = 0; guard < 10000 && capture_->Pump(); ++guard) {
    std::size_t open = 0;
    for (int slot = 1; slot <= capture_->SlotCount(); ++slot) {
      open += capture_->Request(slot).State() != TRequestState::kIdle ? 1 : 0;
    }
    if (web_->Tree().Find("http://www.a.com/resets.htm")->Trials > 0)
      most_open = std::max(most_open, open);
    if (lib_.Run() == 0 && !capture_->Pump()) break;
  }
  EXPECT_EQ(web_->CapturedCount(), kPages + 1);
  EXPECT_EQ(web_->ErrorCount(), 1);
  EXPECT_EQ(Log().find("ferme les connexions en trop"), std::string::npos) << Log();
  EXPECT_EQ(most_open, 9u);
}

// A redirection to what the web cannot hold is no captured page, nor one left loading.
TEST_F(CaptureTest, ARedirectionToAnAddressNotCapturedFiltersItsAddress) {
  lib_.Expect(Served(Response("text/html", "", 302, "Location: http:///x\r\n")));
  Start();
  RunToEnd();
  const TWebFile* home = web_->Tree().Find(web_->Url());
  EXPECT_EQ(home->State, wsFiltered);
  EXPECT_EQ(web_->CapturedCount(), 0);
  EXPECT_EQ(web_->FilteredCount(), 1);
  EXPECT_EQ(lib_.gos.size(), 1u);
}

// Slots closed by a stop (or by the session's end) leave their addresses to explore, never
// "loading": the next capture and the URL list see them as waiting.
TEST_F(CaptureTest, AddressesOfClosedSlotsWaitForTheNextCapture) {
  settings_.MaxSockets = 3;
  for (int i = 0; i < 5; ++i) Link("http://www.a.com/" + std::to_string(i) + ".htm");
  Start();
  ASSERT_TRUE(capture_->Pump());
  capture_->Stop(true);
  EXPECT_FALSE(capture_->Pump());
  web_->Tree().Explore([](TWebFile& record, const std::string& url) {
    EXPECT_EQ(record.State, wsTodo) << url;
    return false;
  });
}

TEST_F(CaptureTest, PagesGoThroughTheProcessorWithTheSessionsFilter) {
  lib_.Expect(Served(Response("text/html", "<A HREF=x>")));
  lib_.Expect(Served(Response("text/html", "<HTML>c</HTML>")));
  std::vector<bool> accepted;
  std::vector<std::string> pages;
  Start([&](TWebFile& page, const std::string& url, const auto& filter, const std::string&,
            const std::string*) {
    pages.push_back(url);
    if (pages.size() > 1) return true;
    TLinkParam link;
    for (const char* address : {"http://www.a.com/c.htm", "javascript:go()", "mailto:x@a.com"}) {
      link.Link.Value = address;
      accepted.push_back(filter(link));
      if (accepted.back()) web_->NewLink({0, address, ""}, &page);
    }
    link.Link.Value = "http://www.a.com/cgi-bin/map";
    link.TagType = ttA;
    link.IsMap = true;
    accepted.push_back(filter(link));
    return true;
  });
  RunToEnd();
  EXPECT_EQ(pages, (std::vector<std::string>{"http://www.a.com/", "http://www.a.com/c.htm"}));
  EXPECT_EQ(accepted, (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(web_->Tree().Find("http://www.a.com/c.htm")->State, wsPage);
  // A link of another scheme is what the page meant, not a fault: it is not logged.
  EXPECT_EQ(Log().find("javascript:go()"), std::string::npos);
}

// The figures of a capture pass what a word holds: a page of 70,000 links to another site, each
// filtered, is counted link by link on the screen and in the web, which is kept in the wide
// project file format and read back with the same figures.
TEST_F(CaptureTest, FiguresPassWhatAWordHolds) {
  std::string page = "<HTML>";
  for (int i = 0; i < 70000; ++i) {
    page +=
        "<A HREF=\"http://www.b.org/" + std::to_string(i) + ".htm\">" + std::to_string(i) + "</A>";
  }
  lib_.Expect(Served(Response("text/html", page + "</HTML>")));
  Start(WebPageProcessor(*web_));
  RunToEnd();
  EXPECT_EQ(web_->CapturedCount(), 1u);
  EXPECT_EQ(web_->FilteredCount(), 70000u);
  EXPECT_EQ(view_.counters.LinkCount, 70001u);
  EXPECT_EQ(view_.counters.FilteredCount, 70000u);
  EXPECT_EQ(view_.counters.TodoCount, 0u);
  EXPECT_EQ(web_->Tree().Find("http://www.b.org/69999.htm")->State, wsFiltered);
  web_->SetFileName(web_->Path() + "Local.Web");
  ASSERT_TRUE(web_->SaveToFile(web_->FileName()));
  EXPECT_EQ(fs.files[web_->FileName()].substr(0, 8), std::string("\x05KRVNF\x16\x00", 8));
  TWEB back(defaults, fs);
  ASSERT_TRUE(back.LoadFromFile(web_->FileName()));
  EXPECT_EQ(back.FilteredCount(), 70000u);
  EXPECT_EQ(back.GetLinkCount(), 70001u);
  EXPECT_EQ(back.GetTodoCount(), 0u);
}

// A save writes the whole web: one that took long holds the next back until the capture has run
// twenty times as long, so that a large web is not saved every 50 files.
TEST_F(CaptureTest, ASlowSaveSpacesTheAutoSaves) {
  web_->SetFileName(web_->Path() + "Local.Web");
  std::string home = "<HTML>";
  for (int i = 0; i < 200; ++i) home += "<A HREF=\"p" + std::to_string(i) + ".htm\">x</A>";
  lib_.Expect(Served(Response("text/html", home + "</HTML>")));
  for (int i = 0; i < 200; ++i) lib_.Expect(Served(Response("text/html", "<HTML>p</HTML>")));
  int saves = 0;
  fs.on_open_for_write = [&](const std::string& path) {
    if (path.find("Local.Web") == std::string::npos) return;
    ++saves;
    clock_.now_ms += 100;  // the only time that passes
  };
  Start(WebPageProcessor(*web_));
  RunToEnd();
  EXPECT_EQ(web_->CapturedCount(), 201u);
  EXPECT_EQ(saves, 1);  // at 50 files; every 50 files would have been 4
}

TEST_F(CaptureTest, RedirectionCountsOnceAndAliasesTheTarget) {
  lib_.Expect(Served(Response("text/html", "", 302, "Location: /new/home.htm\r\n")));
  lib_.Expect(Served(Response("text/html", "<HTML>new</HTML>")));
  web_->EditOptions().InternalPathLimit = false;
  Start();
  RunToEnd();
  EXPECT_EQ(Hosts().size(), 2u);
  TWebFile* target = web_->Tree().Find("http://www.a.com/new/home.htm");
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(web_->Tree().Find("http://www.a.com/"), target);  // the old address leads there
  EXPECT_EQ(target->State, wsPage);
  EXPECT_EQ(capture_->CapturedCount(), 2);  // the redirection and the page
  // Two addresses, both held: none is left to explore, as the web says once loaded again.
  EXPECT_EQ(web_->GetLinkCount(), 2);
  EXPECT_EQ(web_->GetTodoCount(), 0);
  web_->SetFileName(web_->Path() + "Local.Web");
  ASSERT_TRUE(web_->SaveToFile(web_->FileName()));
  ASSERT_TRUE(web_->LoadFromFile(web_->FileName()));
  EXPECT_EQ(web_->GetLinkCount(), 2);
}

// The common case of a site today: http sends to https, whose pages link each other relatively,
// with https links, and with the old http links. Every address is fetched once.
TEST_F(CaptureTest, ASiteMovedFromHttpToHttpsIsCapturedOnce) {
  lib_.Expect(Served(Response("text/html", "", 301, "Location: https://www.a.com/\r\n")));
  lib_.Expect(Served(Response("text/html",
                              "<A HREF=b.htm>b</A><A HREF=http://www.a.com/c.htm>c</A>"
                              "<A HREF=https://www.a.com/c.htm>c</A>"
                              "<IMG SRC=http://www.a.com/p.gif>")));
  lib_.Expect(Served(Response("image/gif", "", 301, "Location: https://www.a.com/p.gif\r\n")));
  lib_.Expect(Served(Response("image/gif", "GIF89a")));
  lib_.Expect(
      Served(Response("text/html", "<A HREF=http://www.a.com/>home</A><A HREF=c.htm>c</A>")));
  lib_.Expect(Served(Response("text/html", "<HTML>c</HTML>")));
  Start(WebPageProcessor(*web_));
  RunToEnd();

  std::vector<std::string> ports;
  for (const auto& go : lib_.gos) ports.push_back(go.port);
  EXPECT_EQ(ports, (std::vector<std::string>{"80", "443", "80", "443", "443", "443"}));
  EXPECT_EQ(view_.urls, (std::vector<std::string>{"1 /", "1 /", "1 /p.gif", "1 /p.gif", "1 /b.htm",
                                                  "1 /c.htm"}));
  for (const char* path : {"", "b.htm", "c.htm", "p.gif"}) {
    const std::string secure = std::string("https://www.a.com/") + path;
    TWebFile* record = web_->Tree().Find(secure);
    ASSERT_NE(record, nullptr) << path;
    EXPECT_EQ(record->State, *path == 'p' ? wsFile : wsPage) << path;
    EXPECT_EQ(web_->Tree().FindAnyWebProtocol(std::string("http://www.a.com/") + path), record);
  }
  EXPECT_EQ(web_->CapturedCount(), 6);  // two redirections and four files
  EXPECT_TRUE(web_->TodoList().empty());
}

// An address entered under http and then moved to https is held under both; a later session
// queues it once per address and fetches it once.
TEST_F(CaptureTest, ARecordHeldUnderTwoAddressesIsFetchedOnce) {
  Link("http://www.a.com/x.htm");
  Link("https://www.a.com/x.htm");
  lib_.Expect(Served(Response("text/html", "<HTML>home</HTML>")));
  lib_.Expect(Served(Response("text/html", "<HTML>x</HTML>")));
  Start();
  RunToEnd();
  EXPECT_EQ(lib_.gos.size(), 2u);
  EXPECT_EQ(web_->Tree().Find("http://www.a.com/x.htm")->State, wsPage);
}

TEST_F(CaptureTest, UnauthorizedIsRetriedWithCredentialsForItsHostOnly) {
  web_->EditOptions().Username = "ann";
  web_->EditOptions().Password = "pw";
  lib_.Expect(Served(Response("text/html", "", 401)));
  lib_.Expect(Served(Response("text/html", "<HTML>in</HTML>")));
  Start();
  RunToEnd();
  ASSERT_EQ(lib_.gos.size(), 2u);
  EXPECT_EQ(lib_.SentOn(lib_.gos[0].handle).find("Authorization"), std::string::npos);
  EXPECT_NE(lib_.SentOn(lib_.gos[1].handle).find("Authorization: Basic YW5uOnB3"),
            std::string::npos);
  EXPECT_EQ(web_->Tree().Find(web_->Url())->State, wsPage);
  EXPECT_EQ(web_->Tree().Find(web_->Url())->Trials, 3);  // a 401 uses two trials
}

TEST_F(CaptureTest, RefusedAuthorizationEndsAsAnError) {
  settings_.TryCount = 1;
  TWebFile* page = Link("http://www.a.com/private.htm");
  lib_.Expect(Served(Response("text/html", "<HTML>home</HTML>")));
  lib_.Expect(Served(Response("text/html", "", 401)));
  lib_.Expect(Served(Response("text/html", "", 401)));
  Start();
  RunToEnd();
  EXPECT_EQ(page->State, wsError);
  EXPECT_EQ(capture_->ErrorCount(), 1);
  EXPECT_EQ(web_->ErrorCount(), 1);
}

TEST_F(CaptureTest, UnknownTypeIsAddedAsOtherAndRefusedBeforeItsBody) {
  lib_.Expect(Served(Response("application/x-strange", std::string(5000, 'z'))));
  Start();
  RunToEnd();
  const TMimeItem* added = web_->MimeList().GetMimeByString("application/x-strange");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->MimeClass, mcOther);
  EXPECT_FALSE(added->Valid);
  EXPECT_EQ(web_->Tree().Find(web_->Url())->State, wsFiltered);
  EXPECT_EQ(capture_->FilteredCount(), 1);
  EXPECT_EQ(fs.files.count(web_->Path() + "INDEX.htm"), 0u);
  EXPECT_FALSE(lib_.aborted.empty());
}

TEST_F(CaptureTest, NotFoundIsLoggedAndLeadsToTheNotFoundPage) {
  lib_.Expect(Served(Response("text/html", "gone", 404)));
  Start();
  RunToEnd();
  TWebFile* home = web_->Tree().Find(web_->Url());
  EXPECT_EQ(home->State, wsNotFound);
  EXPECT_EQ(home->GetFileName(), "NotFound.htm");
  EXPECT_NE(Log().find("<br>URL non trouv\xE9"
                       "e (404):http://www.a.com/\r\n"),
            std::string::npos);
  EXPECT_EQ(capture_->LastStatus(), 404);
}

TEST_F(CaptureTest, FailedConnectionsAreRetriedThenCountedAsErrors) {
  settings_.TryCount = 2;
  TWebFile* page = Link("http://www.a.com/x.htm");
  lib_.Expect(Served(Response("text/html", "<HTML>home</HTML>")));
  for (int i = 0; i < 2; ++i)
    lib_.Expect(TScript{{TScriptStep::kOkHost, ""}, {TScriptStep::kFail, ""}});
  Start();
  RunToEnd();
  EXPECT_EQ(lib_.gos.size(), 3u);
  EXPECT_EQ(page->State, wsError);
  EXPECT_EQ(capture_->ErrorCount(), 1);
}

TEST_F(CaptureTest, FileCountLimitStopsAndDeletesPartialFiles) {
  settings_.MaxSockets = 2;
  web_->EditOptions().MaxFileCount = 1;
  Link("http://www.a.com/b.htm");
  Link("http://www.a.com/c.htm");
  lib_.Expect(Served(Response("text/html", "<HTML>home</HTML>")));
  // The second slot's body never finishes.
  TScript slow = {{TScriptStep::kOkHost, ""}, {TScriptStep::kConnect, "127.0.0.1"}};
  testing::AppendData(slow, Response("text/html", std::string(100, 'b')).substr(0, 120), 1000);
  lib_.Expect(slow);
  lib_.Expect(Served(Response("text/html", "<HTML>c</HTML>")));
  // A web that already holds one file: the next kept file stops the session.
  Link("http://www.a.com/old.gif", 1)->State = wsFile;
  Start();
  RunToEnd();
  EXPECT_TRUE(capture_->Stopping());
  EXPECT_EQ(capture_->CapturedCount(), 1);
  EXPECT_EQ(lib_.gos.size(), 2u);
  TWebFile* b = web_->Tree().Find("http://www.a.com/b.htm");
  EXPECT_FALSE(fs.FileExists(web_->Path() + b->GetFileName()));
  EXPECT_FALSE(capture_->AnyBusy());
}

TEST_F(CaptureTest, FilesOutsideTheSizeLimitsAreDeletedAndFiltered) {
  web_->EditOptions().MaxFileSize = 1;  // kilobytes
  web_->EditOptions().MinFileSize = 0;
  Link("http://www.a.com/big.gif", 1);
  Link("http://www.a.com/small.gif", 1);
  // The sizes are not announced, so the limit applies once the file is in.
  lib_.Expect(Served("HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\n\r\n" + std::string(10, 's')));
  lib_.Expect(
      Served("HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\n\r\n" + std::string(1025, 'b')));
  lib_.Expect(Served(Response("text/html", "<HTML></HTML>")));
  Start();
  RunToEnd();
  TWebFile* big = web_->Tree().Find("http://www.a.com/big.gif");
  TWebFile* small = web_->Tree().Find("http://www.a.com/small.gif");
  EXPECT_EQ(big->State, wsFiltered);
  EXPECT_FALSE(fs.FileExists(web_->Path() + big->GetFileName()));
  EXPECT_EQ(small->State, wsFile);
  EXPECT_EQ(capture_->FilteredCount(), 1);
  EXPECT_EQ(web_->TotalSize(), 10 + 13);
}

TEST_F(CaptureTest, DiskSizeLimitStopsTheSession) {
  web_->EditOptions().MaxDiskSize = 1;  // kilobytes
  Link("http://www.a.com/a.gif", 1);
  Link("http://www.a.com/b.gif", 1);
  lib_.Expect(Served(Response("image/gif", std::string(700, 'a'))));
  lib_.Expect(Served(Response("image/gif", std::string(700, 'b'))));
  Start();
  RunToEnd();
  EXPECT_TRUE(capture_->Stopping());
  EXPECT_EQ(capture_->CapturedCount(), 2);  // the file that passed the limit is kept
  EXPECT_EQ(lib_.gos.size(), 2u);           // the start page was never fetched
  EXPECT_EQ(web_->Tree().Find(web_->Url())->State, wsTodo);
}

TEST_F(CaptureTest, TimeLimitStopsAtTheFirstTickPastIt) {
  web_->EditOptions().MaxTime = 1;
  Start();
  clock_.now_ms = 60000;
  capture_->Tick();
  EXPECT_FALSE(capture_->Stopping());
  EXPECT_EQ(view_.clock, "00:01:00");
  clock_.now_ms = 61000;
  capture_->Tick();
  EXPECT_TRUE(capture_->Stopping());
  clock_.now_ms = 3600 * 1000 * 25;
  capture_->Tick();
  EXPECT_EQ(capture_->ElapsedText(), "25:00:00");
}

// A server may answer slowly enough to escape every silence time-out: one byte every five
// seconds. The low-speed limit fails such an attempt; a steady download at the limit or above
// runs on, however long it is.
TEST_F(CaptureTest, ATransferBelowTheLowSpeedLimitFailsAndASteadyOneRunsOn) {
  struct {
    int bytes_every_5s;
    bool fails;
  } const cases[] = {{1, true}, {499, true}, {500, false}, {20000, false}};
  for (const auto& c : cases) {
    SetUp();
    clock_.now_ms = 0;
    web_->EditOptions().LowSpeedLimit = 100;
    web_->EditOptions().LowSpeedTime = 10;
    settings_.TryCount = 1;
    const std::string body(100000, 'x');
    const std::string whole = Response("text/html", body);
    lib_.Expect(testing::ServedWithoutCut(whole.substr(0, whole.size() - body.size())));
    Start();
    ASSERT_TRUE(capture_->Pump());
    lib_.Run();
    const TScxHandle handle = lib_.LastHandle();
    std::size_t sent = whole.size() - body.size();
    // Five minutes of it, the clock ticking every second.
    for (int second = 1; second <= 300 && capture_->Request(1).State() != TRequestState::kIdle;
         ++second) {
      clock_.now_ms = second * 1000;
      if (second % 5 == 0 && sent < whole.size()) {
        const std::string piece = whole.substr(sent, static_cast<std::size_t>(c.bytes_every_5s));
        sent += piece.size();
        lib_.Callbacks()->Data(handle, piece.data(), static_cast<int>(piece.size()));
      }
      capture_->Tick();
    }
    if (c.fails) {
      EXPECT_EQ(capture_->Request(1).State(), TRequestState::kIdle) << c.bytes_every_5s;
      EXPECT_EQ(capture_->LastFailure().Kind, TNetError::kTooSlow) << c.bytes_every_5s;
      EXPECT_EQ(capture_->LastFailure().Message, "slower than 100 bytes per second for 10 seconds");
      EXPECT_EQ(web_->ErrorCount(), 1);  // after its one trial
    } else {
      // Still running, or (the fastest) complete: never failed.
      EXPECT_EQ(capture_->LastFailure().Kind, TNetError::kNone)
          << c.bytes_every_5s << " " << capture_->LastFailure().Message;
      EXPECT_EQ(web_->ErrorCount(), 0) << c.bytes_every_5s;
    }
    TearDown();
  }
}

// A stop that lets the transfers under way finish waits for them a bounded time, then closes
// them: a transfer that would outlast the wait leaves its address to explore.
TEST_F(CaptureTest, AStopThatCompletesTransfersWaitsABoundedTime) {
  settings_.StopWaitSecs = 20;
  web_->EditOptions().LowSpeedLimit = 0;  // the slot below stays silent: only the wait ends it
  lib_.Expect(testing::ServedWithoutCut("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<"));
  Start();
  ASSERT_TRUE(capture_->Pump());
  lib_.Run();
  clock_.now_ms = 5000;
  capture_->Stop(false);
  ASSERT_TRUE(capture_->Pump());
  clock_.now_ms = 24000;
  capture_->Tick();
  EXPECT_TRUE(capture_->Pump());
  clock_.now_ms = 25000;
  capture_->Tick();
  EXPECT_FALSE(capture_->Pump());
  EXPECT_EQ(web_->Tree().Find(web_->Url())->State, wsTodo);
  EXPECT_NE(Log().find("Arr\xEAt : transferts en cours interrompus apr\xE8s 20 s"),
            std::string::npos);
}

TEST_F(CaptureTest, StopCompletingLetsStartedDownloadsFinish) {
  settings_.MaxSockets = 2;
  web_->EditOptions().Protocol = "1.0";  // a body read until the server closes
  Link("http://www.a.com/b.htm");
  // The first slot has its whole response and waits for the close; the second has nothing yet.
  lib_.Expect(testing::ServedWithoutCut(Response("text/html", "<HTML>home</HTML>")));
  lib_.Expect(TScript{});
  Start();
  ASSERT_TRUE(capture_->Pump());
  lib_.Run();
  capture_->Stop(false);
  EXPECT_EQ(capture_->Request(2).State(), TRequestState::kIdle);
  EXPECT_NE(capture_->Request(1).State(), TRequestState::kIdle);
  lib_.Callbacks()->Cut(lib_.gos[0].handle);
  EXPECT_FALSE(capture_->Pump());
  EXPECT_EQ(capture_->CapturedCount(), 1);
  EXPECT_EQ(web_->Tree().Find(web_->Url())->State, wsPage);
  // The slot closed by the stop leaves its address to explore.
  EXPECT_EQ(web_->Tree().Find("http://www.a.com/b.htm")->State, wsTodo);
}

// What a killed program left (a body under its partial name) is removed by the next capture;
// a body received whole is under its own name only.
TEST_F(CaptureTest, PartialFilesLeftByAKillAreRemovedAtTheNextCapture) {
  fs.files[web_->Path() + "old.htm" + std::string(kPartialSuffix)] = "half a pa";
  fs.files[web_->Path() + "kept.htm"] = "a page of the web";
  lib_.Expect(Served(Response("text/html", "<p>whole</p>")));
  Start();
  EXPECT_FALSE(fs.FileExists(web_->Path() + "old.htm" + std::string(kPartialSuffix)));
  EXPECT_TRUE(fs.FileExists(web_->Path() + "kept.htm"));
  RunToEnd();
  const std::string name = web_->Tree().Find(web_->Url())->GetFileName();
  EXPECT_EQ(fs.files[web_->Path() + name].find("<p>whole</p>"), 0u);
  for (const auto& [path, bytes] : fs.files) {
    EXPECT_FALSE(path.ends_with(kPartialSuffix)) << path;
  }
}

// A program killed between two saves leaves the files it kept since the last one, named by no
// saved record. The next capture removes them, and only them (a file it did not name stays, a
// damaged journal reaches nothing else), so that their addresses take their names again.
TEST_F(CaptureTest, FilesKeptAfterTheLastSaveOfAKilledProgramAreRemovedAtTheNextCapture) {
  web_->SetFileName(web_->Path() + "Local.Web");
  ASSERT_TRUE(web_->SaveToFile(web_->FileName()));
  fs.files[web_->Path() + "MINE.htm"] = "the user's own page";
  fs.files["/webs/outside.htm"] = "another folder's page";
  lib_.Expect(Served(Response("text/html", "<p>first</p>")));
  Start();
  RunToEnd();
  const std::string name = web_->Tree().Find(web_->Url())->GetFileName();
  ASSERT_TRUE(fs.FileExists(web_->Path() + name));
  capture_.reset();  // killed: no save after the page was kept
  // A damaged journal, its last line cut.
  fs.files[web_->Path() + std::string(kNameJournalFileName)] +=
      "../outside.htm\nLogFile.htm\nMINE.htm";

  ASSERT_TRUE(web_->LoadFromFile(web_->FileName()));
  EXPECT_TRUE(web_->Tree().Find(web_->Url())->GetFileName().empty());
  lib_.Expect(Served(Response("text/html", "<p>again</p>")));
  Start();
  EXPECT_FALSE(fs.FileExists(web_->Path() + name));
  EXPECT_TRUE(fs.FileExists(web_->Path() + "MINE.htm"));
  EXPECT_TRUE(fs.FileExists("/webs/outside.htm"));
  EXPECT_TRUE(fs.FileExists(web_->Path() + "LogFile.htm"));
  RunToEnd();
  EXPECT_EQ(web_->Tree().Find(web_->Url())->GetFileName(), name);
  EXPECT_EQ(fs.files[web_->Path() + name].find("<p>again</p>"), 0u);
  // Saved, every name is the project file's: the journal goes, the files stay.
  ASSERT_TRUE(web_->SaveToFile(web_->FileName()));
  EXPECT_FALSE(fs.FileExists(web_->Path() + std::string(kNameJournalFileName)));
  EXPECT_TRUE(fs.FileExists(web_->Path() + name));
}

TEST_F(CaptureTest, StopAbortingDeletesPartialFiles) {
  TScript partial = {{TScriptStep::kOkHost, ""}, {TScriptStep::kConnect, "127.0.0.1"}};
  testing::AppendData(partial, Response("text/html", std::string(1000, 'x')).substr(0, 200), 200);
  lib_.Expect(partial);
  Start();
  capture_->Pump();
  lib_.Run();
  TWebFile* home = web_->Tree().Find(web_->Url());
  ASSERT_FALSE(home->GetFileName().empty());
  const std::string part_file = web_->Path() + home->GetFileName() + std::string(kPartialSuffix);
  EXPECT_TRUE(fs.FileExists(part_file));
  capture_->Stop(true);
  EXPECT_FALSE(fs.FileExists(part_file));
  EXPECT_FALSE(fs.FileExists(web_->Path() + home->GetFileName()));
  EXPECT_FALSE(capture_->Pump());
}

// An announced length is only the server's word: one larger than the free space fails that
// address alone. The session stops for a full disk when a write fails for that reason, and the
// address that met it waits for the next capture.
// A filtered address the user forces is captured at the next capture, though the web's types
// still refuse it: the mark survives the project file, and neither the queue's filter nor the
// answer's refuses it again.
TEST_F(CaptureTest, AForcedAddressIsCapturedAtTheNextCapture) {
  web_->Tree().Find(web_->Url())->State = wsPage;
  TWebFile* gif = Link("http://www.a.com/p.gif");
  gif->SetMimeType("image/gif");
  gif->State = wsFiltered;
  web_->MimeList().GetMimeByString("image/gif")->Valid = false;
  ASSERT_TRUE(web_->ForceCapture(gif));
  web_->SetFileName(web_->Path() + "Local.Web");
  ASSERT_TRUE(web_->SaveToFile(web_->FileName()));
  ASSERT_TRUE(web_->LoadFromFile(web_->FileName()));
  web_->MimeList().GetMimeByString("image/gif")->Valid = false;

  lib_.Expect(Served(Response("image/gif", "GIF89a")));
  Start();
  RunToEnd();
  ASSERT_EQ(lib_.gos.size(), 1u);
  TWebFile* record = web_->Tree().Find("http://www.a.com/p.gif");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->State, wsFile);
  EXPECT_FALSE(record->GetForced());
  EXPECT_EQ(capture_->CapturedCount(), 1);
}

// A web past 2 GiB goes on capturing; its project file holds the total saturated.
TEST_F(CaptureTest, AWebPastTwoGigabytesGoesOnAndIsStoredSaturated) {
  web_->SetTotalSize(std::int64_t{INT32_MAX} - 10);
  lib_.Expect(Served(Response("text/html", std::string(100, 'x'))));
  Start();
  RunToEnd();
  EXPECT_TRUE(capture_->Error().empty()) << capture_->Error();
  EXPECT_EQ(capture_->CapturedCount(), 1);
  EXPECT_EQ(web_->TotalSize(), std::int64_t{INT32_MAX} + 90);
  web_->SetFileName(web_->Path() + "Local.Web");
  ASSERT_TRUE(web_->SaveToFile(web_->FileName()));
  ASSERT_TRUE(web_->LoadFromFile(web_->FileName()));
  EXPECT_EQ(web_->TotalSize(), INT32_MAX);
}

TEST_F(CaptureTest, OnlyAWriteThatFailsForAFullDiskStopsTheSession) {
  const std::string liar =
      "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: "
      "2000000000\r\n\r\n<p>small</p>";
  fs.free_space = 50 * 1024 * 1024;
  Link("http://www.a.com/b.htm");
  lib_.Expect(Served(liar));
  lib_.Expect(Served(Response("text/html", "<p>b</p>")));
  Start();
  RunToEnd();
  EXPECT_FALSE(capture_->DiskFull());
  EXPECT_EQ(web_->Tree().Find(web_->Url())->State, wsTodo);  // the entry address is tried again
  EXPECT_EQ(web_->Tree().Find("http://www.a.com/b.htm")->State, wsPage);
  EXPECT_EQ(capture_->ErrorCount(), 1);
  EXPECT_NE(Log().find("Espace disque insuffisant (2000000000 octets annonc\xE9s):"
                       "http://www.a.com/"),
            std::string::npos);

  TearDown();
  SetUp();
  fs.write_budget = 100;
  settings_.MaxSockets = 1;
  settings_.TryCount = 3;
  Link("http://www.a.com/b.htm");
  lib_.Expect(Served(Response("image/gif", std::string(600, 'x'))));
  const std::size_t gos_before = lib_.gos.size();
  Start();
  RunToEnd();
  EXPECT_TRUE(capture_->DiskFull());
  EXPECT_TRUE(capture_->Stopping());
  EXPECT_EQ(capture_->LastFailure().Kind, TNetError::kDiskFull);
  EXPECT_EQ(capture_->ErrorCount(), 0);  // not counted: it waits for the next capture
  EXPECT_EQ(web_->TodoList().size(), 0u);
  EXPECT_EQ(lib_.gos.size(), gos_before + 1);  // no further address handed out
}

TEST_F(CaptureTest, EmptyQueueEndsAtOnceWithTheReport) {
  web_->Tree().Find(web_->Url())->State = wsFiltered;
  web_->MimeList().SetValidAll(false);
  web_->Tree().Find(web_->Url())->SetMimeType("image/gif");
  Start();
  EXPECT_FALSE(capture_->Pump());
  EXPECT_TRUE(lib_.gos.empty());
  std::string log = Log();
  std::string report =
      log.substr(log.find("<br>D\xE9"
                          "but"));
  EXPECT_EQ(report,
            "<br>D\xE9"
            "but de capture le Monday 7 Dec 2026 , 09:05:03\r\n"
            "<br>Fin de capture le Monday 7 Dec 2026 , 09:05:03\r\n"
            "<br>Dur\xE9"
            "e de la session : 00:00:00\r\n"
            "<br>0 page(s) captur\xE9"
            "e(s)\r\n"
            "<br>\r\n");
}

TEST_F(CaptureTest, EndReportListsTheNonZeroFigures) {
  Link("http://www.a.com/gone.htm");
  Link("http://www.a.com/f.zip");
  lib_.Expect(Served(Response("text/html", "<HTML></HTML>")));
  lib_.Expect(Served(Response("text/html", "", 404)));
  lib_.Expect(Served(Response("application/zip", "PK")));
  web_->MimeList().AddMime("application/zip", "zip", "Other", false);
  Start();
  RunToEnd();
  std::string log = Log();
  EXPECT_NE(log.find("<br>1 page(s) captur\xE9"
                     "e(s)\r\n<br>1 page(s) filtr\xE9"
                     "e(s)\r\n"
                     "<br>1 page(s) non trouv\xE9"
                     "e(s)\r\n<br>\r\n"),
            std::string::npos);
  capture_->Fill();
  EXPECT_EQ(web_->LastCaptureInfo().CapturedCount, 1);
  EXPECT_EQ(web_->LastCaptureInfo().NotFoundCount, 1);
  EXPECT_EQ(web_->LastCaptureInfo().FilteredCount, 1);
  EXPECT_GT(web_->LastCaptureInfo().SizeKb, -1);
}

TEST_F(CaptureTest, TheWebIsSavedEveryFiftyKeptFiles) {
  web_->SetFileName("/webs/site/Local.Web");
  for (int i = 0; i < 50; ++i) {
    Link("http://www.a.com/" + std::to_string(i) + ".gif", 1);
    lib_.Expect(Served(Response("image/gif", "GIF89a")));
  }
  lib_.Expect(Served(Response("text/html", "<HTML></HTML>")));
  Start();
  for (int guard = 0; guard < 100 && capture_->CapturedCount() < 50; ++guard) {
    ASSERT_TRUE(capture_->Pump());
    lib_.Run();
  }
  ASSERT_EQ(capture_->CapturedCount(), 50);
  // The fiftieth file was kept inside its transfer's handler, which never saves.
  EXPECT_FALSE(fs.FileExists("/webs/site/Local.Web"));
  capture_->Pump();  // the session's own step
  EXPECT_TRUE(fs.FileExists("/webs/site/Local.Web"));
}

// Pages are held in memory until processed, then stored once: two pages of the same name in
// flight at once still get two files, and a page too large to hold goes through the disk.
TEST_F(CaptureTest, PagesHeldUntilProcessedKeepTheirNamesAndAreStoredOnce) {
  settings_.MaxSockets = 3;
  web_->EditOptions().InternalPathLimit = false;
  Link("http://www.a.com/x/p.htm");
  Link("http://www.a.com/y/p.htm");
  const std::string large = "<html><a href=z.htm>z</a>" + std::string(1536 * 1024, 'w') + "</html>";
  lib_.Expect(Served(Response("text/html", "<HTML>home</HTML>")));
  // Long enough for both to be in flight at once.
  const std::string words(400, 'v');
  lib_.Expect(Served(Response("text/html", "<HTML>x" + words + "</HTML>"), 16));
  lib_.Expect(Served(Response("text/html", "<HTML>y" + words + "</HTML>"), 16));
  lib_.Expect(Served(Response("text/html", large), 64 * 1024));
  std::vector<std::string> opened;
  fs.on_open_for_write = [&](const std::string& path) { opened.push_back(path); };
  Start(WebPageProcessor(*web_));
  Link("http://www.a.com/x/z.htm");
  RunToEnd();
  TWebFile* x = web_->Tree().Find("http://www.a.com/x/p.htm");
  TWebFile* y = web_->Tree().Find("http://www.a.com/y/p.htm");
  TWebFile* z = web_->Tree().Find("http://www.a.com/x/z.htm");
  ASSERT_TRUE(x && y && z);
  EXPECT_NE(x->GetFileName(), y->GetFileName());
  for (auto [record, text] : {std::pair{x, "<HTML>x"}, std::pair{y, "<HTML>y"}}) {
    EXPECT_EQ(record->State, wsPage);
    EXPECT_NE(fs.files[web_->Path() + record->GetFileName()].find(text), std::string::npos);
  }
  const std::string& stored = fs.files[web_->Path() + z->GetFileName()];
  EXPECT_EQ(z->State, wsPage);
  EXPECT_NE(stored.find("<a href=http://www.a.com/x/z.htm>z</a>"), std::string::npos);
  EXPECT_NE(stored.find(std::string(1536 * 1024, 'w') + "</html>"), std::string::npos);
  // Written once, not written, read and written again.
  const std::string x_path = web_->Path() + x->GetFileName();
  EXPECT_EQ(std::count_if(opened.begin(), opened.end(),
                          [&](const std::string& p) { return p.starts_with(x_path); }),
            1);
  for (const auto& [path, bytes] : fs.files) EXPECT_EQ(path.find(".tmp"), std::string::npos);
}

// A page whose processed form cannot be written, nor its bytes as they came, is an error of the
// local file: not a captured page without a file.
TEST_F(CaptureTest, APageThatCannotBeStoredIsAnErrorNotACapturedPage) {
  lib_.Expect(Served(Response("text/html", "<HTML>home</HTML>")));
  fs.fail_renames = true;
  Start(WebPageProcessor(*web_));
  RunToEnd();
  TWebFile* home = web_->Tree().Find("http://www.a.com/");
  ASSERT_NE(home, nullptr);
  EXPECT_NE(home->State, wsPage);
  EXPECT_EQ(web_->CapturedCount(), 0);
  EXPECT_EQ(capture_->CapturedCount(), 0);
  EXPECT_EQ(fs.files.count(web_->Path() + home->GetFileName()), 0u);
  EXPECT_EQ(capture_->LastFailure().Kind, TNetError::kLocalFile);
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// A page's stylesheet, and the font and picture that stylesheet names, are captured ahead of the
// next page; the stylesheet's own addresses are made absolute against it.
TEST_F(CaptureTest, AStylesheetsFontsAndPicturesAreCapturedBeforeTheNextPage) {
  lib_.Expect(Served(Response("text/html",
                              "<html><link rel=stylesheet href=\"s/site.css\"><a href=b.htm>b</a>"
                              "</html>")));
  lib_.Expect(Served(
      Response("text/css", "@font-face{src:url(../f/sans.woff2)}body{background:url(bg.png)}")));
  lib_.Expect(Served(Response("image/png", "PNG")));
  lib_.Expect(Served(Response("font/woff2", "wOF2")));
  lib_.Expect(Served(Response("text/html", "<html>b</html>")));
  Start(WebPageProcessor(*web_));
  RunToEnd();
  EXPECT_EQ(view_.urls, (std::vector<std::string>{"1 /", "1 /s/site.css", "1 /s/bg.png",
                                                  "1 /f/sans.woff2", "1 /b.htm"}));
  TWebFile* css = web_->Tree().Find("http://www.a.com/s/site.css");
  ASSERT_NE(css, nullptr);
  EXPECT_EQ(css->GetFileName(), "www.a.com/s/site.css");
  EXPECT_EQ(fs.files[web_->Path() + "www.a.com/s/site.css"],
            "@font-face{src:url(http://www.a.com/f/sans.woff2)}"
            "body{background:url(http://www.a.com/s/bg.png)}");
  EXPECT_EQ(web_->Tree().Find("http://www.a.com/f/sans.woff2")->GetFileName(),
            "www.a.com/f/sans.woff2");

  // Without the option the page's stylesheet is not seen at all.
  web_ = NewWeb("http://www.a.com/", "/webs/plain");
  web_->EditOptions().PageRequisites = false;
  lib_.Expect(Served(Response("text/html", "<html><link rel=stylesheet href=s.css></html>")));
  view_.urls.clear();
  Start(WebPageProcessor(*web_));
  RunToEnd();
  EXPECT_EQ(view_.urls, std::vector<std::string>{"1 /"});
}

}  // namespace
}  // namespace korvane
