// HTTP/1.1 in one connection slot, driven by the scripted socket library: the connection kept
// for the next request to its server and no other, a request that meets a kept connection
// closed going again once, and what hostile servers get for chunks and codings that lie.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/http_session.h"
#include "net/request.h"
#include "net/socket_hub.h"
#include "support/keep_alive_http_server.h"
#include "support/mem_file_system.h"
#include "support/scripted_socket_library.h"

namespace korvane {
namespace {

using testing::Chunked;
using testing::Compressed;
using testing::ServedWithoutCut;
using testing::TScript;
using testing::TScriptedSocketLibrary;
using testing::TScriptStep;

constexpr char kOut[] = "/out/file.bin";
constexpr std::string_view kBlock = "Accept:*/*\r\nUser-Agent: Mozilla/2.0 (Korvane 1.073)\r\n";

class TDrivenClock final : public TClock {
 public:
  TDateTime Now() const override { return EncodeDateTime(2026, 12, 10, 9, 0, 0); }
  std::int64_t TickMs() const override { return now_ms; }
  std::int64_t now_ms = 0;
};

class KeepAliveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs_.dirs.insert("/out");
    req_ = std::make_unique<TRequest>(1, hub_, session_, fs_, &clock_);
    req_->Http11 = true;
    req_->OnHeader = [](TRequest& r) {
      r.OutputFile = kOut;
      return true;
    };
    req_->OnDone = [this](TRequest& r) {
      events_.push_back("done " + std::to_string(r.Header.ContentLength));
    };
    req_->OnError = [this](TRequest& r, bool retry) {
      events_.push_back(std::string(retry ? "error retry: " : "error: ") + r.Failure.Message);
    };
  }
  std::string Events() {
    std::string all;
    for (const std::string& e : events_) all += e + "|";
    events_.clear();
    return all;
  }
  // What the slot stored and left: the file, or "<none>"; a partial file is never left.
  std::string File() const {
    EXPECT_EQ(fs_.files.count(std::string(kOut) + std::string(kPartialSuffix)), 0u);
    return fs_.files.count(kOut) ? fs_.files.at(kOut) : "<none>";
  }
  void Answer(std::string_view bytes) {
    lib_.Callbacks()->Data(lib_.LastHandle(), bytes.data(), static_cast<int>(bytes.size()));
  }

  TScriptedSocketLibrary lib_;
  TSocketHub hub_{&lib_};
  THttpSession session_;
  testing::TMemFileSystem fs_;
  TDrivenClock clock_;
  std::unique_ptr<TRequest> req_;
  std::vector<std::string> events_;
};

std::string Ok(std::string_view headers, std::string_view body) {
  return "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n" + std::string(headers) + "\r\n" +
         std::string(body);
}

