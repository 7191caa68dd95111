// The Asio socket library against a scripted HTTP server on loopback. Only 127.0.0.1 and
// localhost are ever resolved or reached.
#include <gtest/gtest.h>

#include <poll.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "base/message_pump.h"
#include "net/http_session.h"
#include "net/request.h"
#include "net/socket_hub.h"
#include "net/socket_library_asio.h"
#include "net/url_verif.h"
#include "support/loopback_http_server.h"

namespace korvane {
namespace {

using testing::TLoopbackHttpServer;
using namespace std::chrono_literals;

// Pumps `pump` until `done` or `limit`; true when done.
bool PumpUntil(TMessagePump& pump, const std::function<bool()>& done,
               std::chrono::seconds limit = 15s) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    pump.WaitMessages(50ms);
    pump.ProcessMessages();
  }
  return true;
}

// Records the callbacks of every connection, and sends a request once a connection can write.
class TRecorder final : public TSocketCallbacks {
 public:
  explicit TRecorder(TSocketLibrary& lib) : lib_(lib) {}

  std::map<TScxHandle, std::vector<std::string>> events;
  std::map<TScxHandle, std::string> data;
  std::map<TScxHandle, TNetError> failures;
  int ends = 0;

  void NoHost(TScxHandle h) override { End(h, "nohost"); }
  void OkHost(TScxHandle h) override { events[h].push_back("okhost"); }
  void Fail(TScxHandle h, const TNetError& error) override {
    End(h, "fail");
    failures[h] = error;
  }
  void Connect(TScxHandle h, std::string_view ip) override {
    events[h].push_back("connect " + std::string(ip));
  }
  void Cut(TScxHandle h) override { End(h, "cut"); }
  void CanWrite(TScxHandle h) override {
    events[h].push_back("canwrite");
    lib_.Send(h, "GET / HTTP/1.0\r\n");
    lib_.Send(h, "\r\n");
  }
  void Data(TScxHandle h, const char* buf, int len) override { data[h].append(buf, len); }

 private:
  void End(TScxHandle h, const char* how) {
    events[h].push_back(how);
    ++ends;
  }
  TSocketLibrary& lib_;
};

TEST(AsioLibraryTest, EveryAttemptEndsWithExactlyOneEnd) {
  TAsioSocketLibrary lib;
  TRecorder rec(lib);
  lib.Init(&rec);
  TLoopbackHttpServer served, silent;
  served.Respond("HTTP/1.0 200 OK\r\n\r\nhello");
  silent.StaySilent();
  TScxHandle fetched = lib.Go("127.0.0.1", std::to_string(served.Port()), 5);
  TScxHandle refused = lib.Go("127.0.0.1", std::to_string(TLoopbackHttpServer::UnusedPort()), 5);
  TScxHandle quiet = lib.Go("127.0.0.1", std::to_string(silent.Port()), 1);
  TScxHandle aborted = lib.Go("127.0.0.1", std::to_string(served.Port()), 5);
  lib.Abort(aborted);
  EXPECT_TRUE(PumpUntil(lib.Pump(), [&] { return rec.ends == 3; }));
  lib.Pump().WaitMessages(200ms);  // give a stray second end the chance to show up
  lib.Pump().ProcessMessages();

  EXPECT_EQ(rec.ends, 3);
  EXPECT_EQ(rec.events[fetched],
            (std::vector<std::string>{"okhost", "connect 127.0.0.1", "canwrite", "cut"}));
  EXPECT_EQ(rec.data[fetched], "HTTP/1.0 200 OK\r\n\r\nhello");
  EXPECT_EQ(rec.events[refused], (std::vector<std::string>{"okhost", "fail"}));
  EXPECT_EQ(rec.failures[refused].Kind, TNetError::kRefused);
  EXPECT_EQ(rec.events[quiet],
            (std::vector<std::string>{"okhost", "connect 127.0.0.1", "canwrite", "fail"}));
  EXPECT_EQ(rec.failures[quiet].Kind, TNetError::kTimedOut);
  EXPECT_TRUE(rec.events[aborted].empty());
  // The pieces of a request travel as one stream.
  ASSERT_FALSE(served.Requests().empty());
  EXPECT_EQ(served.Requests()[0], "GET / HTTP/1.0\r\n\r\n");
}

// What an event loop watches: readable while the library has completions to run, quiet once
// they have run, so a loop that waits on it never spins.
TEST(AsioLibraryTest, TheEventHandleFiresOnlyWhenThereIsWork) {
  TAsioSocketLibrary lib;
  TRecorder rec(lib);
  lib.Init(&rec);
  const int handle = lib.EventHandle();
  ASSERT_GE(handle, 0);
  lib.Pump().ProcessMessages();  // what the reactor's start left pending
  auto readable = [&](int timeout_ms) {
    pollfd watched{handle, POLLIN, 0};
    return ::poll(&watched, 1, timeout_ms) == 1 && (watched.revents & POLLIN);
  };
  EXPECT_FALSE(readable(50));  // nothing under way
  TLoopbackHttpServer served;
  served.Respond("HTTP/1.0 200 OK\r\n\r\nhello");
  const TScxHandle h = lib.Go("127.0.0.1", std::to_string(served.Port()), 5);
  int wakes = 0;
  while (rec.ends == 0 && wakes < 100) {
    ASSERT_TRUE(readable(5000)) << "no wake-up while a connection was under way";
    ++wakes;
    lib.Pump().ProcessMessages();
  }
  EXPECT_EQ(rec.ends, 1);
  EXPECT_EQ(rec.events[h].back(), "cut") << rec.failures[h].Message;
  EXPECT_EQ(rec.data[h], "HTTP/1.0 200 OK\r\n\r\nhello");
  lib.Pump().ProcessMessages();
  EXPECT_FALSE(readable(200)) << "the handle stays readable with nothing to do";
  lib.Shut();
}

class AsioRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("korvane_net_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    out_ = (dir_ / "page.htm").string();
    req_.OnHeader = [this](TRequest& r) {
      r.OutputFile = out_;
      return true;
    };
    req_.OnDone = [this](TRequest& r) {
      events_.push_back("done " + std::to_string(r.Header.ContentLength));
    };
    req_.OnError = [this](TRequest&, bool retry) {
      events_.push_back(retry ? "error retry" : "error");
    };
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Runs the request until it reports its end, or the slot is idle again.
  void Fetch(const std::string& url) {
    events_.clear();
    req_.Start(url);
    EXPECT_TRUE(PumpUntil(lib_.Pump(), [&] { return req_.State() == TRequestState::kIdle; }))
        << url;
  }

  std::string Out() const { return RealFileSystem().ReadFile(out_).value_or("<none>"); }

  TAsioSocketLibrary lib_;
  TSocketHub hub_{&lib_};
  THttpSession session_;
  std::filesystem::path dir_;
  std::string out_;
  TRequest req_{1, hub_, session_};
  std::vector<std::string> events_;
  TLoopbackHttpServer server_;
};

TEST_F(AsioRequestTest, FetchesAFileByNameAndThenByTheCachedAddress) {
  std::string body(10 * 1024, 'x');
  for (std::size_t i = 0; i < body.size(); i += 7) body[i] = static_cast<char>('a' + i % 26);
  server_.Respond(TLoopbackHttpServer::OkResponse(body));
  Fetch("http://localhost:" + std::to_string(server_.Port()) + "/dir/page.htm");
  EXPECT_EQ(events_, std::vector<std::string>{"done 10240"});
  EXPECT_EQ(Out(), body);
  EXPECT_EQ(req_.Header.ContentType, "text/html");
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(server_.Requests()[0],
            "GET /dir/page.htm HTTP/1.0\r\nHost: localhost:" + std::to_string(server_.Port()) +
                "\r\nAccept:*/*\r\nUser-Agent: Mozilla/2.0 (Korvane 1.073)\r\n\r\n");
  std::optional<std::string> cached = session_.Hosts.Find("localhost");
  ASSERT_TRUE(cached.has_value());
  EXPECT_EQ(*cached, "127.0.0.1");  // the server listens on IPv4 loopback only

  Fetch("http://localhost:" + std::to_string(server_.Port()) + "/again.htm");
  EXPECT_EQ(events_, std::vector<std::string>{"done 10240"});
  EXPECT_EQ(req_.Socket.Host, "127.0.0.1");
}

TEST_F(AsioRequestTest, SilentServerEndsWithTheTimeOut) {
  server_.StaySilent();
  req_.TimeoutSecs = 1;
  Fetch(server_.Url("/page.htm"));
  EXPECT_EQ(events_, std::vector<std::string>{"error retry"});
  EXPECT_EQ(Out(), "<none>");
}

// A server sending a byte now and then resets the time-out at every byte: only the low-speed
// limit ends the attempt, as too slow, with a retry and without a file. At 10 bytes a second the
// whole answer would take two minutes.
TEST_F(AsioRequestTest, ATricklingServerFailsAsTooSlow) {
  server_.Trickle(TLoopbackHttpServer::OkResponse(std::string(1200, 't')), 100ms);
  req_.TimeoutSecs = 60;
  events_.clear();
  req_.Start(server_.Url("/slow.htm"));
  EXPECT_TRUE(PumpUntil(
      lib_.Pump(),
      [&] {
        req_.CheckSpeed(100, 1);
        return req_.State() == TRequestState::kIdle;
      },
      10s));
  EXPECT_EQ(events_, std::vector<std::string>{"error retry"});
  EXPECT_EQ(req_.Failure.Kind, TNetError::kTooSlow) << req_.Failure.Message;
  EXPECT_EQ(Out(), "<none>");
}

TEST_F(AsioRequestTest, ServerClosingMidBodyIsAFailureWithoutAFile) {
  std::string response = TLoopbackHttpServer::OkResponse(std::string(5000, 'b'));
  server_.Respond(response, response.size() - 2000);
  Fetch(server_.Url("/page.htm"));
  EXPECT_EQ(events_, std::vector<std::string>{"error retry"});
  EXPECT_EQ(Out(), "<none>");
}

TEST_F(AsioRequestTest, RefusedPortFails) {
  Fetch("http://127.0.0.1:" + std::to_string(TLoopbackHttpServer::UnusedPort()) + "/");
  EXPECT_EQ(events_, std::vector<std::string>{"error retry"});
  EXPECT_EQ(req_.Status, kStatusClosed);
  EXPECT_EQ(req_.Failure.Kind, TNetError::kRefused);
  EXPECT_EQ(req_.Failure.Message, "connection refused");
}

TEST_F(AsioRequestTest, ConnectionCheckOnLocalhost) {
  TUrlVerif check(hub_, "http://localhost:" + std::to_string(server_.Port()) + "/");
  check.Start();
  EXPECT_TRUE(PumpUntil(lib_.Pump(), [&] { return check.Answered(); }));
  EXPECT_EQ(check.Caption(), "Web localhost : connection possible");
}

}  // namespace
}  // namespace korvane
