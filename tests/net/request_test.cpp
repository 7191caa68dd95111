// The HTTP/1.0 exchange of one connection slot, driven by the scripted socket library.
#include "net/request.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "net/base64.h"
#include "net/http_session.h"
#include "net/socket_hub.h"
#include "support/mem_file_system.h"
#include "support/scripted_socket_library.h"

namespace korvane {
namespace {

using testing::Served;
using testing::ServedWithoutCut;
using testing::TScript;
using testing::TScriptedSocketLibrary;
using testing::TScriptStep;

constexpr std::string_view kBlock = "Accept:*/*\r\nUser-Agent: Mozilla/2.0 (Korvane 1.073)\r\n";
constexpr char kOut[] = "/out/page.htm";

class TFixedClock final : public TClock {
 public:
  TDateTime Now() const override { return EncodeDateTime(2026, 12, 7, 9, 5, 3); }
};

class RequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs_.dirs.insert("/out");
    NewRequest();
  }
  void TearDown() override { req_.reset(); }

  void NewRequest() {
    req_ = std::make_unique<TRequest>(1, hub_, session_, fs_, &clock_);
    req_->OnHeader = [this](TRequest& r) {
      events_.push_back("header " + std::to_string(r.Header.Status) + " " +
                        std::to_string(r.Header.ContentLength));
      if (accept_) r.OutputFile = kOut;
      r.WriteToFile = write_to_file_;
      return accept_;
    };
    req_->OnDone = [this](TRequest& r) {
      events_.push_back("done " + std::to_string(r.Header.ContentLength));
    };
    req_->OnError = [this](TRequest&, bool retry) {
      events_.push_back(retry ? "error retry" : "error");
    };
    req_->OnLog = [this](TRequest&, const std::string& line) { logs_.push_back(line); };
  }

  void Fetch(std::string_view url, TScript script) {
    lib_.Expect(std::move(script));
    req_->Start(url);
    lib_.Run();
  }
  std::string Sent() const { return lib_.SentOn(lib_.LastHandle()); }
  std::string File() const { return fs_.files.count(kOut) ? fs_.files.at(kOut) : "<none>"; }
  // The body while it is written: under the partial name, renamed once whole.
  std::string Partial() const {
    const std::string name = std::string(kOut) + std::string(kPartialSuffix);
    return fs_.files.count(name) ? fs_.files.at(name) : "<none>";
  }

  TScriptedSocketLibrary lib_;
  TSocketHub hub_{&lib_};
  THttpSession session_;
  testing::TMemFileSystem fs_;
  TFixedClock clock_;
  std::unique_ptr<TRequest> req_;
  std::vector<std::string> events_;
  std::vector<std::string> logs_;
  bool accept_ = true;
  bool write_to_file_ = true;
};

const std::string kHeader =
    "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 10\r\n\r\n";
const std::string kBody = "0123456789";

// --- The request bytes -------------------------------------------------------------------

TEST_F(RequestTest, DirectRequestBytes) {
  req_->Cookie = "id=42";
  Fetch("http://www.site.com:8080/dir/page.htm?q=1",
        {{TScriptStep::kOkHost, ""}, {TScriptStep::kConnect, "10.0.0.7"}});
  ASSERT_EQ(lib_.gos.size(), 1u);
  EXPECT_EQ(lib_.gos[0].host, "www.site.com");
  EXPECT_EQ(lib_.gos[0].port, "8080");
  EXPECT_EQ(lib_.gos[0].timeout_secs, 30);
  EXPECT_EQ(Sent(), "GET /dir/page.htm?q=1 HTTP/1.0\r\nHost: www.site.com:8080\r\n" +
                        std::string(kBlock) + "Cookie :id=42\r\n\r\n");
  EXPECT_EQ(req_->State(), TRequestState::kReceivingHeader);
  EXPECT_EQ(req_->Status, kStatusSent);

  // A user agent of the settings replaces the program's own, and nothing else of the request.
  session_.UserAgent = "Mozilla/5.0 (X11; Linux x86_64) Korvane";
  NewRequest();
  Fetch("http://www.site.com/", {{TScriptStep::kOkHost, ""}, {TScriptStep::kConnect, "10.0.0.7"}});
  EXPECT_EQ(Sent(),
            "GET / HTTP/1.0\r\nHost: www.site.com\r\nAccept:*/*\r\n"
            "User-Agent: Mozilla/5.0 (X11; Linux x86_64) Korvane\r\n\r\n");
}

