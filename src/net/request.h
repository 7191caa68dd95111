// TRequest: one connection slot of a capture. It performs one GET at a time over its own socket
// component, directly or through a proxy, parses the response header, asks its owner whether and
// where to keep the body, streams the body into that file, and reports through events. It
// neither follows redirections nor retries: its owner decides.
//
// HTTP/1.0 (Http11 false) opens a connection per request and reads each body until the server
// closes. HTTP/1.1 keeps the connection after an answer whose body's end is known (a length, or
// chunked) and which the server does not close (Connection: close, or an HTTP/1.0 answer without
// keep-alive): the next Start to the same scheme, host, port and proxy sends its request on it.
// Bodies may then come chunked and compressed (gzip, deflate, br, asked for unless a range is);
// the file holds them decoded. A request whose kept connection turns out closed before any byte
// of the answer goes again once on a new connection, unseen by the owner.
//
// Events, for the owner (the capture session runs 1 to 9 slots and reacts to each):
//   OnHeader  the header is complete and parsed into Header. Return false to refuse the
//             response, or set OutputFile (and optionally clear WriteToFile to read and drop
//             the body) and return true. A refusal closes the connection: no OnDone, no OnError
//             (under HTTP/1.1 a short body whose end is known is read and dropped first, and
//             the connection kept; the slot is busy until then).
//   OnDone    the body was read to its end; the file OutputFile is complete and closed, and its
//             size is in Header.ContentLength.
//   OnError   the attempt failed (host unknown, connection failed or timed out, closed before
//             the answer, header too long, body shorter than announced, file not writable, no
//             secure connection);
//             Failure says why. `retry` is false when another trial cannot help (the server's
//             certificate was refused), true otherwise: the owner counts its trials and decides.
//             Any partial file is already deleted.
//   OnBody    after each packet of the body, and once with ContentLength 0 when Close drops a
//             partial body.
//   OnStatus  the progress code `Status` changed (kStatus... below).
//   OnProgress  the byte count of every packet.
//   OnLog     a log line, already prefixed with the time of day.
//   OnException  one of the owner's handlers threw: the connection is aborted and the request is
//             idle; `error` is the exception's message.
// A connection that closes before the header is complete is a failed attempt (OnError with a
// retry; Failure kClosedEarly when not one byte of the answer came). A decoded body beyond
// MaxBodyBytes, or one that grows beyond any sane ratio to its coded size, fails as kTooLarge
// without a retry; one that cannot be decoded fails as kProtocol. An address of a scheme the
// program does not fetch fails at once, without a retry.
//
// States, in two parts: the connection being opened (or kept), then the exchange on it.
//   idle -> connecting [-> tunnelling -> securing] -> receiving header -> receiving body -> idle
//   (the last when the server closes after the body), or -> kept -> receiving header (the next
//   request on the same connection); any state -> closing -> idle on Close, a failure or a
//   refused response. Tunnelling and securing are https through a proxy.
// request_state.h lists every move; they all go through one function, which checks the move and
// reports its progress code. Any event but OnLog may call Start or Close on this request: what
// raised the event then stops, since the rest of its work belonged to the attempt that ended.
//
// An https address is fetched over TLS, checked against the system's certificates (and CaFile),
// unless VerifyCertificates is off. Through a proxy, it asks the proxy for a tunnel to the
// server (CONNECT) and speaks TLS through it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/date_time.h"
#include "base/file_system.h"
#include "net/chunked_body.h"
#include "net/content_decoder.h"
#include "net/http_header.h"
#include "net/memory_stream_ex.h"
#include "net/request_state.h"
#include "net/scx.h"

