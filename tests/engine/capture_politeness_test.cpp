// A session's politeness on a fake clock: what robots.txt allows and how its failures are taken,
// the pauses between requests to one host, the rate limit, and the waits servers ask for. The
// server answers by address and notes when (on the session's clock) each request came.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/capture.h"
#include "engine/web.h"
#include "net/socket_hub.h"
#include "support/scripted_socket_library.h"
#include "support/web_fixture.h"

namespace korvane {
namespace {

using testing::TScript;
using testing::TScriptStep;

class TFakeClock final : public TClock {
 public:
  TDateTime Now() const override { return EncodeDateTime(2026, 12, 7, 9, 0, 0) + now_ms / 864e5; }
  std::int64_t TickMs() const override { return now_ms; }
  std::int64_t now_ms = 0;
};

std::string Answer(int status, std::string_view body, std::string_view extra = "") {
  return "HTTP/1.0 " + std::to_string(status) +
         " X\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n" + std::string(extra) + "\r\n" + std::string(body);
}

struct TRequestSeen {
  std::int64_t at_ms;
  std::string target;
};

class CapturePolitenessTest : public ::testing::Test, public testing::TWebFixture {
 protected:
  void SetUp() override {
    web_ = NewWeb("http://www.a.com/");
    web_->EditOptions().Politeness.Robots = true;
    settings_.MaxSockets = 3;
    for (const char* page : {"/b.htm", "/c.htm", "/private/d.htm"}) {
      web_->NewLink({0, std::string("http://www.a.com") + page, ""},
                    web_->Tree().Find(web_->Url()));
    }
    lib_.route = [this](const std::string& request) {
      const std::string target = request.substr(4, request.find(' ', 4) - 4);
      seen_.push_back({clock_.now_ms, target});
      if (target.starts_with("/robots.txt")) return robots_(++robots_asked_);
      if (page_) return page_(target);
      return Answer(200, "<html>" + target + "</html>");
    };
  }
  void TearDown() override { capture_.reset(); }
  // Another case of a table: a new web in an emptied folder, nothing seen yet.
  void Fresh() {
    capture_.reset();
    web_.reset();
    seen_.clear();
    robots_asked_ = 0;
    page_ = nullptr;
    fs.files = TWebFixture().fs.files;
    SetUp();
  }

  // Runs the session to its end. When nothing moves, the clock goes to the moment the session
  // said it would wake at (or its next second): a session that waits must say until when, and
  // never needs a step that finds it still waiting.
  void RunToEnd() {
    capture_ = std::make_unique<TCapture>(*web_, settings_, hub_, nullptr, nullptr, &clock_);
    std::int64_t next_tick = 1000;
    for (int guard = 0; guard < 5000 && capture_->Pump(); ++guard) {
      if (lib_.Run() > 0) continue;
      const std::int64_t wake = capture_->WakeTick();
      if (wake >= 0) {
        ASSERT_GT(wake, clock_.now_ms) << "a wait that is already over";
      }
      clock_.now_ms = wake >= 0 ? std::min(wake, next_tick) : next_tick;
      if (clock_.now_ms == next_tick) {
        next_tick += 1000;
        capture_->Tick();
      }
    }
    ASSERT_TRUE(capture_->Ended());
  }
  std::size_t RequestsFor(const std::string& target) const {
    std::size_t n = 0;
    for (const TRequestSeen& r : seen_) n += r.target == target ? 1 : 0;
    return n;
  }
  // The intervals between the starts of requests, in the order they came.
  std::vector<std::int64_t> Gaps() const {
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 1; i < seen_.size(); ++i) {
      gaps.push_back(seen_[i].at_ms - seen_[i - 1].at_ms);
    }
    return gaps;
  }
  TWebFile* Record(const std::string& path) { return web_->Tree().Find("http://www.a.com" + path); }