// The Referer and the extra headers follow the program's own lines; what could end a line or be
// told across a downgrade to the clear is never sent.
TEST_F(RequestTest, RefererAndExtraHeaders) {
  session_.ExtraHeaders = {"X-Token: abc", "X-Bad: 1\r\nHost: evil.com", "X-Other: a=1"};
  struct TCase {
    std::string url, referer, referer_line;
  } cases[] = {
      {"http://www.site.com/a.gif", "http://www.site.com/p.htm#top",
       "Referer: http://www.site.com/p.htm\r\n"},
      {"https://www.site.com/a.gif", "http://www.site.com/p.htm",
       "Referer: http://www.site.com/p.htm\r\n"},
      {"http://www.site.com/a.gif", "https://www.site.com/p.htm", ""},
      {"http://www.site.com/a.gif", "http://x/\r\nHost: evil.com", ""},
      {"http://www.site.com/a.gif", "", ""},
  };
  for (const TCase& c : cases) {
    NewRequest();
    req_->Referer = c.referer;
    Fetch(c.url, {{TScriptStep::kOkHost, ""}, {TScriptStep::kConnect, "10.0.0.7"}});
    EXPECT_EQ(Sent(), "GET /a.gif HTTP/1.0\r\nHost: www.site.com\r\n" + std::string(kBlock) +
                          c.referer_line + "X-Token: abc\r\nX-Other: a=1\r\n\r\n")
        << c.referer;
  }
}

TEST_F(RequestTest, ProxyRequestSendsTheWholeAddressToTheProxy) {
  struct Case {
    const char* proxy;
    const char* host;
  } cases[] = {
      {"proxy.lan", "proxy.lan"}, {"http://proxy.lan/", "proxy.lan"}, {"//proxy.lan", "proxy.lan"}};
  for (const Case& c : cases) {
    lib_.Expect({{TScriptStep::kConnect, "10.0.0.1"}});
    req_->Start("http://www.site.com/a.htm", c.proxy, 3128);
    lib_.Run();
    EXPECT_EQ(lib_.gos.back().host, c.host) << c.proxy;
    EXPECT_EQ(lib_.gos.back().port, "3128");
    EXPECT_EQ(Sent(), "GET http://www.site.com/a.htm HTTP/1.0\r\nHost: www.site.com\r\n" +
                          std::string(kBlock) + "\r\n");
  }
}

// A server of several sites answers by the Host line: the port only when it is not the
// protocol's own, the host as the address spells it (not the address connected to).
TEST_F(RequestTest, EveryRequestNamesItsHost) {
  session_.Hosts.Add("www.cached.com", "10.0.0.9");
  struct Case {
    const char* url;
    const char* host_line;
  } cases[] = {
      {"http://www.site.com/", "Host: www.site.com"},
      {"http://www.site.com:80/", "Host: www.site.com"},
      {"http://Www.Site.com:8080/a", "Host: Www.Site.com:8080"},
      {"http://www.cached.com/", "Host: www.cached.com"},
      {"http://10.1.2.3:81/", "Host: 10.1.2.3:81"},
  };
  for (const Case& c : cases) {
    Fetch(c.url, {{TScriptStep::kConnect, "10.0.0.1"}});
    const std::string sent = Sent();
    const std::size_t line = sent.find("\r\n") + 2;
    EXPECT_EQ(sent.substr(line, sent.find("\r\n", line) - line), c.host_line) << c.url;
  }
}

// --- https ------------------------------------------------------------------------------

// The certificate must name the address's host, whatever address is connected to, and the
// request's own trust and checks travel with it.
TEST_F(RequestTest, HttpsAsksTheLibraryForTlsToTheAddressHost) {
  session_.Hosts.Add("www.site.com", "10.0.0.9");
  req_->CaFile = "/etc/ca.pem";
  Fetch("https://www.site.com/a.htm", Served(kHeader + kBody));
  ASSERT_EQ(lib_.gos.size(), 1u);
  EXPECT_EQ(lib_.gos[0].host, "10.0.0.9");
  EXPECT_EQ(lib_.gos[0].port, "443");
  ASSERT_TRUE(lib_.gos[0].tls.has_value());
  EXPECT_EQ(lib_.gos[0].tls->ServerName, "www.site.com");
  EXPECT_EQ(lib_.gos[0].tls->CaFile, "/etc/ca.pem");
  EXPECT_TRUE(lib_.gos[0].tls->Verify);
  EXPECT_EQ(Sent(), "GET /a.htm HTTP/1.0\r\nHost: www.site.com\r\n" + std::string(kBlock) + "\r\n");
  EXPECT_EQ(events_, (std::vector<std::string>{"header 200 10", "done 10"}));

  req_->VerifyCertificates = false;
  Fetch("https://www.site.com:8443/", {{TScriptStep::kConnect, "10.0.0.1"}});
  EXPECT_FALSE(lib_.gos.back().tls->Verify);
  EXPECT_EQ(lib_.gos.back().port, "8443");
  EXPECT_NE(Sent().find("\r\nHost: www.site.com:8443\r\n"), std::string::npos);
  Fetch("http://www.site.com/", {{TScriptStep::kConnect, "10.0.0.1"}});
  EXPECT_FALSE(lib_.gos.back().tls.has_value());
}