namespace korvane {

class TSocketHub;
struct THttpSession;

// A response header that has not ended within this many bytes fails the request.
inline constexpr std::size_t kMaxHeaderBytes = 64 * 1024;

// An address holding this switches the trace on for the rest of the run once it is fetched.
inline constexpr std::string_view kTraceMarker = "~~~~~~";

// A body is written under its file name followed by this suffix and renamed once it is whole, so
// that what a killed program leaves behind is known for what it is and removed by the next
// capture. No type of the MIME table has such an extension.
inline constexpr std::string_view kPartialSuffix = ".kvpart";

// A decoded body larger than this and more than kMaxDecodeRatio times its coded size is a
// compression bomb, not a file: no web page or picture compresses so well at that size.
inline constexpr std::int64_t kBombFloorBytes = 8 * 1024 * 1024;
inline constexpr std::int64_t kMaxDecodeRatio = 1000;

class TRequest {
 public:
  // The hub and the session (shared by the slots of one capture) must outlive the request.
  TRequest(std::int32_t id, TSocketHub& hub, THttpSession& session,
           TFileSystem& fs = RealFileSystem(), const TClock* clock = nullptr);
  ~TRequest();
  TRequest(const TRequest&) = delete;
  TRequest& operator=(const TRequest&) = delete;

  void Start(std::string_view url, std::string_view proxy_address = {},
             std::int32_t proxy_port = 80);
  // Credentials for the host and port of `address` (the current Url when empty) only.
  void SetAuthorization(std::string_view user, std::string_view password,
                        std::string_view address = {});
  void Close();
  // The low-speed limit, checked by the owner about once a second: an attempt that received
  // fewer than `bytes_per_second` × `seconds` bytes over a whole window of `seconds` since it was
  // connected fails as a time-out does (kTooSlow, with a retry). Nothing when either is 0 or
  // less. A server that sends one byte now and then holds a slot no longer.
  void CheckSpeed(std::int32_t bytes_per_second, std::int32_t seconds);
  // A kept connection unused for `seconds` is closed: servers drop idle ones, and a request sent
  // as one does would have to go again.
  void CheckIdle(std::int32_t seconds);
  // Whether a Start for `url` (through that proxy, or none) would go on the kept connection.
  bool KeptFor(std::string_view url, std::string_view proxy_address = {},
               std::int32_t proxy_port = 80) const;

  TRequestState State() const { return state_; }
  // The request is sent: its answer is awaited or being read.
  bool Answering() const {
    return state_ == TRequestState::kReceivingHeader || state_ == TRequestState::kReceivingBody;
  }
  // An exchange is under way: neither idle nor only keeping its connection.
  bool Busy() const { return state_ != TRequestState::kIdle && state_ != TRequestState::kKept; }

  std::int32_t Id;
  std::uint8_t Status = 0;  // the last progress code (kStatus...)
  bool WriteToFile = false;
  TSCX Socket;
  std::string Url;
  std::string HostAddress;
  std::string ProxyAddress;
  std::int32_t ProxyPort = 80;
  std::string Cookie;
  // The address of the page whose link led to Url, sent as Referer; empty sends none.
  std::string Referer;
  std::string Credentials;
  std::int32_t TimeoutSecs = 30;
  bool Http11 = false;  // HTTP/1.1 (kept connections, chunked and compressed bodies); else 1.0
  // A decoded body beyond this many bytes fails (kTooLarge); 0: no limit but the bomb's.
  std::int64_t MaxBodyBytes = 0;
  std::string CaFile;              // https: a PEM file of certificates to trust as well
  bool VerifyCertificates = true;  // https: false accepts any certificate (unsafe)
  TMemoryStreamEx Buffer;
  std::string OutputFile;  // written as OutputFile + kPartialSuffix until the body is whole
  // Set by the owner before Start for an address whose body an earlier attempt left cut off:
  // the bytes its partial file holds and its server's validator. The rest is asked for (Range,
  // If-Range); a partial answer that starts there is appended, a whole one replaces the file.
  // 0 asks for the whole body. ResumeFile is that partial file: dropped when the answer shows
  // it cannot be finished.
  std::string ResumeFile;
  std::int64_t ResumeBytes = 0;
  std::string ResumeValidator;
  // Set by the owner before Start to ask only for a version other than the one it holds: the
  // ETag (If-None-Match) and the date (If-Modified-Since) its server gave; empty for none. A
  // 304 answer then says the held version is current.
  std::string IfNoneMatch;
  std::string IfModifiedSince;
  // None of the above for the next Start: a whole body, whatever the last address asked.
  void ClearConditions();
  THTTPHEADER Header;
  std::int32_t HeaderLength = 0;
  TNetError Failure;  // why the last attempt failed; kNone once started again
  // Bytes of the body received so far in this attempt (written to OutputFile, or held in Body).
  std::int64_t BodyBytesWritten() const { return file_bytes_; }
  // A hash (64-bit FNV-1a) of the decoded body of this attempt, at OnDone: what tells a body
  // from the one stored before when its server gives no validator. None for a resumed body,
  // whose first bytes did not pass here.
  std::optional<std::uint64_t> BodyHash() const {
    return body_hashed_ ? std::optional<std::uint64_t>(body_hash_) : std::nullopt;
  }
  static constexpr std::uint64_t kHashStart = 14695981039346656037ULL;
  // Set by OnHeader: the body is held in Body instead of written to OutputFile, for an owner that
  // rewrites it before storing it and so would otherwise write it, read it back and write it
  // again. A body beyond kBodyInMemoryBytes goes to OutputFile after all (the flag is then
  // false again at OnDone). Cleared at every attempt.
  bool BodyInMemory = false;
  std::string Body;
  static constexpr std::size_t kBodyInMemoryBytes = 1024 * 1024;

