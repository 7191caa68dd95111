// The run around a capture, with the scripted socket library delivering through the message pump.
#include "engine/capture_run.h"

#include <gtest/gtest.h>

#include "base/message_pump.h"
#include "engine/web.h"
#include "net/host_cache.h"
#include "net/http_header.h"
#include "support/scripted_socket_library.h"
#include "support/web_fixture.h"

namespace korvane {
namespace {

using testing::Served;
using testing::TScriptedSocketLibrary;

class TScriptPump final : public TMessagePump {
 public:
  explicit TScriptPump(TScriptedSocketLibrary& lib) : lib_(lib) {}
  void ProcessMessages() override { lib_.Run(); }
  bool WaitMessages(std::chrono::milliseconds) override { return true; }

 private:
  TScriptedSocketLibrary& lib_;
};

class TRecordingHooks final : public TCaptureRunHooks {
 public:
  void ResolveLinks(TWEB&) override { calls.push_back("resolve"); }
  void ExplainFailure(TWEB&, const TCaptureFailure& f) override {
    calls.push_back("explain " + std::to_string(f.Kind) + " " + std::to_string(f.Status) + " " +
                    f.Url);
  }
  void AfterCapture(TWEB&) override { calls.push_back("after"); }
  std::vector<std::string> calls;
};

class CaptureRunTest : public ::testing::Test, public testing::TWebFixture {
 protected:
  void SetUp() override {
    ResetHttpGlobals();
    HostCache().Clear();
    InstallSocketLibrary(&lib_);
    InstallMessagePump(&pump_);
    web_ = NewWeb("http://www.a.com/");
    web_->FileName = "/webs/site/Local.Web";
    ASSERT_TRUE(fs.MakeDirs("/work"));
  }
  void TearDown() override {
    InstallMessagePump(nullptr);
    UninstallSocketLibrary();
  }

  TScriptedSocketLibrary lib_;
  TScriptPump pump_{lib_};
  TRecordingHooks hooks_;
  TCaptureSettings settings_;
  std::unique_ptr<TWEB> web_;
};

TEST_F(CaptureRunTest, ACaptureThatKeptFilesIsSavedResolvedAndMerged) {
  TGlobalMimeList global(fs, "/work/");
  global.Load();
  lib_.Expect(Served("HTTP/1.0 200 OK\r\nContent-Type: application/x-new\r\n\r\nzz"));
  web_->MimeList.AddMime("application/x-new", "new", "Other", true);
  TCaptureRunResult result = RunCapture(*web_, settings_, &global, hooks_, nullptr);
  EXPECT_EQ(result.Captured, 1);
  EXPECT_TRUE(result.Saved);
  EXPECT_TRUE(fs.FileExists("/webs/site/Local.Web"));
  EXPECT_EQ(web_->LastCaptureInfo.CapturedCount, 1);
  EXPECT_EQ(hooks_.calls, (std::vector<std::string>{"resolve", "after"}));
  EXPECT_TRUE(global.List().MimeExist("application/x-new"));
}

TEST_F(CaptureRunTest, NothingCapturedIsExplained) {
  lib_.Expect(Served("HTTP/1.0 404 Not found\r\n\r\n"));
  TCaptureRunResult result = RunCapture(*web_, settings_, nullptr, hooks_, nullptr);
  EXPECT_EQ(result.Captured, 0);
  EXPECT_EQ(hooks_.calls,
            std::vector<std::string>{"explain " + std::to_string(TCaptureFailure::kStartAddress) +
                                     " 404 http://www.a.com/"});

  hooks_.calls.clear();
  lib_.Expect(Served("HTTP/1.0 500 Boom\r\n\r\n"));
  web_->Reinit("http://www.a.com/");
  RunCapture(*web_, settings_, nullptr, hooks_, nullptr);
  EXPECT_EQ(hooks_.calls,
            std::vector<std::string>{"explain " + std::to_string(TCaptureFailure::kHttpStatus) +
                                     " 500 http://www.a.com/"});

  hooks_.calls.clear();
  settings_.UseProxy = true;
  settings_.ProxyAdress = "proxy.lan";
  lib_.Expect({{testing::TScriptStep::kNoHost, ""}});
  web_->Reinit("http://www.a.com/");
  settings_.TryCount = 1;
  RunCapture(*web_, settings_, nullptr, hooks_, nullptr);
  EXPECT_EQ(hooks_.calls, std::vector<std::string>{
                              "explain " + std::to_string(TCaptureFailure::kProxyConnection) +
                              " 0 proxy.lan"});
}

}  // namespace
}  // namespace korvane