// Through the proxy, https asks for a tunnel to the server, speaks TLS through it once the proxy
// agrees, and sends the request as to the server itself.
TEST_F(RequestTest, HttpsThroughTheProxyGoesThroughATunnel) {
  TScript script = {{TScriptStep::kConnect, "10.0.0.1"},
                    {TScriptStep::kData, "HTTP/1.0 200 Connection established\r\n"},
                    {TScriptStep::kData, "Proxy-agent: x\r\n\r\n"},
                    {TScriptStep::kCanWrite, ""}};
  testing::AppendData(script, kHeader + kBody, 7);
  script.push_back({TScriptStep::kCut, ""});
  lib_.Expect(script);
  req_->Start("https://www.site.com/dir/a.htm?q=1", "proxy.lan", 3128);
  lib_.Run();
  ASSERT_EQ(lib_.gos.size(), 1u);
  EXPECT_EQ(lib_.gos[0].host, "proxy.lan");
  EXPECT_EQ(lib_.gos[0].port, "3128");
  EXPECT_FALSE(lib_.gos[0].tls.has_value());  // the proxy itself is reached in the clear
  ASSERT_EQ(lib_.tls_starts.size(), 1u);
  EXPECT_EQ(lib_.tls_starts[0].tls.ServerName, "www.site.com");
  EXPECT_EQ(Sent(), "CONNECT www.site.com:443 HTTP/1.0\r\nHost: www.site.com:443\r\n" +
                        std::string(kBlock) + "\r\n" +
                        "GET /dir/a.htm?q=1 HTTP/1.0\r\nHost: www.site.com\r\n" +
                        std::string(kBlock) + "\r\n");
  EXPECT_EQ(events_, (std::vector<std::string>{"header 200 10", "done 10"}));
  EXPECT_EQ(File(), kBody);
}

// What a proxy answers to a tunnel is read like a header, and anything but agreement, or bytes
// it should not send, fails the attempt without a request sent to the server.
TEST_F(RequestTest, ATunnelRefusedOrMisusedByTheProxyFails) {
  struct Case {
    std::vector<std::string> packets;
    std::string failure;
  } cases[] = {
      {{"HTTP/1.0 403 Forbidden\r\n\r\n"}, "the proxy refused a tunnel to www.site.com:443 (403)"},
      {{"garbage\n\n"}, "the proxy refused a tunnel to www.site.com:443 (0)"},
      {{"HTTP/1.0 200 OK\r\n\r\nHTTP/1.0 200 OK"},
       "the proxy sent bytes before the secure connection began"},
      {{"HTTP/1.0 200 OK\r\n\r\n", "early"}, "the proxy sent bytes into the tunnel"},
      {{std::string(kMaxHeaderBytes + 1, 'x')}, "the proxy's answer does not end"},
  };
  for (const Case& c : cases) {
    TScript script = {{TScriptStep::kConnect, "10.0.0.1"}};
    for (const std::string& packet : c.packets) script.push_back({TScriptStep::kData, packet});
    lib_.Expect(script);
    events_.clear();
    req_->Start("https://www.site.com/", "proxy.lan", 3128);
    lib_.Run();
    EXPECT_EQ(events_, std::vector<std::string>{"error retry"}) << c.failure;
    EXPECT_EQ(req_->Failure.Kind, TNetError::kProtocol) << c.failure;
    EXPECT_EQ(req_->Failure.Message, c.failure);
    EXPECT_EQ(Sent().find("GET "), std::string::npos) << c.failure;
    EXPECT_EQ(req_->State(), TRequestState::kIdle);
  }
}