TEST_F(KeepAliveTest, AConnectionCarriesTheNextRequestsToItsServerOnly) {
  lib_.Expect(ServedWithoutCut(Ok("Content-Length: 3\r\n", "one"), 2));
  req_->Start("http://www.a.com/1.png");
  lib_.Run();
  EXPECT_EQ(Events(), "done 3|");
  EXPECT_EQ(File(), "one");
  EXPECT_EQ(req_->State(), TRequestState::kKept);
  EXPECT_EQ(lib_.SentOn(lib_.LastHandle()), "GET /1.png HTTP/1.1\r\nHost: www.a.com\r\n" +
                                                std::string(kBlock) +
                                                "Accept-Encoding: gzip, deflate, br\r\n\r\n");
  EXPECT_TRUE(req_->KeptFor("http://WWW.A.COM:80/other"));
  EXPECT_FALSE(req_->KeptFor("https://www.a.com/1.png"));
  EXPECT_FALSE(req_->KeptFor("http://www.a.com/1.png", "proxy", 8080));

  // The same server: the same connection, a chunked and compressed answer, decoded.
  const TScxHandle first = lib_.LastHandle();
  req_->Start("http://www.a.com/2.png");
  ASSERT_EQ(lib_.gos.size(), 1u);
  EXPECT_TRUE(lib_.SentOn(first).ends_with("GET /2.png HTTP/1.1\r\nHost: www.a.com\r\n" +
                                           std::string(kBlock) +
                                           "Accept-Encoding: gzip, deflate, br\r\n\r\n"));
  const std::string body(100000, 'x');
  const std::string coded = Chunked(Compressed(body, "br"), 7, 50);
  for (std::size_t at = 0; at < coded.size(); at += 7) {
    const std::string head =
        at == 0 ? Ok("Transfer-Encoding: chunked\r\nContent-Encoding: br\r\n", "") : "";
    Answer(head + coded.substr(at, 7));
  }
  EXPECT_EQ(Events(), "done 100000|");
  EXPECT_TRUE(File() == body);
  EXPECT_EQ(req_->State(), TRequestState::kKept);

  // The server had closed it as the request went: asked again once on a new connection, which
  // an owner does not hear of; the range of a resumed body goes without Accept-Encoding.
  req_->ResumeFile = std::string(kOut) + std::string(kPartialSuffix);
  fs_.files[req_->ResumeFile] = "rest";
  req_->ResumeBytes = 4;
  req_->ResumeValidator = "\"v1\"";
  lib_.Expect(
      ServedWithoutCut("HTTP/1.1 206 Partial\r\nContent-Range: bytes 4-7/8\r\n"
                       "Content-Length: 4\r\n\r\nfull"));
  req_->Start("http://www.a.com/3.png");
  lib_.Callbacks()->Cut(first);
  lib_.Run();
  ASSERT_EQ(lib_.gos.size(), 2u);
  EXPECT_EQ(Events(), "done 8|");
  EXPECT_EQ(File(), "restfull");
  EXPECT_EQ(lib_.SentOn(lib_.LastHandle()).find("Accept-Encoding"), std::string::npos);
  req_->ResumeBytes = 0;

  // Closed again as the next request goes on the new one: once is all.
  const TScxHandle second = lib_.LastHandle();
  lib_.Expect(
      {{TScriptStep::kOkHost, ""}, {TScriptStep::kConnect, "1.2.3.4"}, {TScriptStep::kCut, ""}});
  req_->Start("http://www.a.com/4.png");
  lib_.Callbacks()->Cut(second);
  lib_.Run();
  EXPECT_EQ(lib_.gos.size(), 3u);
  EXPECT_EQ(Events(), "error retry: the server closed the connection without answering|");
  EXPECT_EQ(req_->Failure.Kind, TNetError::kClosedEarly);

  // Another server: the kept connection is closed for a new one.
  lib_.Expect(ServedWithoutCut(Ok("Content-Length: 1\r\nConnection: close\r\n", "z")));
  req_->Start("http://www.a.com/5.png");  // a fresh connection, closed by its answer
  lib_.Run();
  EXPECT_EQ(Events(), "done 1|");
  EXPECT_EQ(req_->State(), TRequestState::kIdle);

  // A refused answer (a redirection) is read to its end and dropped, unheard: the connection
  // stays; one too long to be worth reading is closed.
  req_->OnHeader = [](TRequest& r) { return r.Header.Status != 301 && r.Header.Status != 404; };
  lib_.Expect(ServedWithoutCut(
      "HTTP/1.1 301 Moved\r\nLocation: /x\r\nContent-Length: 9\r\n\r\n<a>x</a>\n", 4));
  req_->Start("http://www.b.com/old");
  lib_.Run();
  EXPECT_EQ(req_->State(), TRequestState::kKept);
  req_->Start("http://www.b.com/gone");
  Answer("HTTP/1.1 404 Not Found\r\nTransfer-Encoding: chunked\r\n\r\n" +
         Chunked(std::string(100000, 'n'), 3));
  EXPECT_EQ(req_->State(), TRequestState::kIdle);
  EXPECT_EQ(lib_.gos.size(), 5u);
  EXPECT_EQ(Events(), "");
}

