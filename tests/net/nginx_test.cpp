// The nginx harness of the end-to-end tests, driven by the real socket library: the sample site
// is served byte for byte, with its redirection and its missing page.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "base/file_system.h"
#include "base/message_pump.h"
#include "net/http_session.h"
#include "net/request.h"
#include "net/socket_hub.h"
#include "net/socket_library_asio.h"
#include "support/nginx_server.h"

namespace korvane {
namespace {

using testing::TNginxServer;
using namespace std::chrono_literals;

class NginxTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new TNginxServer(); }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(server_->Running()) << server_->Error();
    dir_ = std::filesystem::temp_directory_path() /
           ("korvane_nginx_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    req_.OnHeader = [this](TRequest& r) {
      r.OutputFile = (dir_ / "out").string();
      r.WriteToFile = true;
      return true;
    };
    req_.OnDone = [this](TRequest&) { done_ = true; };
    req_.OnError = [this](TRequest&, bool) { failed_ = true; };
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Fetches `path` and returns the body; the header is in req_.Header.
  std::string Fetch(const std::string& path) {
    done_ = failed_ = false;
    req_.Start(server_->Url(path));
    auto end = std::chrono::steady_clock::now() + 15s;
    while (!done_ && !failed_ && std::chrono::steady_clock::now() < end) {
      lib_.Pump().WaitMessages(50ms);
      lib_.Pump().ProcessMessages();
    }
    EXPECT_TRUE(done_) << path;
    return RealFileSystem().ReadFile((dir_ / "out").string()).value_or("<none>");
  }

  static std::string SiteFile(const std::string& name) {
    return RealFileSystem().ReadFile(TNginxServer::SampleSiteFolder() + "/" + name).value_or("");
  }

  static TNginxServer* server_;
  TAsioSocketLibrary lib_;
  TSocketHub hub_{&lib_};
  THttpSession session_;
  TRequest req_{1, hub_, session_};
  std::filesystem::path dir_;
  bool done_ = false;
  bool failed_ = false;
};

TNginxServer* NginxTest::server_ = nullptr;

TEST_F(NginxTest, ServesTheSampleSiteByteForByte) {
  for (std::string name : {"index.htm", "gallery/photo1.jpg", "images/logo.png"}) {
    std::string expected = SiteFile(name);
    ASSERT_FALSE(expected.empty()) << name;
    EXPECT_EQ(Fetch("/" + name), expected) << name;
    EXPECT_EQ(req_.Header.Status, 200) << name;
    EXPECT_EQ(req_.Header.ContentLength, static_cast<std::int32_t>(expected.size())) << name;
  }
  EXPECT_EQ(req_.Header.ContentType, "image/png");
  EXPECT_NE(server_->AccessLog().find("GET /gallery/photo1.jpg HTTP/1.0"), std::string::npos);
}

// Under HTTP/1.1 the pages come gzipped, the pictures as they are, all on one connection, and
// every file is stored as the site holds it.
TEST_F(NginxTest, OneKeptConnectionServesTheSiteDecoded) {
  req_.Http11 = true;
  const std::string before = server_->AccessLog();
  const char* const names[] = {"index.htm", "gallery/photo1.jpg", "about.htm", "images/logo.png",
                               "news/index.htm"};
  for (const std::string name : names) {
    EXPECT_TRUE(Fetch("/" + name) == SiteFile(name)) << name;
    EXPECT_EQ(req_.Header.ContentEncoding, name.ends_with(".htm") ? "gzip" : "") << name;
    EXPECT_EQ(req_.State(), TRequestState::kKept) << name;
  }
  const std::string log = server_->AccessLog().substr(before.size());
  std::set<std::string> connections;
  int requests = 0;
  for (std::size_t at = 0; (at = log.find(" HTTP/1.1\" 200 ", at)) != std::string::npos; ++at) {
    const std::size_t conn = log.find("conn=", at) + 5;
    connections.insert(log.substr(conn, log.find('\n', conn) - conn));
    ++requests;
  }
  EXPECT_EQ(requests, 5) << log;
  EXPECT_EQ(connections.size(), 1u) << log;
}

TEST_F(NginxTest, RedirectsTheOldPageAndAnswersMissingPagesWith404) {
  Fetch("/old-page.htm");
  EXPECT_EQ(req_.Header.Status, 301);
  EXPECT_EQ(req_.Header.Location, server_->Url("/news/index.htm"));

  Fetch("/missing.htm");
  EXPECT_EQ(req_.Header.Status, 404);
}

// True when a TCP connection to `address`:`port` is accepted.
bool Connects(const char* address, int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  ::inet_pton(AF_INET, address, &addr.sin_addr);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

TEST(NginxServerTest, ListensOn127001OnlyAndStopsWithItsOwner) {
  int port = 0;
  {
    TNginxServer server;
    ASSERT_TRUE(server.Running()) << server.Error();
    port = server.Port();
    EXPECT_TRUE(Connects("127.0.0.1", port));
    // Bound to the one address, not to every interface (127.0.0.2 is loopback too).
    EXPECT_FALSE(Connects("127.0.0.2", port));
  }
  EXPECT_FALSE(Connects("127.0.0.1", port));
}

}  // namespace
}  // namespace korvane