// A refused certificate does not go away at the next trial: it is logged for the user, and the
// owner is told not to try again.
TEST_F(RequestTest, ARefusedCertificateIsLoggedAndNotRetried) {
  Fetch("https://www.site.com/a.htm",
        {{TScriptStep::kOkHost, ""},
         {TScriptStep::kTlsFail, "the server's certificate has expired"}});
  EXPECT_EQ(events_, std::vector<std::string>{"error"});
  EXPECT_EQ(req_->Failure.Kind, TNetError::kTls);
  EXPECT_EQ(req_->Failure.Message, "the server's certificate has expired");
  ASSERT_EQ(logs_.size(), 1u);
  EXPECT_EQ(logs_[0].substr(9),
            "https://www.site.com/a.htm : \xE9"
            "chec TLS : the server's "
            "certificate has expired");
}

TEST_F(RequestTest, TargetBytesThatCannotTravelArePercentEncoded) {
  Fetch("http://www.site.com/a b/\xE9t\xE9.htm", {{TScriptStep::kConnect, "10.0.0.1"}});
  EXPECT_EQ(Sent().substr(0, Sent().find("\r\n")), "GET /a%20b/%E9t%E9.htm HTTP/1.0");
  EXPECT_EQ(req_->Url, "http://www.site.com/a b/\xE9t\xE9.htm");  // the kept address is unchanged
}

TEST_F(RequestTest, CredentialsGoOnlyToTheHostAndPortTheyWereGivenFor) {
  req_->SetAuthorization("user", "pass", "http://www.site.com/private/");
  EXPECT_EQ(req_->Credentials, "dXNlcjpwYXNz");
  struct Case {
    const char* url;
    bool sent;
  } cases[] = {{"http://www.site.com/private/a.htm", true},
               {"http://WWW.SITE.COM/other.htm", true},
               {"http://www.other.com/a.htm", false},
               {"http://www.site.com:8080/a.htm", false}};
  for (const Case& c : cases) {
    Fetch(c.url, {{TScriptStep::kConnect, "10.0.0.1"}});
    bool has = Sent().find("Authorization: Basic dXNlcjpwYXNz\r\n") != std::string::npos;
    EXPECT_EQ(has, c.sent) << c.url;
  }
}

TEST(MemoryStreamExTest, GrowsInWholeBlocksAndKeepsOneBlockAfterReset) {
  TMemoryStreamEx s;
  ASSERT_TRUE(s.Write("abc"));
  EXPECT_EQ(s.Capacity(), 8192u);
  ASSERT_TRUE(s.Write(std::string(8190, 'x')));
  EXPECT_EQ(s.Capacity(), 16384u);
  EXPECT_EQ(s.View().substr(0, 4), "abcx");
  s.Reset();
  EXPECT_EQ(s.Size(), 0u);
  EXPECT_EQ(s.Capacity(), 8192u);
}

TEST(Base64Test, EncodesWithPadding) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"", ""},
               {"f", "Zg=="},
               {"fo", "Zm8="},
               {"foo", "Zm9v"},
               {"foob", "Zm9vYg=="},
               {"Aladdin:open sesame", "QWxhZGRpbjpvcGVuIHNlc2FtZQ=="},
               {"\xFF\xFE", "//4="}};
  for (const Case& c : cases) EXPECT_EQ(TBase64::Encode(c.in), c.out) << c.in;
}

// --- Reading the response ----------------------------------------------------------------

TEST_F(RequestTest, HeaderSplitAtEveryByteGivesTheSameResult) {
  const std::string response = kHeader + kBody;
  for (std::size_t split = 1; split < response.size(); ++split) {
    events_.clear();
    fs_.files.clear();
    TScript script = ServedWithoutCut(response.substr(0, split));
    testing::AppendData(script, std::string_view(response).substr(split), response.size());
    script.push_back({TScriptStep::kCut, ""});
    Fetch("http://www.site.com/page.htm", script);
    EXPECT_EQ(events_, (std::vector<std::string>{"header 200 10", "done 10"})) << split;
    EXPECT_EQ(File(), kBody) << split;
    EXPECT_EQ(req_->HeaderLength, static_cast<int>(kHeader.size()));
    EXPECT_EQ(req_->Header.ContentType, "text/html");
  }
}

TEST_F(RequestTest, ResponseInOneBytePackets) {
  Fetch("http://www.site.com/page.htm", Served(kHeader + kBody, 1));
  EXPECT_EQ(events_, (std::vector<std::string>{"header 200 10", "done 10"}));
  EXPECT_EQ(File(), kBody);
}