  std::function<void(TRequest& sender, const std::string& line)> OnLog;
  std::function<bool(TRequest& sender)> OnHeader;
  std::function<void(TRequest&sender)> OnDone, OnBody, OnStatus;
  std::function<void(TRequest& sender, bool retry)> OnError;
  std::function<void(int count)> OnProgress;
  std::function<void(TRequest& sender, const std::string& error)> OnException;

 private:
  // Tells code that raised one of the owner's events whether to go on: false when a handler
  // started another attempt or moved this one (closed it, most likely).
  class TAttemptGuard {
   public:
    explicit TAttemptGuard(const TRequest& request)
        : request_(request), attempt_(request.attempt_), state_(request.state_) {}
    bool Holds() const { return request_.attempt_ == attempt_ && request_.state_ == state_; }

   private:
    const TRequest& request_;
    std::uint64_t attempt_;
    TRequestState state_;
  };
  // Raises an event (when it has a handler) under a guard; true when the caller may go on.
  template <class Event, class... Args>
  bool Raise(const Event& event, Args&&... args) {
    if (!event) return true;
    const TAttemptGuard guard(*this);
    event(std::forward<Args>(args)...);
    return guard.Holds();
  }
  // The one place where the state changes: checks the move and reports its progress code. False
  // when the handler of that report took the request over.
  bool Enter(TRequestState next);
  bool ConnectionOpen() const;

  void Connect();
  // What one exchange starts from: no header, no body, the owner's choices at their defaults.
  void ResetExchange();
  void SendRequest();
  // "Accept:*/*" and the session's user agent (the program's own: one write of the design's bytes).
  void SendAcceptAndAgent();
  // The Referer, when there is one to tell the server, and the session's extra headers.
  void SendRefererAndHeaders();
  std::string RequestTarget() const;
  std::string HostLine() const;
  // https through the proxy: a tunnel first.
  bool Tunnelled() const;
  TTlsRequest TlsRequest() const;
  void SendTunnelRequest();
  void ReceiveTunnelBytes(std::string_view bytes);
  bool CredentialsApply() const;

  void SocketNoHost(TSCX& sender);
  void SocketOkHost(TSCX& sender);
  void SocketFail(TSCX& sender);
  void SocketConnect(TSCX& sender, const std::string& distant_ip);
  void SocketCut(TSCX& sender);
  void SocketCanWrite(TSCX& sender);
  void SocketData(TSCX& sender, const char* buf, int len);
  // The trace and progress code of a connection that ended; false as Raise is.
  bool ReportCut();

