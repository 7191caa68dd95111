// A capture and its save on a file system that fails one operation (an open, a write, a flush, a
// close, a rename or a remove), for every operation the run makes: after each, the project file
// still loads, no stored file holds wrong bytes, nothing outside the web's folder changed, and
// the run says that something went wrong, unless the failure cost nothing (a write tried again
// and kept whole: the copy is complete).
#include <gtest/gtest.h>

#include <map>

#include "base/date_time.h"
#include "base/message_pump.h"
#include "engine/capture_run.h"
#include "engine/web.h"
#include "net/socket_hub.h"
#include "support/scripted_socket_library.h"
#include "support/web_fixture.h"

namespace korvane {
namespace {

using testing::TScriptedSocketLibrary;

constexpr const char* kTemplates = "/prog/index/";

class TLibraryPump final : public TMessagePump {
 public:
  explicit TLibraryPump(TScriptedSocketLibrary& lib) : lib_(lib) {}
  void ProcessMessages() override { lib_.Run(); }
  bool WaitMessages(std::chrono::milliseconds) override { return true; }

 private:
  TScriptedSocketLibrary& lib_;
};

class TStillClock final : public TClock {
 public:
  TDateTime Now() const override { return EncodeDateTime(2026, 12, 9, 10, 0, 0); }
  std::int64_t TickMs() const override { return ms; }
  std::int64_t ms = 0;
};

// A small site: pages that link to each other, pictures, a body larger than the in-memory limit.
std::map<std::string, std::pair<std::string, std::string>> Site() {
  std::map<std::string, std::pair<std::string, std::string>> site;
  site["/"] = {"text/html",
               "<!--id:/--><A HREF=\"a.htm\">a</A><A HREF=\"b.htm\">b</A>"
               "<IMG SRC=\"p.gif\"><IMG SRC=\"q.jpg\">"};
  site["/a.htm"] = {"text/html", "<!--id:/a.htm--><A HREF=\"b.htm\">b</A><IMG SRC=\"p.gif\">"};
  site["/b.htm"] = {"text/html",
                    "<!--id:/b.htm-->" + std::string(TRequest::kBodyInMemoryBytes + 10, 'b')};
  site["/p.gif"] = {"image/gif", "GIF89a pixels of p"};
  site["/q.jpg"] = {"image/jpeg", std::string(5000, '\xFF')};
  return site;
}

struct TSweep : testing::TWebFixture {
  TScriptedSocketLibrary lib;
  TSocketHub hub{&lib};
  TLibraryPump pump{lib};
  TStillClock clock;
  TCaptureRunHooks hooks;
  TCaptureSettings settings;
  std::map<std::string, std::string> outside;  // every file outside the web's folder before

  TCaptureRunResult Run(std::int64_t fail_operation) {
    const auto site = Site();
    lib.route = [site](const std::string& request) {
      const std::size_t start = request.find(' ') + 1;
      std::string target = request.substr(start, request.find(' ', start) - start);
      auto file = site.find(target);
      if (file == site.end()) return std::string("HTTP/1.0 404 Not found\r\n\r\n");
      return "HTTP/1.0 200 OK\r\nContent-Type: " + file->second.first +
             "\r\nContent-Length: " + std::to_string(file->second.second.size()) + "\r\n\r\n" +
             file->second.second;
    };
    settings.MaxSockets = 2;
    (void)fs.MakeDirs(kTemplates);
    fs.files[std::string(kTemplates) + "_Home.krv"] = "KRVN_HTML_TABLE";
    fs.files[std::string(kTemplates) + "_IxH.krv"] = "KRVN_HTML_TABLE";
    fs.files[std::string(kTemplates) + "korvane.css"] = "body{}";
    std::unique_ptr<TWEB> web = NewWeb("http://www.a.com/");
    web->SetFileName(web->Path() + "Local.Web");
    for (const auto& [path, bytes] : fs.files) {
      if (!path.starts_with(web->Path())) outside[path] = bytes;
    }
    fs.operations = 0;
    fs.fail_operation = fail_operation;
    TCaptureRun run(*web, settings, hub, nullptr, hooks, {TSommaireParam(), kTemplates},
                    WebPageProcessor(*web), clock);
    run.Begin();
    for (int guard = 0; guard < 100000 && run.Step(); ++guard) {
      clock.ms += 100;
      pump.ProcessMessages();
    }
    fs.fail_operation = 0;
    return run.Result();
  }
};

bool SaysSomethingWentWrong(const TCaptureRunResult& r) {
  return !r.Error.empty() || r.DiskFull || !r.Saved || !r.Resolved || r.Lost > 0 ||
         !r.WriteFailures.empty();
}

TEST(FaultInjectionTest, EveryFailedFileOperationIsReportedAndLosesNothing) {
  std::int64_t total = 0;
  {
    TSweep clean;
    const TCaptureRunResult result = clean.Run(0);
    ASSERT_FALSE(SaysSomethingWentWrong(result)) << result.Error;
    total = clean.fs.operations;
  }
  ASSERT_GT(total, 20);
  const auto site = Site();
  for (std::int64_t n = 1; n <= total; ++n) {
    SCOPED_TRACE("failing operation " + std::to_string(n) + " of " + std::to_string(total));
    TSweep sweep;
    const TCaptureRunResult result = sweep.Run(n);
    for (const auto& [path, bytes] : sweep.fs.files) {
      if (!path.starts_with("/webs/site/")) {
        EXPECT_TRUE(sweep.outside.count(path) && sweep.outside[path] == bytes) << path;
      }
    }
    // What the project file says is on disk is what was served.
    std::size_t kept = 0;
    if (sweep.fs.FileExists("/webs/site/Local.Web")) {
      TWEB loaded(sweep.defaults, sweep.fs);
      ASSERT_TRUE(loaded.LoadFromFile("/webs/site/Local.Web"));
      loaded.Tree().Explore([&](TWebFile& record, const std::string& url) {
        if (record.State != wsPage && record.State != wsFile) return false;
        const std::string path = url.substr(std::string("http://www.a.com").size());
        auto stored = sweep.fs.ReadFile("/webs/site/" + record.GetFileName());
        if (!stored) {
          ADD_FAILURE() << url << " is kept as " << record.GetFileName() << ", which is missing";
        } else if (record.State == wsFile) {
          EXPECT_EQ(*stored, site.at(path).second) << url;
        } else {
          EXPECT_NE(stored->find("<!--id:" + path + "-->"), std::string::npos) << url;
        }
        ++kept;
        return false;
      });
    }
    EXPECT_TRUE(SaysSomethingWentWrong(result) || kept == site.size())
        << "a failure on " << sweep.fs.failed_on << " went unsaid";
  }
}

}  // namespace
}  // namespace korvane