TEST_F(RequestTest, HeaderEndingWithBareLineFeeds) {
  Fetch("http://www.site.com/page.htm", Served("HTTP/1.0 200 OK\nContent-Length: 4\n\nBODY", 7));
  EXPECT_EQ(events_, (std::vector<std::string>{"header 200 4", "done 4"}));
  EXPECT_EQ(File(), "BODY");
}

TEST_F(RequestTest, OneWordStatusLineStillReachesTheOwner) {
  Fetch("http://www.site.com/page.htm", Served("HTTP/1.0\r\nContent-Length: 99\r\n\r\nabc"));
  EXPECT_EQ(events_, (std::vector<std::string>{"header 0 3", "done 3"}));
  EXPECT_EQ(req_->Header.Status, 0);
}

TEST_F(RequestTest, WithoutContentLengthTheFirstPacketThenTheFileGiveTheLength) {
  TScript script = ServedWithoutCut("HTTP/1.0 200 OK\r\n\r\nfirst");
  testing::AppendData(script, "-second-third", 6);
  script.push_back({TScriptStep::kCut, ""});
  Fetch("http://www.site.com/page.htm", script);
  EXPECT_EQ(events_, (std::vector<std::string>{"header 200 5", "done 18"}));
  EXPECT_EQ(File(), "first-second-third");
}

TEST_F(RequestTest, HeaderAndBodyInOnePacketWriteTheBodyAtOnce) {
  Fetch("http://www.site.com/page.htm", ServedWithoutCut(kHeader + "01234"));
  EXPECT_EQ(Partial(), "01234");
  EXPECT_EQ(File(), "<none>");  // not whole yet
  EXPECT_EQ(req_->Buffer.Size(), 0u);
  lib_.Callbacks()->Data(lib_.LastHandle(), "56789", 5);
  lib_.Callbacks()->Cut(lib_.LastHandle());
  EXPECT_EQ(events_, (std::vector<std::string>{"header 200 10", "done 10"}));
  EXPECT_EQ(File(), kBody);
}

// A server that closes before its answer is whole (one that limits its connections closes the
// others at once) failed this attempt: the owner hears of it and may try again.
TEST_F(RequestTest, CutBeforeTheHeaderEndsIsAFailedAttempt) {
  struct {
    std::string answer;
    TNetError::TKind kind;
  } const cases[] = {{"", TNetError::kClosedEarly},
                     {"HTTP/1.0 200 OK\r\nContent-Le", TNetError::kProtocol}};
  for (const auto& c : cases) {
    events_.clear();
    Fetch("http://www.site.com/page.htm", Served(c.answer, 5));
    EXPECT_EQ(events_, std::vector<std::string>{"error retry"}) << c.answer;
    EXPECT_EQ(req_->Failure.Kind, c.kind) << c.answer;
    EXPECT_EQ(req_->State(), TRequestState::kIdle);
  }
}

TEST_F(RequestTest, BodyOfFailureStatusesIsStillTheOwnersToKeepOrRefuse) {
  accept_ = false;
  TScript script = ServedWithoutCut("HTTP/1.0 404 Not Found\r\nContent-Length: 6\r\n\r\nNot");
  script.push_back({TScriptStep::kData, "Found"});
  Fetch("http://www.site.com/page.htm", script);
  EXPECT_EQ(events_, (std::vector<std::string>{"header 404 6"}));
  EXPECT_EQ(File(), "<none>");
  EXPECT_EQ(lib_.aborted, std::vector<TScxHandle>{lib_.LastHandle()});
  EXPECT_EQ(req_->State(), TRequestState::kIdle);
}

TEST_F(RequestTest, AcceptingWithoutAFileNameRefusesTheResponse) {
  req_->OnHeader = [](TRequest&) { return true; };
  Fetch("http://www.site.com/page.htm", Served(kHeader + kBody));
  EXPECT_TRUE(events_.empty());
  EXPECT_TRUE(fs_.files.empty());
}