// Whatever a server sends, the slot ends sound: the file whole and the connection kept only when
// its answer's end was certain, or an error and nothing left on the disk.
TEST_F(KeepAliveTest, HostileServersGetASoundOutcome) {
  const std::string html(3000, 'h');
  struct Case {
    const char* what;
    std::string response;
    bool cut;  // the server closes after it
    std::string events, file;
    TRequestState after;
  } const cases[] = {
      {"a chunk longer than its size",
       Ok("Transfer-Encoding: chunked\r\n", "3\r\nabcdef\r\n0\r\n\r\n"), false,
       "error retry: a chunk is longer than its size|", "<none>", TRequestState::kIdle},
      {"a size that is not hex", Ok("Transfer-Encoding: chunked\r\n", "3x\r\nabc\r\n0\r\n\r\n"),
       false, "error retry: a chunk size is not a hexadecimal number|", "<none>",
       TRequestState::kIdle},
      {"a size line without end",
       Ok("Transfer-Encoding: chunked\r\n", "1" + std::string(5000, ' ')), false,
       "error retry: a chunk size line does not end|", "<none>", TRequestState::kIdle},
      {"closed inside a chunk", Ok("Transfer-Encoding: chunked\r\n", "10\r\nabc"), true,
       "error retry: the connection closed inside the chunked body|", "<none>",
       TRequestState::kIdle},
      {"a length and chunks: the chunks win, the connection goes",
       Ok("Content-Length: 2\r\nTransfer-Encoding: chunked\r\n", "5\r\nhello\r\n0\r\n\r\n"), false,
       "done 5|", "hello", TRequestState::kIdle},
      {"bytes after the body", Ok("Content-Length: 5\r\n", "helloHTTP/1.1 200 OK\r\n\r\n"), false,
       "done 5|", "hello", TRequestState::kIdle},
      {"no length, no chunks: read to the close, never kept", Ok("", "to the end"), true,
       "done 10|", "to the end", TRequestState::kIdle},
      {"a gzip body cut short",
       [&] {
         const std::string gz = Compressed(html, "gzip");
         return Ok(
             "Content-Encoding: gzip\r\nContent-Length: " + std::to_string(gz.size() - 9) + "\r\n",
             gz.substr(0, gz.size() - 9));
       }(),
       false, "error retry: the coded body ends before its data|", "<none>", TRequestState::kIdle},
      {"deflate that is not",
       Ok("Content-Encoding: deflate\r\nContent-Length: 6\r\n", "\x78\x9cnope"), false,
       "error retry: the body is not valid deflate data|", "<none>", TRequestState::kIdle},
      {"an interim answer, then the answer",
       "HTTP/1.1 100 Continue\r\n\r\n" + Ok("Content-Length: 2\r\n", "ok"), false, "done 2|", "ok",
       TRequestState::kKept},
      {"interim answers without end",
       [] {
         std::string many;
         for (int i = 0; i < 20; ++i) many += "HTTP/1.1 103 Early Hints\r\n\r\n";
         return many;
       }(),
       false, "error retry: the server sends interim answers without end|", "<none>",
       TRequestState::kIdle},
      {"a compression bomb",
       Ok("Transfer-Encoding: chunked\r\nContent-Encoding: br\r\n",
          Chunked(Compressed(std::string(64 << 20, '\0'), "br"), 1)),
       false, "error: the body decodes to more than 1000 times its size (a compression bomb)|",
       "<none>", TRequestState::kIdle},
      {"bare deflate, and a trailer",
       Ok("Transfer-Encoding: chunked\r\nContent-Encoding: deflate\r\n",
          Chunked(Compressed(html, "raw"), 3, 100)),
       false, "done 3000|", html, TRequestState::kKept},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs_.files.clear();
    TScript script = ServedWithoutCut(c.response, 1000);
    if (c.cut) script.push_back({TScriptStep::kCut, ""});
    lib_.Expect(script);
    req_->Close();
    req_->Start("http://www.a.com/x.png");
    lib_.Run();
    EXPECT_EQ(Events(), c.events);
    EXPECT_EQ(File(), c.file);
    EXPECT_EQ(req_->State(), c.after);
  }
  // A kept connection that brings bytes no request asked for is closed, never read as an answer.
  ASSERT_EQ(req_->State(), TRequestState::kKept);
  Answer("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(req_->State(), TRequestState::kIdle);
  EXPECT_EQ(Events(), "");

  // A decoded body beyond the limit it was given fails as too large, without a retry.
  req_->MaxBodyBytes = 2000;
  fs_.files.clear();
  lib_.Expect(ServedWithoutCut(Ok("Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n",
                                  Chunked(Compressed(html, "gzip"), 5))));
  req_->Start("http://www.a.com/y.png");
  lib_.Run();
  EXPECT_EQ(Events(), "error: the decoded body is larger than 2000 bytes|");
  EXPECT_EQ(req_->Failure.Kind, TNetError::kTooLarge);
  EXPECT_EQ(File(), "<none>");
  // So does a plain one, of a length told or not, as it comes.
  for (const std::string& framing :
       {std::string("Transfer-Encoding: chunked\r\n"), std::string("Content-Length: 3000\r\n")}) {
    fs_.files.clear();
    lib_.Expect(
        ServedWithoutCut(Ok(framing, framing[0] == 'T' ? Chunked(html, 5, 100) : html), 500));
    req_->Close();
    req_->Start("http://www.a.com/z.png");
    lib_.Run();
    EXPECT_EQ(Events(), "error: the body is larger than 2000 bytes|");
    EXPECT_EQ(File(), "<none>");
  }
}

// A kept connection is closed once idle too long; a chunked body that never ends meets the
// low-speed limit as any body does.
TEST_F(KeepAliveTest, TimeLimitsHoldOnKeptConnections) {
  lib_.Expect(ServedWithoutCut(Ok("Content-Length: 2\r\n", "ok")));
  req_->Start("http://www.a.com/1.png");
  lib_.Run();
  ASSERT_EQ(req_->State(), TRequestState::kKept);
  clock_.now_ms = 3999;
  req_->CheckIdle(4);
  EXPECT_EQ(req_->State(), TRequestState::kKept);
  clock_.now_ms = 4000;
  req_->CheckIdle(4);
  EXPECT_EQ(req_->State(), TRequestState::kIdle);
  EXPECT_EQ(lib_.aborted.back(), lib_.gos[0].handle);
  EXPECT_EQ(Events(), "done 2|");

  fs_.files.clear();
  lib_.Expect(ServedWithoutCut(Ok("Transfer-Encoding: chunked\r\n", "100000\r\nabc")));
  req_->Start("http://www.a.com/endless.png");
  lib_.Run();
  for (int second = 1; second <= 60 && req_->State() != TRequestState::kIdle; ++second) {
    clock_.now_ms = 4000 + second * 1000;
    Answer("x");
    req_->CheckSpeed(100, 60);
  }
  EXPECT_EQ(Events(), "error retry: slower than 100 bytes per second for 60 seconds|");
  EXPECT_EQ(File(), "<none>");
}

}  // namespace
}  // namespace korvane
