// The run around a capture, stepped as a front end steps it, with the scripted socket library
// delivering its callbacks from inside the test's message pump.
#include "engine/capture_run.h"

#include <gtest/gtest.h>

#include <limits>

#include "app/error_box_model.h"
#include "base/message_pump.h"
#include "engine/web.h"
#include "net/socket_hub.h"
#include "support/scripted_socket_library.h"
#include "support/web_fixture.h"

namespace korvane {
namespace {

using testing::Served;
using testing::TScriptedSocketLibrary;

constexpr const char* kTemplates = "/prog/index/";

// Delivers the scripted callbacks, and records how deeply it was entered.
class TDepthPump final : public TMessagePump {
 public:
  explicit TDepthPump(TScriptedSocketLibrary& lib) : lib_(lib) {}
  void ProcessMessages() override {
    ++depth;
    max_depth = std::max(max_depth, depth);
    lib_.Run();
    --depth;
  }
  bool WaitMessages(std::chrono::milliseconds) override { return true; }
  int depth = 0;
  int max_depth = 0;

 private:
  TScriptedSocketLibrary& lib_;
};

// A clock that moves only when the test moves it.
class TManualClock final : public TClock {
 public:
  TDateTime Now() const override { return EncodeDateTime(2026, 12, 8, 10, 0, 0); }
  std::int64_t TickMs() const override { return ms; }
  std::int64_t ms = 0;
};

class TRecordingHooks final : public TCaptureRunHooks {
 public:
  TStopRequest PollStop() override { return std::exchange(stop, TStopRequest::kNone); }
  TResolveView* ResolveView() override {
    calls.push_back("resolve");
    return nullptr;
  }
  void ExplainFailure(TWEB&, const TCaptureFailure& f) override {
    calls.push_back("explain " + std::to_string(f.Kind) + " " + std::to_string(f.Status) + " " +
                    f.Url);
    failure = f;
  }
  TCaptureFailure failure;
  void CaptureError(const std::string& error) override { calls.push_back("error " + error); }
  void AfterCapture(TWEB&) override { calls.push_back("after"); }
  std::vector<std::string> calls;
  TStopRequest stop = TStopRequest::kNone;
};

std::string Page(std::string_view body, std::string_view type = "text/html") {
  return "HTTP/1.0 200 OK\r\nContent-Type: " + std::string(type) +
         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

class CaptureRunTest : public ::testing::Test, public testing::TWebFixture {
 protected:
  void SetUp() override {
    web_ = NewWeb("http://www.a.com/");
    web_->SetFileName("/webs/site/Local.Web");
    ASSERT_TRUE(fs.MakeDirs("/work"));
    ASSERT_TRUE(fs.MakeDirs(kTemplates));
    fs.files[std::string(kTemplates) + "_Home.krv"] = "KRVN_HTML_TABLE";
  }

  TCaptureRun& NewRun(TGlobalMimeList* global = nullptr) {
    run_ = std::make_unique<TCaptureRun>(*web_, settings_, hub_, global, hooks_,
                                         TResolveSetup{TSommaireParam(), kTemplates},
                                         WebPageProcessor(*web_), clock_);
    return *run_;
  }
  // Steps the run as a front end does, the clock moving 100 ms per wait.
  const TCaptureRunResult& RunToEnd(TCaptureRun& run) {
    run.Begin();
    for (int guard = 0; guard < 100000 && run.Step(); ++guard) {
      pump_.WaitMessages(run.WaitTime());
      clock_.ms += 100;
      pump_.ProcessMessages();
    }
    EXPECT_EQ(run.Phase(), TCaptureRun::TPhase::kDone);
    return run.Result();
  }

  TScriptedSocketLibrary lib_;
  TSocketHub hub_{&lib_};
  TDepthPump pump_{lib_};
  TManualClock clock_;
  TRecordingHooks hooks_;
  TCaptureSettings settings_;
  std::unique_ptr<TWEB> web_;
  std::unique_ptr<TCaptureRun> run_;
};

TEST_F(CaptureRunTest, ACaptureThatKeptFilesIsSavedResolvedAndMerged) {
  TGlobalMimeList global(fs, "/work/");
  global.Load();
  lib_.Expect(Served(Page("zz", "application/x-new")));
  web_->MimeList().AddMime("application/x-new", "new", "Other", true);
  const TCaptureRunResult& result = RunToEnd(NewRun(&global));
  EXPECT_EQ(result.Captured, 1);
  EXPECT_TRUE(result.Saved);
  EXPECT_TRUE(result.Resolved);
  EXPECT_TRUE(result.Error.empty());
  EXPECT_TRUE(fs.FileExists("/webs/site/Local.Web"));
  EXPECT_TRUE(fs.FileExists("/webs/site/_Home.htm"));
  EXPECT_EQ(web_->LastCaptureInfo().CapturedCount, 1);
  EXPECT_EQ(hooks_.calls, (std::vector<std::string>{"resolve", "after"}));
  EXPECT_TRUE(global.List().MimeExist("application/x-new"));
}

// A copy whose links were left partly resolved is saved and said as such, never opened as whole.
TEST_F(CaptureRunTest, ACancelledResolveIsSaidAndTheCopyIsNotOpened) {
  lib_.Expect(Served(Page("<html><body>zz</body></html>")));
  TCaptureRun& run = NewRun();
  run.Begin();
  for (int guard = 0; guard < 100000 && run.Step(); ++guard) {
    if (run.Resolver()) run.Resolver()->Cancel();
    clock_.ms += 100;
    pump_.ProcessMessages();
  }
  const TCaptureRunResult& result = run.Result();
  EXPECT_EQ(result.Captured, 1);
  EXPECT_TRUE(result.ResolveCancelled);
  EXPECT_FALSE(result.Resolved);
  EXPECT_TRUE(result.Saved);
  EXPECT_EQ(hooks_.calls, (std::vector<std::string>{"resolve"}));  // no "after"
}

TEST_F(CaptureRunTest, NothingCapturedIsExplained) {
  lib_.Expect(Served("HTTP/1.0 404 Not found\r\n\r\n"));
  EXPECT_EQ(RunToEnd(NewRun()).Captured, 0);
  EXPECT_EQ(hooks_.calls,
            std::vector<std::string>{"explain " + std::to_string(TCaptureFailure::kStartAddress) +
                                     " 404 http://www.a.com/"});

  hooks_.calls.clear();
  lib_.Expect(Served("HTTP/1.0 500 Boom\r\n\r\n"));
  web_->Reinit("http://www.a.com/");
  RunToEnd(NewRun());
  EXPECT_EQ(hooks_.calls,
            std::vector<std::string>{"explain " + std::to_string(TCaptureFailure::kHttpStatus) +
                                     " 500 http://www.a.com/"});

  hooks_.calls.clear();
  settings_.UseProxy = true;
  settings_.ProxyAdress = "proxy.lan";
  settings_.TryCount = 1;
  lib_.Expect({{testing::TScriptStep::kNoHost, ""}});
  web_->Reinit("http://www.a.com/");
  RunToEnd(NewRun());
  EXPECT_EQ(hooks_.calls,
            std::vector<std::string>{
                "explain " + std::to_string(TCaptureFailure::kProxyConnection) + " 0 proxy.lan"});
}

// Each cause of a capture that kept nothing has its own words after the box's fixed text,
// which stays the same for all of them.
TEST_F(CaptureRunTest, EveryFailureSaysItsCause) {
  struct Case {
    testing::TScript script;
    const char* cause;
  } const cases[] = {
      {Served("HTTP/1.0 404 Not found\r\n\r\n"),
       "the server answered Not found (404): http://www.a.com/"},
      {{{testing::TScriptStep::kOkHost, ""}, {testing::TScriptStep::kFail, ""}},
       "connection refused: http://www.a.com/"},
      {{{testing::TScriptStep::kNoHost, ""}}, "no such host: http://www.a.com/"},
      {{{testing::TScriptStep::kOkHost, ""},
        {testing::TScriptStep::kConnect, "1.2.3.4"},
        {testing::TScriptStep::kCut, ""}},
       "the server closed the connection before answering: http://www.a.com/"},
      // It answered, then went away: no protocol error of the server's, whatever its status.
      {Served("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 99\r\n\r\nhalf"),
       "unreadable answer (the body is shorter than announced): http://www.a.com/"},
  };
  settings_.TryCount = 1;
  for (const Case& c : cases) {
    web_->Reinit("http://www.a.com/");
    lib_.Expect(c.script);
    EXPECT_EQ(RunToEnd(NewRun()).Captured, 0);
    const TFailureExplanation explained = ExplainFailure(hooks_.failure, web_->Url());
    EXPECT_EQ(explained.Cause, c.cause);
    EXPECT_EQ(explained.Box.Message,
              "URL :http://www.a.com/\r\n"
              "Cannot reach server,its Internet address is either misspelled or unknown!\r\n"
              "Cause: " +
                  std::string(c.cause) + "\r\n");
  }
}

// A web with nothing left to fetch is complete, not a failure; its links are resolved again, so
// that a copy whose resolve was killed midway is whole after one more capture.
TEST_F(CaptureRunTest, NothingLeftToCaptureIsNoFailureAndResolves) {
  web_->Tree().Find(web_->Url())->State = wsPage;
  web_->Tree().Find(web_->Url())->SetFileName("index.htm");
  web_->Tree().Find(web_->Url())->SetMimeType("text/html");
  web_->SetCounters({.Captured = 1});
  fs.files["/webs/site/index.htm"] = "<html><body>home</body></html>";
  const TCaptureRunResult& result = RunToEnd(NewRun());
  EXPECT_TRUE(lib_.gos.empty());
  EXPECT_TRUE(result.NothingLeft);
  EXPECT_TRUE(result.Resolved);
  EXPECT_TRUE(fs.FileExists("/webs/site/_Home.htm"));
  EXPECT_EQ(hooks_.calls, (std::vector<std::string>{"resolve"}));
}

// A certificate the web does not trust: the web's trust reaches the library, the refusal is in
// the log page once (it is not tried again), and the run explains it in the certificate's words.
TEST_F(CaptureRunTest, ARefusedCertificateIsLoggedAndExplained) {
  web_->Reinit("https://www.a.com/");
  web_->EditOptions().CaFile = "/etc/company-ca.pem";
  lib_.Expect({{testing::TScriptStep::kOkHost, ""},
               {testing::TScriptStep::kTlsFail, "the server's certificate has expired"}});
  EXPECT_EQ(RunToEnd(NewRun()).Captured, 0);
  ASSERT_EQ(lib_.gos.size(), 1u);
  ASSERT_TRUE(lib_.gos[0].tls.has_value());
  EXPECT_EQ(lib_.gos[0].tls->CaFile, "/etc/company-ca.pem");
  EXPECT_EQ(hooks_.failure.Kind, TCaptureFailure::kTls);
  EXPECT_EQ(hooks_.failure.Reason, "the server's certificate has expired");
  const std::string box = ExplainFailure(hooks_.failure, web_->Url()).Box.Text();
  EXPECT_EQ(box.rfind("URL :https://www.a.com/\r\n", 0), 0u) << box;
  EXPECT_TRUE(box.ends_with("\r\nTLS: the server's certificate has expired\r\n")) << box;
  EXPECT_FALSE(ExplainFailure(hooks_.failure, web_->Url()).OffersRename);
  const std::string log = LogOf(*web_);
  const std::string line =
      "https://www.a.com/ : \xE9"
      "chec TLS : the server's certificate has expired";
  ASSERT_NE(log.find(line), std::string::npos);
  EXPECT_EQ(log.find(line), log.rfind(line));
  EXPECT_NE(log.find("1 page(s) provoquant une erreur"), std::string::npos);
}

// Socket events arrive inside the pump; the run's steps are where the web is saved and links are
// resolved. Nothing pumps from inside a handler or a serialiser, so the pump is never entered
// twice, and no project file is written while a socket callback runs.
TEST_F(CaptureRunTest, ThePumpNeverNestsAndNothingIsSavedFromAHandler) {
  settings_.MaxSockets = 4;
  std::string home = "<HTML>";
  for (int i = 0; i < 80; ++i) {
    home += "<A HREF=\"p" + std::to_string(i) + ".htm\">" + std::to_string(i) + "</A>";
  }
  lib_.Expect(Served(Page(home + "</HTML>")));
  for (int i = 0; i < 80; ++i) lib_.Expect(Served(Page("<HTML>page</HTML>")));
  int saves = 0, saves_in_handlers = 0;
  fs.on_open_for_write = [&](const std::string& path) {
    if (path.find("Local.Web") == std::string::npos) return;
    ++saves;
    if (pump_.depth > 0) ++saves_in_handlers;
  };
  const TCaptureRunResult& result = RunToEnd(NewRun());
  EXPECT_EQ(result.Captured, 81);
  EXPECT_EQ(pump_.max_depth, 1);
  EXPECT_GE(saves, 3);  // every 50 files, after the session, after resolving
  EXPECT_EQ(saves_in_handlers, 0);

  // Saving and loading a web, with their progress reported, run no message either.
  pump_.max_depth = 0;
  int reported = 0;
  auto count = [&](std::size_t, std::size_t) { ++reported; };
  web_->SetTreeProgress(count);
  ASSERT_TRUE(web_->SaveToFile("/webs/site/Again.web"));
  TWEB loaded(defaults, fs);
  loaded.SetTreeProgress(count);
  ASSERT_TRUE(loaded.LoadFromFile("/webs/site/Again.web"));
  EXPECT_GE(reported, 2);
  EXPECT_EQ(pump_.max_depth, 0);
  EXPECT_EQ(loaded.GetLinkCount(), web_->GetLinkCount());
}

// An overflow raised inside a transfer's handler is caught where the socket event entered: the
// library's loop never sees it, the request is closed, and the run ends the session, logs the
// error and still does its closing work.
TEST_F(CaptureRunTest, AnErrorInASocketHandlerEndsTheSessionAndIsReported) {
  web_->SetTotalSize(std::numeric_limits<std::int64_t>::max() - 2);
  lib_.Expect(Served(Page("<HTML>more than two bytes</HTML>")));
  TCaptureRun& run = NewRun();
  run.Begin();
  for (int guard = 0; guard < 1000 && run.Step(); ++guard) {
    EXPECT_NO_THROW(pump_.ProcessMessages());
    if (run.Session()) {
      for (int slot = 1; slot <= run.Session()->SlotCount(); ++slot) {
        EXPECT_EQ(run.Session()->Request(slot).State() == TRequestState::kIdle, true)
            << "a slot stays busy after its handler failed";
      }
    }
    clock_.ms += 100;
  }
  const TCaptureRunResult& result = run.Result();
  ASSERT_FALSE(result.Error.empty());
  EXPECT_NE(LogOf(*web_).find(result.Error), std::string::npos);
  EXPECT_EQ(hooks_.calls.front(), "error " + result.Error);
  EXPECT_TRUE(result.Saved);
  EXPECT_EQ(run.Phase(), TCaptureRun::TPhase::kDone);
}

// The session is made inside the guarded part: an error while it starts ends the run at once,
// with the closing work done.
TEST_F(CaptureRunTest, AnErrorWhileTheSessionStartsEndsTheRun) {
  class TBrokenView final : public TCaptureView {
    void ShowCounters(const TCaptureCounters&) override { throw std::runtime_error("no screen"); }
  } view;
  class TBrokenHooks final : public TCaptureRunHooks {
   public:
    explicit TBrokenHooks(TCaptureView& v) : view_(v) {}
    TCaptureView* View() override { return &view_; }

   private:
    TCaptureView& view_;
  } hooks(view);
  TCaptureRun run(*web_, settings_, hub_, nullptr, hooks, {}, nullptr, clock_);
  run.Begin();
  EXPECT_FALSE(run.Step());
  EXPECT_EQ(run.Result().Error, "no screen");
  EXPECT_TRUE(run.Result().Saved);
  EXPECT_TRUE(lib_.gos.empty());
}

// A server that goes away half-way is named as the cause of the losses; a lone failure among
// answers is not.
TEST_F(CaptureRunTest, AServerThatStopsAnsweringIsNamedAsTheCauseOfTheLosses) {
  settings_.MaxSockets = 1;
  settings_.TryCount = 1;
  using S = testing::TScriptStep;
  const testing::TScript refused = {{S::kOkHost, ""}, {S::kFail, ""}};
  const std::string home =
      "<a href=p1.htm>1</a><a href=p2.htm>2</a><a href=p3.htm>3</a><a href=p4.htm>4</a>"
      "<a href=p5.htm>5</a><a href=p6.htm>6</a>";
  lib_.Expect(Served(Page(home)));
  lib_.Expect(Served(Page("one")));
  lib_.Expect(Served(Page("two")));
  for (int i = 0; i < 4; ++i) lib_.Expect(refused);
  const TCaptureRunResult& gone = RunToEnd(NewRun());
  EXPECT_EQ(gone.Captured, 3);
  EXPECT_EQ(gone.Lost, 4);
  EXPECT_EQ(gone.LossCause,
            "the server stopped answering: the last 4 addresses got no answer (connection "
            "refused)");

  web_->Reinit("http://www.a.com/");
  lib_.Expect(Served(Page(home)));
  lib_.Expect(refused);
  for (int i = 0; i < 5; ++i) lib_.Expect(Served(Page("page")));
  const TCaptureRunResult& lone = RunToEnd(NewRun());
  EXPECT_EQ(lone.Lost, 1);
  EXPECT_EQ(lone.LossCause, "");
}

TEST_F(CaptureRunTest, StopRequestsReachTheSession) {
  settings_.MaxSockets = 1;
  web_->EditOptions().Protocol = "1.0";  // a body read until the server closes
  web_->NewLink({0, "http://www.a.com/b.htm", ""}, web_->Tree().Find(web_->Url()));
  lib_.Expect(testing::ServedWithoutCut(Page("<HTML>a</HTML>")));  // still open when stopped
  TCaptureRun& run = NewRun();
  run.Begin();
  ASSERT_TRUE(run.Step());  // the start address is handed out
  pump_.ProcessMessages();
  hooks_.stop = TCaptureRunHooks::TStopRequest::kAbortAll;
  while (run.Step()) pump_.ProcessMessages();
  EXPECT_TRUE(run.Result().Stopped);
  EXPECT_EQ(run.Result().Captured, 0);
  EXPECT_EQ(lib_.gos.size(), 1u);                       // the second page was never asked for
  EXPECT_FALSE(fs.FileExists("/webs/site/INDEX.htm"));  // the aborted body is not kept
  // A stopped run explains nothing and takes no after-capture action.
  EXPECT_TRUE(hooks_.calls.empty());
}

}  // namespace
}  // namespace korvane