TEST_F(RequestTest, ClosingDuringTheBodyDeletesThePartialFile) {
  int body_calls_with_zero = 0;
  req_->OnBody = [&](TRequest& r) { body_calls_with_zero += r.Header.ContentLength == 0; };
  Fetch("http://www.site.com/page.htm", ServedWithoutCut(kHeader + "01234"));
  ASSERT_EQ(Partial(), "01234");
  req_->Close();
  EXPECT_EQ(Partial(), "<none>");
  EXPECT_EQ(File(), "<none>");
  EXPECT_EQ(body_calls_with_zero, 1);
  EXPECT_EQ(req_->State(), TRequestState::kIdle);
  EXPECT_EQ(req_->Status, kStatusClosed);
  lib_.Callbacks()->Data(lib_.LastHandle(), "56789", 5);  // too late: dropped
  lib_.Callbacks()->Cut(lib_.LastHandle());
  EXPECT_EQ(events_, (std::vector<std::string>{"header 200 10"}));
  EXPECT_EQ(File(), "<none>");
}

TEST_F(RequestTest, RestartingABusySlotLeavesNoPartialFile) {
  Fetch("http://www.site.com/page.htm", ServedWithoutCut(kHeader + "01234"));
  ASSERT_EQ(Partial(), "01234");
  TScxHandle first = lib_.LastHandle();
  Fetch("http://www.site.com/other.htm", {{TScriptStep::kConnect, "10.0.0.1"}});
  EXPECT_EQ(Partial(), "<none>");
  EXPECT_EQ(lib_.aborted, std::vector<TScxHandle>{first});
  EXPECT_EQ(req_->State(), TRequestState::kReceivingHeader);
}

TEST_F(RequestTest, BodyDroppedWhenTheOwnerDoesNotWantItStillEndsWithDone) {
  write_to_file_ = false;
  Fetch("http://www.site.com/page.htm", Served(kHeader + kBody, 4));
  EXPECT_EQ(events_, (std::vector<std::string>{"header 200 10", "done 10"}));
  EXPECT_EQ(File(), "<none>");
}

TEST_F(RequestTest, SecondFetchReusesTheSlotAndTheBufferShrinksBack) {
  std::string big = "HTTP/1.0 200 OK\r\nX-Pad: " + std::string(30000, 'p') + "\r\n\r\nA";
  Fetch("http://www.site.com/a.htm", Served(big, 1000));
  Fetch("http://www.site.com/b.htm", Served(kHeader + kBody));
  EXPECT_EQ(events_,
            (std::vector<std::string>{"header 200 1", "done 1", "header 200 10", "done 10"}));
  EXPECT_LE(req_->Buffer.Capacity(), TMemoryStreamEx::kBlock);
}

// --- Mended faults ------------------------------------------------------------------------

TEST_F(RequestTest, HeaderThatNeverEndsFailsWithinItsLimit) {
  TScript script = ServedWithoutCut("HTTP/1.0 200 OK\r\n");
  for (int i = 0; i < 100; ++i) script.push_back({TScriptStep::kData, std::string(1000, 'h')});
  std::size_t most = 0;
  req_->OnProgress = [&](int) { most = std::max(most, req_->Buffer.Size()); };
  Fetch("http://www.site.com/page.htm", script);
  EXPECT_EQ(events_, std::vector<std::string>{"error retry"});
  EXPECT_GT(most, kMaxHeaderBytes - 1000);
  EXPECT_LE(most, kMaxHeaderBytes);
  EXPECT_LE(req_->Buffer.Capacity(), TMemoryStreamEx::kBlock);  // given back after the failure
  EXPECT_EQ(lib_.aborted, std::vector<TScxHandle>{lib_.LastHandle()});
}

TEST_F(RequestTest, BodyShorterThanAnnouncedIsAFailureAndLeavesNoFile) {
  Fetch("http://www.site.com/page.htm", Served(kHeader + "01234"));
  EXPECT_EQ(events_, (std::vector<std::string>{"header 200 10", "error retry"}));
  EXPECT_EQ(File(), "<none>");
}

TEST_F(RequestTest, OutputFileThatCannotBeCreatedFailsAtOnce) {
  fs_.unwritable.insert(std::string(kOut) + std::string(kPartialSuffix));
  Fetch("http://www.site.com/page.htm", Served(kHeader + kBody));
  EXPECT_EQ(events_, (std::vector<std::string>{"header 200 10", "error retry"}));
}

TEST_F(RequestTest, FullDiskFailsAndRemovesThePartialFile) {
  fs_.write_budget = 3;
  Fetch("http://www.site.com/page.htm", Served(kHeader + kBody, kHeader.size() + 2));
  // Not retried: nothing more can be written.
  EXPECT_EQ(events_, (std::vector<std::string>{"header 200 10", "error"}));
  EXPECT_EQ(req_->Failure.Kind, TNetError::kDiskFull);
  EXPECT_EQ(File(), "<none>");
}

