// https with the Asio library against nginx on loopback, with certificates of a test authority
// made for the run: what is trusted is fetched, each kind of refused certificate is reported in
// its own words, sessions are resumed, and the event handle still wakes a waiting loop.
#include <gtest/gtest.h>

#include <poll.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "base/message_pump.h"
#include "net/http_session.h"
#include "net/request.h"
#include "net/socket_hub.h"
#include "net/socket_library_asio.h"
#include "support/nginx_server.h"
#include "support/test_certificates.h"

namespace korvane {
namespace {

using testing::TCertificate;
using testing::TNginxServer;
using testing::TTestCertificates;
using namespace std::chrono_literals;

const TTestCertificates& Certificates() { return TTestCertificates::Get(); }

class TlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Certificates().Ready()) << Certificates().Error();
    dir_ = std::filesystem::temp_directory_path() /
           ("korvane_tls_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    request_.OnHeader = [this](TRequest& r) {
      r.OutputFile = (dir_ / "page.htm").string();
      return true;
    };
    request_.OnDone = [this](TRequest&) { outcome_ = "done"; };
    request_.OnError = [this](TRequest& r, bool) { outcome_ = "error: " + r.Failure.Message; };
    request_.CaFile = Certificates().CaFile();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Fetches `url` to its end with the library's own pump; what it ended with.
  std::string Fetch(const std::string& url) {
    outcome_.clear();
    request_.Start(url);
    const auto limit = std::chrono::steady_clock::now() + 15s;
    while (request_.State() != TRequestState::kIdle && std::chrono::steady_clock::now() < limit) {
      lib_.Pump().WaitMessages(50ms);
      lib_.Pump().ProcessMessages();
    }
    return outcome_;
  }
  std::string Page() const {
    return RealFileSystem().ReadFile((dir_ / "page.htm").string()).value_or("<none>");
  }

  TAsioSocketLibrary lib_;
  TSocketHub hub_{&lib_};
  THttpSession session_;
  TRequest request_{1, hub_, session_};
  std::filesystem::path dir_;
  std::string outcome_;
};

TEST_F(TlsTest, ATrustedServerIsFetchedAndItsSessionResumed) {
  TNginxServer server(TNginxServer::SampleSiteFolder(), &Certificates().Good());
  ASSERT_TRUE(server.Running()) << server.Error();
  EXPECT_EQ(Fetch(server.Url("/about.htm")), "done");
  const std::string expected =
      RealFileSystem().ReadFile(TNginxServer::SampleSiteFolder() + "/about.htm").value_or("?");
  EXPECT_EQ(Page(), expected);
  EXPECT_EQ(Fetch(server.Url("/index.htm")), "done");
  // By name: the name goes in the handshake, and is what the certificate is checked against.
  EXPECT_EQ(Fetch("https://localhost:" + std::to_string(server.Port()) + "/menu.htm"), "done");

  const std::string log = server.AccessLog();
  EXPECT_NE(log.find("\"GET /about.htm HTTP/1.0\" 200 host=127.0.0.1:" +
                     std::to_string(server.Port()) + " sni=- reused=."),
            std::string::npos)
      << log;
  // The second connection to the same server skips the full handshake.
  EXPECT_NE(log.find("\"GET /index.htm HTTP/1.0\" 200 host=127.0.0.1:" +
                     std::to_string(server.Port()) + " sni=- reused=r"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\"GET /menu.htm HTTP/1.0\" 200 host=localhost:" +
                     std::to_string(server.Port()) + " sni=localhost"),
            std::string::npos)
      << log;
}

// Each certificate problem is refused with its own words, as the log page and the run show it.
TEST_F(TlsTest, RefusedCertificatesSayWhatIsWrong) {
  struct Case {
    const TCertificate* certificate;
    bool trust_the_authority;
    const char* words;
  } cases[] = {
      {&Certificates().OtherHost(), true,
       "the server's certificate is for another host name than 127.0.0.1"},
      {&Certificates().Expired(), true, "the server's certificate has expired"},
      {&Certificates().UnknownIssuer(), true,
       "the server's certificate comes from an unknown issuer"},
      // The test authority is no authority of the system's.
      {&Certificates().Good(), false, "the server's certificate comes from an unknown issuer"},
  };
  for (const Case& c : cases) {
    TNginxServer server(TNginxServer::SampleSiteFolder(), c.certificate);
    ASSERT_TRUE(server.Running()) << server.Error();
    request_.CaFile = c.trust_the_authority ? Certificates().CaFile() : "";
    EXPECT_EQ(Fetch(server.Url("/about.htm")), std::string("error: ") + c.words);
    EXPECT_EQ(request_.Failure.Kind, TNetError::kTls) << c.words;
    EXPECT_EQ(server.AccessLog().find("GET"), std::string::npos) << c.words;
  }
}

TEST_F(TlsTest, WithoutTheCheckAnyCertificateIsAccepted) {
  TNginxServer server(TNginxServer::SampleSiteFolder(), &Certificates().Expired());
  ASSERT_TRUE(server.Running()) << server.Error();
  request_.CaFile.clear();
  request_.VerifyCertificates = false;
  EXPECT_EQ(Fetch(server.Url("/about.htm")), "done");
}

TEST_F(TlsTest, NoSecureConnectionWithoutTlsOrTrust) {
  TNginxServer server(TNginxServer::SampleSiteFolder(), &Certificates().Good());
  ASSERT_TRUE(server.Running()) << server.Error();
  // A server that answers in the clear.
  const std::string outcome =
      Fetch("https://127.0.0.1:" + std::to_string(server.PlainPort()) + "/");
  EXPECT_EQ(outcome.rfind("error: the TLS handshake failed (", 0), 0u) << outcome;
  EXPECT_EQ(request_.Failure.Kind, TNetError::kTls) << outcome;

  request_.CaFile = (dir_ / "missing.pem").string();
  EXPECT_EQ(Fetch(server.Url("/")),
            "error: the certificates of " + request_.CaFile + " cannot be read");
  EXPECT_EQ(request_.Failure.Kind, TNetError::kTls);
}

// The desktop program waits on the event handle: a secure fetch wakes it at every step of the
// handshake and transfer, and the handle is quiet again once all is done.
TEST_F(TlsTest, TheEventHandleWakesForASecureFetch) {
  TNginxServer server(TNginxServer::SampleSiteFolder(), &Certificates().Good());
  ASSERT_TRUE(server.Running()) << server.Error();
  const int handle = lib_.EventHandle();
  ASSERT_GE(handle, 0);
  lib_.Pump().ProcessMessages();
  auto readable = [&](int timeout_ms) {
    pollfd watched{handle, POLLIN, 0};
    return ::poll(&watched, 1, timeout_ms) == 1 && (watched.revents & POLLIN);
  };
  EXPECT_FALSE(readable(50));
  request_.Start(server.Url("/about.htm"));
  int wakes = 0;
  while (request_.State() != TRequestState::kIdle && wakes < 200) {
    ASSERT_TRUE(readable(5000)) << "no wake-up while a secure fetch was under way";
    ++wakes;
    lib_.Pump().ProcessMessages();
  }
  EXPECT_EQ(outcome_, "done");
  lib_.Pump().ProcessMessages();
  EXPECT_FALSE(readable(200)) << "the handle stays readable with nothing to do";
}

}  // namespace
}  // namespace korvane