  void ReceiveHeaderBytes(std::string_view bytes);
  bool ReceiveBodyBytes(std::string_view bytes);
  void HeaderComplete();
  // The owner's word on the header: false when it refused the response (then closed) or its
  // handler took the request over.
  bool HeaderKept();
  void Drain(std::string_view bytes);
  // Under HTTP/1.1: how the body ends and how it is coded, from the header.
  bool SetUpBody();
  // The body's bytes as they travel: framed by a length, chunks or the close, then coded.
  // False when the attempt ended (failed); body_whole_ is set once the framing's end is read.
  bool ReceiveFramedBody(std::string_view bytes);
  bool ReceiveCodedBody(std::string_view bytes);
  // The decoded body so far stays within MaxBodyBytes and the bomb's bound; fails it if not.
  bool WithinBounds();
  // The body ended: `cut` when the connection closed before the end its framing announced.
  void BodyEnded(bool cut);
  // The body's file closed; true when the body came as long as announced (or none is kept),
  // false when it was cut off, and then dropped. Header.ContentLength becomes what came.
  bool CloseBody(bool cut);
  // A kept connection that the server closed, or that carried bytes no request asked for.
  void DropKept();
  // The key of the connection a request to `url` through that proxy uses.
  static std::string ConnectionKey(std::string_view url, std::string_view proxy_address,
                                   std::int32_t proxy_port);
  void Reuse();
  bool OpenOutput();
  // A body that could not be written: a full disk, or this file's own failure (`what` and the
  // file's name). Always false.
  bool WriteFailed(std::string_view what);
  std::string PartialFile() const;  // where the body is written until it is whole
  bool CloseOutput();
  // What an attempt cut short received: the partial file (and its resume note), or the bytes
  // held.
  void DropBody();
  // A body cut off after some bytes went to its file keeps them for the next attempt when its
  // server gave a validator: a resume note beside it. False when nothing is kept.
  bool KeepForResume();
  // A partial answer (206) to a resumed request: the part asked for becomes the rest of the
  // body (true); another part, or a range the server no longer has (416), fails the attempt
  // (false) and the partial file is dropped, so that the next one asks for the whole body.
  bool TakeRange();
  void ForgetResume();
  std::string ResumeNoteFile() const;
  // Close's work; false when a handler of the closing's own events took the request over.
  bool EndAttempt();
  // A partial body dropped by Close, and OnBody told so (ContentLength 0); false as Raise is.
  bool DropPartialBody();
  // Ends the attempt as failed and tells the owner (OnError). False when a handler started
  // another attempt meanwhile: the caller's work on this one is over.
  bool Fail(TNetError::TKind kind, std::string message, bool retry = true);
  void SocketException(const std::string& error);

  bool Progress(std::uint8_t code);  // false as Raise is
  void Log(std::string_view line);
  void Trace(std::string_view line);
  std::string IdText() const { return std::to_string(Id); }

  THttpSession& session_;
  TFileSystem& fs_;
  const TClock& clock_;
  TRequestState state_ = TRequestState::kIdle;
  std::unique_ptr<TWritableFile> file_;
  std::int64_t file_bytes_ = 0;
  std::uint64_t body_hash_ = kHashStart;
  bool body_hashed_ = false;
  bool resuming_ = false;      // this attempt appends to the partial file of an earlier one
  bool write_failed_ = false;  // the partial file may hold a torn write: never resumed
  // The low-speed window: when it began (tick, ms) and the bytes received in it.
  std::int64_t speed_window_start_ = 0;
  std::int64_t speed_window_bytes_ = 0;
  THeaderEndScanner scanner_;
  // HTTP/1.1's framing of the body being read, and its decoding (null for none).
  enum class TFraming : std::uint8_t { kToClose, kLength, kChunked };
  TFraming framing_ = TFraming::kToClose;
  std::int64_t body_left_ = 0;  // kLength: bytes still to come
  TChunkedBody chunked_;
  std::unique_ptr<TContentDecoder> decoder_;
  bool body_whole_ = false;      // the framing's end was read
  bool keep_ = false;            // the connection may carry the next request after this body
  bool reused_ = false;          // this exchange went on a kept connection, not yet answered
  std::string connection_key_;   // of the connection open (or last opened)
  std::int64_t kept_since_ = 0;  // tick
  int interim_answers_ = 0;      // 1xx answers before this exchange's own
  // A refused answer's body being read to its end, to keep the connection; at most so long.
  bool draining_ = false;
  std::int64_t drained_ = 0;
  static constexpr std::int64_t kMaxDrainBytes = 64 * 1024;
  static constexpr int kMaxInterimAnswers = 8;
  std::string credentials_host_;
  std::int32_t credentials_port_ = 80;
  // Counts the attempts (Start), for TAttemptGuard.
  std::uint64_t attempt_ = 0;
};

}  // namespace korvane