TEST_F(RequestTest, OwnerMayStartTheNextAddressFromWithinItsEvents) {
  // The capture session restarts a slot as soon as it hears of the end of its last address.
  bool restarted = false;
  req_->OnError = [&](TRequest& r, bool) {
    events_.push_back("error");
    if (restarted) return;
    restarted = true;
    lib_.Expect(Served(kHeader + kBody));
    r.Start("http://www.site.com/next.htm");
  };
  lib_.Expect({{TScriptStep::kOkHost, ""}, {TScriptStep::kFail, ""}});
  req_->Start("http://www.site.com/page.htm");
  lib_.Run();
  EXPECT_EQ(events_, (std::vector<std::string>{"error", "header 200 10", "done 10"}));
  EXPECT_EQ(File(), kBody);
}

// What the owner sees at each progress code is the state it stands for: the codes the verbose
// command line prints, and the states the session reads, move together.
TEST_F(RequestTest, EveryProgressCodeComesWithTheStateItStandsFor) {
  using S = TRequestState;
  using TSeen = std::vector<std::pair<int, S>>;
  TSeen seen;
  req_->OnStatus = [&](TRequest& r) { seen.emplace_back(r.Status, r.State()); };
  req_->OnBody = [&](TRequest& r) {
    if (r.Header.ContentLength == 0) seen.emplace_back(0, r.State());  // a dropped body
  };
  Fetch("http://www.site.com/a.htm", Served(kHeader + kBody));
  EXPECT_EQ(seen, (TSeen{{kStatusConnecting, S::kConnecting},
                         {kStatusHostFound, S::kConnecting},
                         {kStatusConnected, S::kConnecting},
                         {kStatusSent, S::kReceivingHeader},
                         {kStatusData, S::kReceivingHeader},
                         {kStatusClosed, S::kReceivingBody}}));
  EXPECT_EQ(req_->State(), S::kIdle);

  seen.clear();
  events_.clear();
  TScript tunnel = {{TScriptStep::kConnect, "10.0.0.1"},
                    {TScriptStep::kData, "HTTP/1.0 200 OK\r\n\r\n"},
                    {TScriptStep::kCanWrite, ""}};
  testing::AppendData(tunnel, kHeader + "01234", 1000);
  lib_.Expect(tunnel);
  req_->Start("https://www.site.com/a.htm", "proxy.lan", 3128);
  lib_.Run();
  req_->Close();
  EXPECT_EQ(seen, (TSeen{{kStatusConnecting, S::kConnecting},
                         {kStatusConnected, S::kConnecting},
                         {kStatusData, S::kTunnelling},
                         {kStatusSent, S::kReceivingHeader},
                         {kStatusData, S::kReceivingHeader},
                         {0, S::kClosing},
                         {kStatusClosed, S::kIdle}}));
  EXPECT_EQ(events_, std::vector<std::string>{"header 200 10"});
}

// A handler may end the attempt it hears of: what raised its event goes no further, and the
// request is left as the handler left it, never half closed.
TEST_F(RequestTest, HandlersMayEndTheAttemptFromInsideItsEvents) {
  // Closed as soon as connected: nothing is sent, nothing more is said.
  req_->OnStatus = [](TRequest& r) {
    if (r.Status == kStatusConnected) r.Close();
  };
  Fetch("http://www.site.com/a.htm", Served(kHeader + kBody));
  EXPECT_EQ(Sent(), "");
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(req_->State(), TRequestState::kIdle);
  EXPECT_EQ(req_->Status, kStatusClosed);
  EXPECT_EQ(lib_.aborted, std::vector<TScxHandle>{lib_.LastHandle()});

  // Started again from the news of a dropped body, with an address that fails at once: that
  // failure is reported and the request ends idle, not stuck closing the first.
  req_->OnStatus = nullptr;
  req_->OnBody = [](TRequest& r) {
    if (r.Header.ContentLength == 0) r.Start("ftp://ftp.site.com/f.zip");
  };
  Fetch("http://www.site.com/b.htm", ServedWithoutCut(kHeader + "01234"));
  req_->Close();
  EXPECT_EQ(events_, (std::vector<std::string>{"header 200 10", "error"}));
  EXPECT_EQ(req_->Failure.Kind, TNetError::kUnsupported);
  EXPECT_EQ(req_->State(), TRequestState::kIdle);
  EXPECT_EQ(Partial(), "<none>");
}

// --- Host cache and failures of the connection --------------------------------------------