  testing::TScriptedSocketLibrary lib_;
  TSocketHub hub_{&lib_};
  TFakeClock clock_;
  TCaptureSettings settings_;
  std::unique_ptr<TWEB> web_;
  std::unique_ptr<TCapture> capture_;
  std::function<std::string(int asked)> robots_;
  std::function<std::string(const std::string& target)> page_;
  std::vector<TRequestSeen> seen_;
  int robots_asked_ = 0;
};

// What comes back for robots.txt decides what is fetched: its rules, or nothing when it is not
// there, or, when the server cannot give it, nothing after a bounded number of tries.
TEST_F(CapturePolitenessTest, TheRobotsAnswerDecidesWhatIsFetched) {
  struct TCase {
    const char* name;
    std::function<std::string(int)> robots;
    int robots_asked;
    bool private_fetched;
    const char* logged;
  };
  const std::string rules = "User-agent: *\nDisallow: /private/\n";
  const TCase cases[] = {
      {"rules", [&](int) { return Answer(200, rules); }, 1, false,
       "http://www.a.com/private/d.htm filtered : disallowed by robots.txt"},
      {"not found", [](int) { return Answer(404, ""); }, 1, true, ""},
      {"forbidden", [](int) { return Answer(403, ""); }, 1, true, ""},
      {"server error, then rules",
       [&](int asked) { return asked == 1 ? Answer(503, "") : Answer(200, rules); }, 2, false,
       "http://www.a.com : robots.txt could not be read (HTTP 503), asked again in 5 s"},
      {"server error for ever", [](int) { return Answer(500, ""); }, 3, true,
       "http://www.a.com : robots.txt could not be read (HTTP 500), every address of the site is "
       "allowed"},
      {"moved",
       [&](int asked) {
         return asked == 1 ? Answer(301, "", "Location: /robots.txt?v=2\r\n") : Answer(200, rules);
       },
       2, false, ""},
      {"cut after the header", [](int) { return std::string("HTTP/1.0 200 OK\r\n\r\n"); }, 1, true,
       ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    robots_ = c.robots;
    RunToEnd();
    EXPECT_EQ(robots_asked_, c.robots_asked);
    EXPECT_EQ(seen_.front().target, "/robots.txt");  // before the site's first page
    EXPECT_EQ(RequestsFor("/private/d.htm"), c.private_fetched ? 1u : 0u);
    EXPECT_EQ(Record("/private/d.htm")->State, c.private_fetched ? wsPage : wsFiltered);
    EXPECT_EQ(Record("/b.htm")->State, wsPage);
    EXPECT_EQ(capture_->FilteredCount(), c.private_fetched ? 0 : 1);
    EXPECT_NE(LogOf(*web_).find(c.logged), std::string::npos) << LogOf(*web_);
  }
}

// The start address is a page like the others: disallowed, it is not fetched, and the session
// says so; an address the user forced is fetched whatever robots.txt says.
TEST_F(CapturePolitenessTest, TheStartAddressIsSubjectToRobotsUnlessForced) {
  robots_ = [](int) { return Answer(200, "User-agent: Korvane\nDisallow: /\n"); };
  Record("/c.htm")->SetForced(true);
  RunToEnd();
  EXPECT_TRUE(capture_->RobotsRefusedStart());
  EXPECT_EQ(web_->Tree().Find(web_->Url())->State, wsFiltered);
  EXPECT_EQ(RequestsFor("/"), 0u);
  EXPECT_EQ(RequestsFor("/c.htm"), 1u);
  EXPECT_EQ(Record("/c.htm")->State, wsPage);
}

// The starts of two requests to one host are as far apart as the web's Wait, robots.txt's
// Crawl-delay (capped at a minute), or the rate limit asks; never closer.
TEST_F(CapturePolitenessTest, RequestsToAHostAreSpacedAsAsked) {
  struct TCase {
    const char* robots;
    std::int32_t wait;
    bool random;
    std::int32_t rate;
    std::int64_t least, most;
    const char* logged;
  };
  const TCase cases[] = {
      {"User-agent: *\nCrawl-delay: 2\n", 0, false, 0, 2000, 2000,
       "http://www.a.com : robots.txt asks for 2 s between requests"},
      {"User-agent: *\nCrawl-delay: 0.5\n", 1, false, 0, 1000, 1000, ""},
      {"User-agent: *\nCrawl-delay: 600\n", 0, false, 0, 60000, 60000,
       "asks for 600 s between requests, 60 s taken"},
      {"", 4, true, 0, 2000, 6000, ""},
      // A page and its header come to about 1,100 bytes: 500 bytes a second is two seconds. The
      // limit holds back the starts of transfers, not the transfers under way: one slot here.
      {nullptr, 0, false, 500, 2000, 3000, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.wait) + " " + std::to_string(c.rate));
    Fresh();
    if (!c.robots) {
      web_->EditOptions().Politeness.Robots = false;
      settings_.MaxSockets = 1;
    }
    page_ = [](const std::string& target) { return Answer(200, std::string(1000, 'x') + target); };
    robots_ = [&](int) { return Answer(200, c.robots ? c.robots : ""); };
    web_->EditOptions().Politeness.Wait = c.wait;
    web_->EditOptions().Politeness.RandomWait = c.random;
    web_->EditOptions().Politeness.LimitRate = c.rate;
    RunToEnd();
    ASSERT_EQ(seen_.size(), c.robots ? 5u : 4u);
    for (std::int64_t gap : Gaps()) {
      EXPECT_GE(gap, c.least);
      EXPECT_LE(gap, c.most);
    }
    EXPECT_EQ(web_->CapturedCount(), 4);
    EXPECT_NE(LogOf(*web_).find(c.logged), std::string::npos) << LogOf(*web_);
  }
}

// A server that asks to be asked again later (429, 503 with Retry-After) is, after as long as it
// asked, given seconds or a date; a wait beyond two minutes is a failure of that address.
TEST_F(CapturePolitenessTest, RetryAfterIsWaitedForWithinALimit) {
  struct TCase {
    int status;
    const char* retry_after;
    std::int64_t waited;  // -1: the address fails
  };
  const TCase cases[] = {
      {429, "Retry-After: 7\r\n", 7000},
      {503, "Date: Mon, 07 Dec 2026 09:00:00 GMT\r\nRetry-After: Mon, 07 Dec 2026 09:00:30 GMT\r\n",
       30000},
      {503, "Retry-After: 300\r\n", -1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.retry_after);
    Fresh();
    web_->EditOptions().Politeness.Robots = false;  // an old web: Retry-After is still honoured
    settings_.MaxSockets = 1;
    page_ = [&](const std::string& target) {
      if (target == "/b.htm" && RequestsFor(target) == 1)
        return Answer(c.status, "", c.retry_after);
      return Answer(200, "<html>" + target + "</html>");
    };
    RunToEnd();
    TWebFile* busy = Record("/b.htm");
    if (c.waited < 0) {
      EXPECT_EQ(busy->State, wsError);
      EXPECT_EQ(RequestsFor("/b.htm"), 1u);
      EXPECT_NE(
          LogOf(*web_).find("wait 300 s (Retry-After), more than 120 s):http://www.a.com/b.htm"),
          std::string::npos)
          << LogOf(*web_);
      continue;
    }
    ASSERT_EQ(RequestsFor("/b.htm"), 2u);
    EXPECT_EQ(busy->State, wsPage);
    std::int64_t first = -1, second = -1;
    for (const TRequestSeen& r : seen_) {
      if (r.target != "/b.htm") continue;
      (first < 0 ? first : second) = r.at_ms;
    }
    EXPECT_GE(second - first, c.waited);
    EXPECT_NE(LogOf(*web_).find(" : the server asks to wait "), std::string::npos);
    EXPECT_EQ(web_->CapturedCount(), 4);
  }
}

}  // namespace
}  // namespace korvane