TEST_F(RequestTest, ConnectedAddressIsCachedAndUsedByTheNextRequest) {
  Fetch("http://www.site.com/a.htm", Served(kHeader + kBody, std::string::npos, "10.0.0.7"));
  Fetch("http://www.site.com/b.htm", Served(kHeader + kBody));
  ASSERT_EQ(lib_.gos.size(), 2u);
  EXPECT_EQ(lib_.gos[0].host, "www.site.com");
  EXPECT_EQ(lib_.gos[1].host, "10.0.0.7");
  EXPECT_EQ(req_->HostAddress, "10.0.0.7");
}

TEST_F(RequestTest, UnknownHostIsLoggedAndTheNextRequestFailsWithoutConnecting) {
  Fetch("http://www.gone.com/a.htm", {{TScriptStep::kNoHost, ""}});
  EXPECT_EQ(events_, std::vector<std::string>{"error retry"});
  EXPECT_EQ(logs_, std::vector<std::string>{"09:05:03 www.gone.com : WEB non trouv\xE9"});
  EXPECT_EQ(req_->Status, kStatusFailed);
  req_->Start("http://www.gone.com/b.htm");
  EXPECT_EQ(lib_.gos.size(), 1u);
  EXPECT_EQ(events_, (std::vector<std::string>{"error retry", "error retry"}));
}

TEST_F(RequestTest, AHostNotFoundIsForgottenWithItsSession) {
  Fetch("http://www.gone.com/a.htm", {{TScriptStep::kNoHost, ""}});
  EXPECT_EQ(req_->Failure.Kind, TNetError::kNoHost);
  // A later capture has its own session: the host is looked up again.
  THttpSession next;
  TRequest again(2, hub_, next, fs_, &clock_);
  again.Start("http://www.gone.com/a.htm");
  EXPECT_EQ(lib_.gos.size(), 2u);
}

TEST_F(RequestTest, OnlyFourPartDottedAddressesBypassTheCache) {
  session_.Hosts.Add("192.168.0.1", "");
  session_.Hosts.Add("10.1", "");
  Fetch("http://192.168.0.1/a.htm", Served(kHeader + kBody));
  EXPECT_EQ(lib_.gos.size(), 1u);
  EXPECT_EQ(lib_.gos[0].host, "192.168.0.1");
  events_.clear();
  req_->Start("http://10.1/a.htm");
  EXPECT_EQ(lib_.gos.size(), 1u);
  EXPECT_EQ(events_, std::vector<std::string>{"error retry"});
}

TEST_F(RequestTest, ConnectionFailuresReportARetry) {
  Fetch("http://www.site.com/a.htm", {{TScriptStep::kOkHost, ""}, {TScriptStep::kFail, ""}});
  EXPECT_EQ(events_, std::vector<std::string>{"error retry"});
  EXPECT_EQ(req_->State(), TRequestState::kIdle);
  lib_.RefuseNextGo();
  req_->Start("http://www.site.com/b.htm");
  EXPECT_EQ(events_, (std::vector<std::string>{"error retry", "error retry"}));
  EXPECT_EQ(req_->Status, kStatusFailed);
}

TEST_F(RequestTest, OtherProtocolsAreNotFetchedAndFailWithoutARetry) {
  req_->Start("ftp://ftp.site.com/file.zip");
  req_->Start("mailto:someone@site.com");
  EXPECT_TRUE(lib_.gos.empty());
  EXPECT_EQ(events_, (std::vector<std::string>{"error", "error"}));
  EXPECT_EQ(req_->Failure.Kind, TNetError::kUnsupported);
  EXPECT_EQ(req_->Url, "mailto:someone@site.com");
}

TEST_F(RequestTest, TraceMarkerSwitchesTheTraceOnForTheRestOfTheRun) {
  Fetch("http://www.site.com/a.htm", Served(kHeader + kBody));
  EXPECT_TRUE(logs_.empty());
  Fetch("http://www.site.com/~~~~~~.htm", Served(kHeader + kBody));
  EXPECT_TRUE(session_.Trace);
  logs_.clear();
  Fetch("http://www.site.com/b.htm", Served(kHeader + kBody));
  ASSERT_FALSE(logs_.empty());
  EXPECT_EQ(logs_.front(), "09:05:03 1: Open http://www.site.com/b.htm");
  EXPECT_EQ(logs_.back(), "09:05:03 1: Disconnect");
}

}  // namespace
}  // namespace korvane
