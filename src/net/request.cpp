#include "net/request.h"

#include <algorithm>
#include <cassert>
#include <cstdio>

#include "base/log_texts.h"
#include "base/request_header.h"
#include "base/short_string.h"
#include "base/text_case.h"
#include "html/url.h"
#include "net/base64.h"
#include "net/host_cache.h"
#include "net/http_session.h"
#include "net/resume_note.h"
#include "net/socket_hub.h"

namespace korvane {
namespace {

// "Accept:*/*" and the user agent: one 53-byte write.
constexpr std::string_view kRequestBlock =
    "Accept:*/*\r\nUser-Agent: Mozilla/2.0 (Korvane 1.073)\r\n";
static_assert(kRequestBlock.size() == 53);

bool IsDottedAddress(std::string_view host) {
  return !host.empty() && std::count(host.begin(), host.end(), '.') == 3 &&
         std::all_of(host.begin(), host.end(),
                     [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

std::string TimeOfDay(TDateTime now) {
  TDateParts p = DecodeDateTime(now);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", p.hour % 100, p.minute % 100, p.second % 100);
  return text;
}

}  // namespace

TRequest::TRequest(std::int32_t id, TSocketHub& hub, THttpSession& session, TFileSystem& fs,
                   const TClock* clock)
    : Id(id), Socket(hub), session_(session), fs_(fs), clock_(clock ? *clock : SystemClock()) {
  Socket.OnNoHost = [this](TSCX& s) { SocketNoHost(s); };
  Socket.OnOkHost = [this](TSCX& s) { SocketOkHost(s); };
  Socket.OnFail = [this](TSCX& s) { SocketFail(s); };
  Socket.OnConnect = [this](TSCX& s, const std::string& ip) { SocketConnect(s, ip); };
  Socket.OnCut = [this](TSCX& s) { SocketCut(s); };
  Socket.OnCanWrite = [this](TSCX& s) { SocketCanWrite(s); };
  Socket.OnData = [this](TSCX& s, const char* buf, int len) { SocketData(s, buf, len); };
  Socket.OnException = [this](TSCX&, const std::string& error) { SocketException(error); };
}

TRequest::~TRequest() {
  // A body cut off by the slot's end is not a captured file.
  if (file_) {
    // A partial file is dropped whatever its close says; one that cannot be removed is known by
    // its suffix and removed by the next capture.
    const bool closed = file_->Close();
    file_.reset();
    if (!(closed && KeepForResume())) DropBody();
  }
}

void TRequest::Start(std::string_view url, std::string_view proxy_address,
                     std::int32_t proxy_port) {
  const bool reuse = state_ == TRequestState::kKept && Http11 &&
                     ConnectionKey(url, proxy_address, proxy_port) == connection_key_;
  // The owner starts idle slots; a busy one ends its attempt first, so no partial file is left.
  if (state_ != TRequestState::kIdle && !reuse) Close();
  ++attempt_;
  Url = ShortString(url);
  ProxyAddress = ShortString(proxy_address);
  ProxyPort = proxy_port;
  Failure = {};
  Trace(IdText() + ": Open " + Url);
  if (reuse) return Reuse();
  // Nothing can be fetched, and the owner must hear of it: a slot that stayed silent would leave
  // its address waiting for ever.
  if (HasOtherProtocol(Url)) {
    Fail(TNetError::kUnsupported, "the scheme of " + Url + " is not supported", false);
    return;
  }
  HostAddress = GetHost(Url);
  if (IsDottedAddress(HostAddress)) return Connect();
  std::optional<std::string> cached = session_.Hosts.Find(HostAddress);
  if (!cached) return Connect();
  if (cached->empty()) {
    Fail(TNetError::kNoHost, "no such host");  // known not to exist
    return;
  }
  HostAddress = *cached;
  Connect();
}

void TRequest::SetAuthorization(std::string_view user, std::string_view password,
                                std::string_view address) {
  Credentials = TBase64::Encode(std::string(user) + ":" + std::string(password));
  std::string_view owner = address.empty() ? std::string_view(Url) : address;
  credentials_host_ = GetHost(owner);
  credentials_port_ = GetPort(owner);
}

std::string TRequest::ConnectionKey(std::string_view url, std::string_view proxy_address,
                                    std::int32_t proxy_port) {
  std::string key = (IsSecure(url) ? "https://" : "http://") + AnsiLowerCase(GetHost(url)) + ":" +
                    std::to_string(GetPort(url));
  if (!proxy_address.empty())
    key += " by " + std::string(proxy_address) + ":" + std::to_string(proxy_port);
  return key;
}

bool TRequest::KeptFor(std::string_view url, std::string_view proxy_address,
                       std::int32_t proxy_port) const {
  return state_ == TRequestState::kKept && Http11 &&
         ConnectionKey(url, proxy_address, proxy_port) == connection_key_;
}

// The request goes on the connection the last answer left open.
void TRequest::Reuse() {
  Trace(IdText() + ": Keep the connection");
  ResetExchange();
  reused_ = true;
  speed_window_start_ = clock_.TickMs();
  speed_window_bytes_ = 0;
  SendRequest();
}

void TRequest::DropKept() {
  Trace(IdText() + ": The kept connection ends");
  Socket.Abort();
  Enter(TRequestState::kIdle);
}

void TRequest::CheckIdle(std::int32_t seconds) {
  if (state_ == TRequestState::kKept &&
      clock_.TickMs() - kept_since_ >= std::int64_t{seconds} * 1000) {
    DropKept();
  }
}

bool TRequest::Enter(TRequestState next) {
  const int progress = MoveProgress(state_, next);
  assert(progress >= 0 && "a move no slot makes");
  state_ = next;
  return progress <= 0 || Progress(static_cast<std::uint8_t>(progress));
}

bool TRequest::ConnectionOpen() const {
  return state_ == TRequestState::kTunnelling || state_ == TRequestState::kSecuring || Answering();
}

void TRequest::Connect() {
  ResetExchange();
  // A slot restarted while a connection is open would otherwise leave it open in the library.
  Socket.Abort();
  std::string host, port;
  if (!ProxyAddress.empty()) {
    std::string proxy = ProxyAddress;
    if (proxy.find("//") == std::string::npos) proxy = "//" + proxy;
    if (proxy.back() != '/') proxy += '/';
    host = GetHost(proxy);
    if (host.empty()) host = ProxyAddress;
    port = std::to_string(ProxyPort);
  } else {
    host = HostToResolve(HostAddress.empty() ? GetHost(Url) : HostAddress);
    port = std::to_string(GetPort(Url));
  }
  connection_key_ = ConnectionKey(Url, ProxyAddress, ProxyPort);
  reused_ = false;
  // The certificate is checked against the address's host, not the address connected to.
  const TTlsRequest tls = TlsRequest();
  const bool secure = ProxyAddress.empty() && IsSecure(Url);
  // The library reports nothing before Go returns its handle: the state may follow it.
  if (Socket.Go(host, port, TimeoutSecs, secure ? &tls : nullptr) != 0) {
    Enter(TRequestState::kConnecting);
    return;
  }
  if (Fail(TNetError::kOther, "the connection could not be started")) Progress(kStatusFailed);
}

void TRequest::ResetExchange() {
  WriteToFile = true;
  BodyInMemory = false;
  Body.clear();
  // An output still open here belongs to an attempt that ended without its body: not kept.
  (void)CloseOutput();
  OutputFile.clear();
  HeaderLength = 0;
  Buffer.Reset();
  scanner_.Reset();
  interim_answers_ = 0;
  draining_ = false;
}

bool TRequest::CredentialsApply() const {
  return SameAsciiNoCase(credentials_host_, GetHost(Url)) && credentials_port_ == GetPort(Url);
}

std::string TRequest::RequestTarget() const {
  return PercentEncoded(ProxyAddress.empty() || Tunnelled() ? GetTarget(Url) : Url);
}

bool TRequest::Tunnelled() const { return !ProxyAddress.empty() && IsSecure(Url); }

TTlsRequest TRequest::TlsRequest() const {
  return TTlsRequest{std::string(HostToResolve(GetHost(Url))), CaFile, VerifyCertificates};
}

void TRequest::SendTunnelRequest() {
  const std::string authority = GetHost(Url) + ":" + std::to_string(GetPort(Url));
  Trace(IdText() + ": Connect " + authority);
  Enter(TRequestState::kTunnelling);
  Socket.Send("CONNECT " + authority + " HTTP/1.0\r\nHost: " + authority + "\r\n");
  SendAcceptAndAgent();
  Socket.Send("\r\n");
}

// The proxy's answer to CONNECT: a header, then nothing until the client speaks TLS.
void TRequest::ReceiveTunnelBytes(std::string_view bytes) {
  const std::size_t end = scanner_.Feed(bytes);
  const std::string_view answer = bytes.substr(0, end);
  if (Buffer.Size() + answer.size() > kMaxHeaderBytes || !Buffer.Write(answer)) {
    Fail(TNetError::kProtocol, "the proxy's answer does not end");
    return;
  }
  if (end == std::string_view::npos) return;
  if (end < bytes.size()) {
    Fail(TNetError::kProtocol, "the proxy sent bytes before the secure connection began");
    return;
  }
  THTTPHEADER header;
  THttpDateParts dates;  // the proxy's dates are not the servers'
  header.Parse(Buffer.View(), clock_.Now(), dates);
  Buffer.Reset();
  scanner_.Reset();
  if (header.Status < 200 || header.Status > 299) {
    Fail(TNetError::kProtocol, "the proxy refused a tunnel to " + GetHost(Url) + ":" +
                                   std::to_string(GetPort(Url)) + " (" +
                                   std::to_string(header.Status) + ")");
    return;
  }
  Enter(TRequestState::kSecuring);
  if (!Socket.StartTls(TlsRequest())) {
    Fail(TNetError::kTls, "the secure connection could not be started");
  }
}

// A server holding several sites answers by this name, so every request carries it, through a
// proxy too; the port only when it is not the protocol's own.
std::string TRequest::HostLine() const {
  TUrl url(Url);
  std::string line = "Host: " + url.Host;
  if (url.Port != -1 && url.Port != (url.Protocol == kProtocolHttps ? kHttpsPort : kHttpPort)) {
    line += ":" + std::to_string(url.Port);
  }
  return line + "\r\n";
}

void TRequest::SendAcceptAndAgent() {
  if (session_.UserAgent.empty()) {
    Socket.Send(kRequestBlock);
  } else {
    Socket.Send("Accept:*/*\r\nUser-Agent: " + session_.UserAgent + "\r\n");
  }
}

void TRequest::SendRefererAndHeaders() {
  // An address is one token of visible text, and its fragment is the navigator's own; a secure
  // page's address is not told to a server reached in the clear, as navigators do.
  const std::string_view referer = std::string_view(Referer).substr(0, Referer.find('#'));
  const bool sendable = !referer.empty() && std::all_of(referer.begin(), referer.end(), [](char c) {
    return c > 0x20 && c < 0x7F;
  });
  if (sendable && !(IsSecure(referer) && !IsSecure(Url))) {
    Socket.Send("Referer: " + std::string(referer) + "\r\n");
  }
  for (const std::string& line : session_.ExtraHeaders) {
    std::string error;
    if (const auto header = ParseRequestHeader(line, error)) Socket.Send(header->Line() + "\r\n");
  }
}

void TRequest::SendRequest() {
  Trace(IdText() + ": Send");
  Socket.Send("GET " + RequestTarget() + (Http11 ? " HTTP/1.1\r\n" : " HTTP/1.0\r\n"));
  Socket.Send(HostLine());
  SendAcceptAndAgent();
  const bool range = ResumeBytes > 0 && !ResumeValidator.empty();
  // The rest of a body is appended as it comes: a range is asked for uncoded.
  if (Http11 && !range) Socket.Send("Accept-Encoding: gzip, deflate, br\r\n");
  SendRefererAndHeaders();
  if (!Cookie.empty()) Socket.Send("Cookie :" + Cookie + "\r\n");
  if (session_.Cookies) {
    if (const std::string cookies = session_.Cookies->HeaderFor(Url, clock_.UnixSeconds());
        !cookies.empty()) {
      Socket.Send("Cookie: " + cookies + "\r\n");
    }
  }
  if (range) {
    Socket.Send("Range: bytes=" + std::to_string(ResumeBytes) +
                "-\r\nIf-Range: " + ResumeValidator + "\r\n");
  }
  // The owner's validators come from a project file: a line break there must not become a
  // header of its own.
  if (!IfNoneMatch.empty() && !HasControlCharacter(IfNoneMatch)) {
    Socket.Send("If-None-Match: " + IfNoneMatch + "\r\n");
  }
  if (!IfModifiedSince.empty() && !HasControlCharacter(IfModifiedSince)) {
    Socket.Send("If-Modified-Since: " + IfModifiedSince + "\r\n");
  }
  if (!Credentials.empty() && CredentialsApply())
    Socket.Send("Authorization: Basic " + Credentials + "\r\n");
  Socket.Send("\r\n");
  Enter(TRequestState::kReceivingHeader);
}

void TRequest::SocketNoHost(TSCX& sender) {
  if (&sender != &Socket) return;
  Trace(IdText() + ":SCX_NoHost");
  if (state_ != TRequestState::kConnecting) return;
  session_.Hosts.Add(Socket.Host, "");
  Log(GetHost(Url) + std::string(kLogHostNotFound));
  if (Fail(TNetError::kNoHost, "no such host")) Progress(kStatusFailed);
}

void TRequest::SocketOkHost(TSCX& sender) {
  if (&sender != &Socket || !Progress(kStatusHostFound)) return;
  if (state_ == TRequestState::kConnecting) Trace(IdText() + ":SCX_OkHost");
}

void TRequest::SocketFail(TSCX& sender) {
  if (&sender != &Socket) return;
  if (state_ == TRequestState::kKept) return DropKept();  // timed out while kept: nothing lost
  if (!Progress(kStatusFailed)) return;
  Trace(GetHost(Url) + " : SCX_Fail");
  TNetError error = Socket.LastError;
  if (error.Kind == TNetError::kNone) error.Kind = TNetError::kOther;
  if (error.Message.empty()) error.Message = "the connection failed";
  // A refused certificate, or a server that does not speak TLS, is no better at the next trial:
  // it is always logged, for the user to judge, and not tried again.
  const bool tls = error.Kind == TNetError::kTls;
  if (tls) Log(Url + std::string(kLogTlsFailed) + error.Message);
  // The connection is gone as a closed one is, and is reported so once the owner knows why.
  if (Fail(error.Kind, error.Message, !tls)) ReportCut();
}

void TRequest::SocketConnect(TSCX& sender, const std::string& distant_ip) {
  if (&sender != &Socket) return;
  session_.Hosts.Add(Socket.Host, distant_ip);
  if (!Progress(kStatusConnected) || state_ != TRequestState::kConnecting) return;
  speed_window_start_ = clock_.TickMs();
  speed_window_bytes_ = 0;
  if (Tunnelled()) return SendTunnelRequest();
  SendRequest();
}

void TRequest::SocketCanWrite(TSCX& sender) {
  // Through a tunnel, the request goes once TLS is up.
  if (&sender == &Socket && state_ == TRequestState::kSecuring) SendRequest();
}

void TRequest::SocketCut(TSCX& sender) {
  if (&sender != &Socket) return;
  if (state_ == TRequestState::kKept) return DropKept();
  if (!ReportCut()) return;
  if (state_ == TRequestState::kReceivingBody && draining_) return Close();
  if (state_ == TRequestState::kReceivingBody) return BodyEnded(framing_ != TFraming::kToClose);
  // A kept connection the server had closed as the request went: no server saw it, so it goes
  // again, once, on a new connection, and costs the address no trial.
  if (state_ == TRequestState::kReceivingHeader && reused_ && Buffer.Size() == 0) {
    Trace(IdText() + ": The kept connection was closed: connect again");
    return Connect();
  }
  // The server closed before its answer was whole: an attempt that failed, as a refused
  // connection is, so that the owner may try the address again.
  if (Buffer.Size() == 0) {
    Fail(TNetError::kClosedEarly, "the server closed the connection without answering");
  } else {
    Fail(TNetError::kProtocol, "the server closed the connection inside its header");
  }
}

bool TRequest::ReportCut() {
  Trace(IdText() + ": Disconnect");
  return Progress(kStatusClosed);
}

void TRequest::SocketData(TSCX& sender, const char* buf, int len) {
  if (&sender != &Socket || len < 0) return;
  speed_window_bytes_ += len;
  if (!Progress(kStatusData)) return;
  Trace(IdText() + ": SCX_Data");
  const std::string_view bytes(buf, static_cast<std::size_t>(len));
  switch (state_) {
    case TRequestState::kKept:
      // Bytes no request asked for: never read as the next answer.
      return DropKept();
    case TRequestState::kTunnelling:
      return ReceiveTunnelBytes(bytes);
    case TRequestState::kSecuring:
      Fail(TNetError::kProtocol, "the proxy sent bytes into the tunnel");
      return;
    case TRequestState::kReceivingHeader:
      return ReceiveHeaderBytes(bytes);
    case TRequestState::kReceivingBody:
      if (draining_) {
        if (Raise(OnProgress, len)) Drain(bytes);
        return;
      }
      if (!ReceiveFramedBody(bytes) || !Raise(OnProgress, len) || !Raise(OnBody, *this)) return;
      if (body_whole_) BodyEnded(false);
      return;
    default:
      return;  // no request sent yet: nothing to read
  }
}

void TRequest::ReceiveHeaderBytes(std::string_view bytes) {
  const std::size_t end = scanner_.Feed(bytes);
  const std::size_t header_bytes =
      Buffer.Size() + (end == std::string_view::npos ? bytes.size() : end);
  // A header that never ends must not grow the buffer without bound: fail as a connection would.
  if (header_bytes > kMaxHeaderBytes || !Buffer.Write(bytes)) {
    Fail(TNetError::kProtocol, "the response header does not end");
    return;
  }
  if (!Raise(OnProgress, static_cast<int>(bytes.size())) || end == std::string_view::npos) return;
  HeaderLength = static_cast<std::int32_t>(header_bytes);
  HeaderComplete();
}

void TRequest::HeaderComplete() {
  const std::string_view body = Buffer.View().substr(static_cast<std::size_t>(HeaderLength));
  Header.Parse(Buffer.View().substr(0, static_cast<std::size_t>(HeaderLength)), clock_.Now(),
               session_.DateParts);
  reused_ = false;
  if (Http11 && Header.Status >= 100 && Header.Status < 200) {
    // An interim answer (100 Continue, 103 Early Hints): the real one follows. A server that
    // sends nothing else is refused before it fills the stack.
    if (++interim_answers_ > kMaxInterimAnswers) {
      Fail(TNetError::kProtocol, "the server sends interim answers without end");
      return;
    }
    const std::string rest(body);
    Buffer.Reset();
    scanner_.Reset();
    HeaderLength = 0;
    if (!rest.empty()) ReceiveHeaderBytes(rest);
    return;
  }
  Enter(TRequestState::kReceivingBody);
  if (!SetUpBody()) return;
  if (Header.ContentLength == 0 && framing_ == TFraming::kToClose && !decoder_) {
    Header.ContentLength = static_cast<std::int32_t>(body.size());
  }
  resuming_ = false;
  write_failed_ = false;
  if ((Header.Status == 206 || (Header.Status == 416 && ResumeBytes > 0)) && !TakeRange()) return;
  if (resuming_ && decoder_) {
    // Coded bytes appended to plain ones would make neither.
    ForgetResume();
    Fail(TNetError::kProtocol, "the server sent the rest of the file coded");
    return;
  }
  if (session_.Cookies) {
    for (const std::string& set_cookie : Header.SetCookies) {
      (void)session_.Cookies->Take(set_cookie, Url, clock_.UnixSeconds());  // refused: dropped
    }
  }
  if (!HeaderKept()) {
    if (draining_) Drain(body);
    return;
  }
  if (resuming_ && (PartialFile() != ResumeFile || fs_.FileSize(ResumeFile) != ResumeBytes)) {
    ForgetResume();
    Fail(TNetError::kLocalFile, "the partial file to finish is no longer " + OutputFile);
    return;
  }
  // The first part of a resumed body is on the disk already.
  BodyInMemory = BodyInMemory && WriteToFile && !resuming_;
  Body.clear();
  file_bytes_ = 0;
  body_hash_ = kHashStart;
  body_hashed_ = !resuming_;
  // Without a file the body would be lost and the end reported as a success: fail now.
  if (WriteToFile && !BodyInMemory && !OpenOutput()) {
    Fail(TNetError::kLocalFile, "cannot create the file " + OutputFile);
    return;
  }
  if (!ReceiveFramedBody(body)) return;
  Buffer.Reset();
  if (Raise(OnBody, *this) && body_whole_) BodyEnded(false);
}

bool TRequest::SetUpBody() {
  framing_ = TFraming::kToClose;
  body_whole_ = false;
  keep_ = false;
  decoder_.reset();
  if (!Http11) return true;
  if (Header.TransferUnknown) {
    Fail(TNetError::kProtocol, "the server sent the body in a transfer coding not asked for");
    return false;
  }
  keep_ = Header.Reusable();
  if (Header.Chunked) {
    // Chunked wins over a length given as well.
    framing_ = TFraming::kChunked;
    chunked_ = TChunkedBody();
    Header.LengthAnnounced = false;
    Header.ContentLength = 0;
  } else if (Header.DeclaredLength >= 0 || Header.Status == 204 || Header.Status == 304) {
    framing_ = TFraming::kLength;
    body_left_ = std::max<std::int64_t>(Header.DeclaredLength, 0);
    if (Header.Status == 204 || Header.Status == 304) body_left_ = 0;
  }
  const TContentDecoder::TCoding coding = TContentDecoder::CodingOf(Header.ContentEncoding);
  if (coding != TContentDecoder::TCoding::kIdentity &&
      coding != TContentDecoder::TCoding::kUnknown) {
    decoder_ = std::make_unique<TContentDecoder>(coding);
  }
  return true;
}

bool TRequest::ReceiveFramedBody(std::string_view bytes) {
  switch (framing_) {
    case TFraming::kToClose:
      return ReceiveCodedBody(bytes);
    case TFraming::kLength: {
      const std::size_t take = static_cast<std::size_t>(
          std::min<std::int64_t>(body_left_, static_cast<std::int64_t>(bytes.size())));
      if (!ReceiveCodedBody(bytes.substr(0, take))) return false;
      body_left_ -= static_cast<std::int64_t>(take);
      // Bytes after the body are no answer to anything: the connection is not used again.
      if (take < bytes.size()) keep_ = false;
      body_whole_ = body_left_ == 0;
      return true;
    }
    case TFraming::kChunked: {
      std::size_t used = 0;
      switch (chunked_.Feed(bytes, used,
                            [this](std::string_view data) { return ReceiveCodedBody(data); })) {
        case TChunkedBody::TResult::kError:
          if (!chunked_.Error().empty()) Fail(TNetError::kProtocol, chunked_.Error());
          return false;
        case TChunkedBody::TResult::kEnd:
          if (used < bytes.size()) keep_ = false;
          body_whole_ = true;
          return true;
        case TChunkedBody::TResult::kMore:
          return true;
      }
    }
  }
  return true;
}

bool TRequest::ReceiveCodedBody(std::string_view bytes) {
  if (!decoder_) {
    // A body too large is cut as it comes, not read to its end to be removed. Under HTTP/1.0
    // the owner refuses it once whole, as that exchange always did.
    if (Http11 && MaxBodyBytes > 0 &&
        file_bytes_ + static_cast<std::int64_t>(bytes.size()) > MaxBodyBytes) {
      Fail(TNetError::kTooLarge,
           "the body is larger than " + std::to_string(MaxBodyBytes) + " bytes", false);
      return false;
    }
    return ReceiveBodyBytes(bytes);
  }
  TContentDecoder& decoder = *decoder_;
  if (decoder.Feed(bytes, [this](std::string_view decoded) {
        return WithinBounds() && ReceiveBodyBytes(decoded);
      })) {
    return true;
  }
  if (!decoder.Error().empty()) Fail(TNetError::kProtocol, decoder.Error());
  return false;
}

bool TRequest::WithinBounds() {
  const std::int64_t decoded = decoder_->DecodedBytes();
  if (MaxBodyBytes > 0 && decoded > MaxBodyBytes) {
    Fail(TNetError::kTooLarge,
         "the decoded body is larger than " + std::to_string(MaxBodyBytes) + " bytes", false);
    return false;
  }
  if (decoded > kBombFloorBytes &&
      decoded > kMaxDecodeRatio * std::max<std::int64_t>(decoder_->CodedBytes(), 1)) {
    Fail(TNetError::kTooLarge,
         "the body decodes to more than " + std::to_string(kMaxDecodeRatio) +
             " times its size (a compression bomb)",
         false);
    return false;
  }
  return true;
}

bool TRequest::HeaderKept() {
  if (!OnHeader) return true;
  const TAttemptGuard guard(*this);
  const bool keep = OnHeader(*this);
  if (!guard.Holds()) return false;
  if (keep && !OutputFile.empty()) return true;
  Trace(IdText() + ": Filtered");
  // A redirection or an error page is short: read and dropped, it leaves the connection to the
  // next request, where closing it would cost a new connection (and handshake).
  if (Http11 && keep_ && framing_ != TFraming::kToClose &&
      (framing_ != TFraming::kLength || body_left_ <= kMaxDrainBytes)) {
    draining_ = true;
    drained_ = 0;
    WriteToFile = false;
    BodyInMemory = false;
    decoder_.reset();
    return false;
  }
  Close();
  return false;
}

void TRequest::Drain(std::string_view bytes) {
  drained_ += static_cast<std::int64_t>(bytes.size());
  if (drained_ > kMaxDrainBytes) return Close();
  if (!ReceiveFramedBody(bytes) || !body_whole_) return;
  draining_ = false;
  body_whole_ = false;
  if (!keep_) return Close();
  Enter(TRequestState::kKept);
  kept_since_ = clock_.TickMs();
}

bool TRequest::ReceiveBodyBytes(std::string_view bytes) {
  if (!WriteToFile) return true;
  for (const char c : bytes) {
    body_hash_ = (body_hash_ ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  }
  if (BodyInMemory && Body.size() + bytes.size() > kBodyInMemoryBytes) {
    // Too large to hold: what came so far goes to the file, and the rest after it.
    BodyInMemory = false;
    const bool opened = OpenOutput() && file_->Append(Body);
    file_bytes_ = static_cast<std::int64_t>(Body.size());
    std::string().swap(Body);
    if (!opened) return WriteFailed("cannot create the file ");
  }
  if (BodyInMemory) {
    if (Body.empty() && Header.LengthAnnounced && Header.ContentLength > 0) {
      Body.reserve(std::min<std::size_t>(static_cast<std::size_t>(Header.ContentLength),
                                         kBodyInMemoryBytes));
    }
    Body.append(bytes);
    file_bytes_ += static_cast<std::int64_t>(bytes.size());
    return true;
  }
  if (!file_ || !file_->Append(bytes)) return WriteFailed("cannot write the file ");
  file_bytes_ += static_cast<std::int64_t>(bytes.size());
  return true;
}

bool TRequest::TakeRange() {
  if (ResumeBytes <= 0 || ResumeFile.empty() || Header.Status != 206 ||
      Header.RangeStart != ResumeBytes || Header.RangeTotal <= ResumeBytes) {
    // Not the part asked for (or none was, or of no known end): appending it could corrupt the
    // file or pass a cut one for whole. The next attempt asks for the whole body.
    ForgetResume();
    Fail(TNetError::kProtocol, Header.Status == 416
                                   ? "the server no longer has the rest of the file"
                                   : "the server sent another part of the file than the one "
                                     "asked for");
    return false;
  }
  resuming_ = true;
  Header.Status = 200;
  Header.ContentLength =
      static_cast<std::int32_t>(std::min<std::int64_t>(Header.RangeTotal, INT32_MAX));
  Header.LengthAnnounced = true;
  return true;
}

void TRequest::ForgetResume() {
  if (!ResumeFile.empty()) {
    (void)fs_.RemoveFile(ResumeFile);
    (void)fs_.RemoveFile(ResumeFile + std::string(kResumeSuffix));
  }
  ResumeFile.clear();
  ResumeBytes = 0;
  ResumeValidator.clear();
}

void TRequest::ClearConditions() {
  ResumeFile.clear();
  ResumeBytes = 0;
  ResumeValidator.clear();
  IfNoneMatch.clear();
  IfModifiedSince.clear();
}

std::string TRequest::ResumeNoteFile() const { return PartialFile() + std::string(kResumeSuffix); }

bool TRequest::KeepForResume() {
  // Decoded bytes are not the server's: a range of them cannot be asked for.
  if (BodyInMemory || write_failed_ || file_bytes_ <= 0 || Header.Status != 200 || decoder_) {
    return false;
  }
  // A weak ETag does not promise the same bytes: only the date can stand in for it then.
  std::string validator = Header.ETag.starts_with("W/") ? std::string() : Header.ETag;
  if (validator.empty()) validator = Header.LastModifiedText;
  // It goes back into a request line: a server's control characters must not.
  if (validator.empty() || HasControlCharacter(validator) ||
      fs_.FileSize(PartialFile()) != file_bytes_) {
    return false;
  }
  const TResumeNote note{Url, validator, file_bytes_};
  return fs_.WriteFile(ResumeNoteFile(), note.Format());
}

bool TRequest::WriteFailed(std::string_view what) {
  write_failed_ = true;
  // A full disk stops the whole capture; another failure is this file's alone.
  if (file_ && fs_.LastStatus().NoSpaceLeft()) {
    Fail(TNetError::kDiskFull, fs_.LastError(), false);
  } else {
    Fail(TNetError::kLocalFile, std::string(what) + OutputFile);
  }
  return false;
}

std::string TRequest::PartialFile() const { return OutputFile + std::string(kPartialSuffix); }

void TRequest::BodyEnded(bool cut) {
  body_whole_ = false;
  std::string why = framing_ == TFraming::kChunked ? "the connection closed inside the chunked body"
                                                   : "the body is shorter than announced";
  if (decoder_ && !cut && !decoder_->Finish()) {
    cut = true;
    why = decoder_->Error();
  }
  const bool keep = keep_ && !cut;
  if (!keep) Socket.Abort();
  Enter(keep ? TRequestState::kKept : TRequestState::kIdle);
  kept_since_ = clock_.TickMs();
  const bool on_disk = file_ != nullptr;
  const bool whole = CloseBody(cut);
  if (whole && on_disk && !fs_.RenameFile(PartialFile(), OutputFile)) {
    DropBody();
    Fail(TNetError::kLocalFile, "cannot write the file " + OutputFile);
    return;
  }
  if (whole && on_disk && fs_.FileExists(ResumeNoteFile())) (void)fs_.RemoveFile(ResumeNoteFile());
  if (Url.find(kTraceMarker) != std::string::npos) session_.Trace = true;
  if (!whole) {
    Fail(TNetError::kProtocol, why);
    return;
  }
  Raise(OnDone, *this);
}

bool TRequest::CloseBody(bool cut) {
  if (!file_ && !BodyInMemory) return !cut;
  // A decoded body's length is not the one announced, which its framing checked.
  const std::int32_t announced = Header.LengthAnnounced && !decoder_ ? Header.ContentLength : 0;
  Header.ContentLength = static_cast<std::int32_t>(std::min<std::int64_t>(file_bytes_, INT32_MAX));
  // A body shorter than its header announced was cut off: not a captured file, but what came
  // may be kept for the next attempt to finish.
  const bool closed = CloseOutput();
  if (closed && !cut && file_bytes_ >= announced) return true;
  if (!(closed && KeepForResume())) DropBody();
  return false;
}

bool TRequest::OpenOutput() {
  // The same: a file left open by an attempt cut short is replaced, not kept.
  (void)CloseOutput();
  file_bytes_ = 0;
  if (resuming_) {
    file_ = fs_.OpenForAppend(PartialFile());
    file_bytes_ = ResumeBytes;
    return file_ != nullptr;
  }
  file_ = fs_.OpenForWrite(PartialFile());
  return file_ != nullptr;
}

void TRequest::DropBody() {
  if (BodyInMemory) {
    std::string().swap(Body);
  } else {
    // Left behind, it is known by its suffix and removed by the next capture.
    (void)fs_.RemoveFile(PartialFile());
    if (fs_.FileExists(ResumeNoteFile())) (void)fs_.RemoveFile(ResumeNoteFile());
  }
}

bool TRequest::CloseOutput() {
  if (!file_) return true;
  bool ok = file_->Close();
  file_.reset();
  return ok;
}

// Whether a handler started another attempt matters only inside the request's own events.
void TRequest::Close() { (void)EndAttempt(); }

bool TRequest::EndAttempt() {
  // Asked again by a handler of the OnBody below: all that is left is the move to idle.
  if (state_ == TRequestState::kClosing) return Enter(TRequestState::kIdle);
  const bool partial = state_ == TRequestState::kReceivingBody && (file_ || BodyInMemory);
  Enter(TRequestState::kClosing);
  Socket.Abort();
  Buffer.Reset();  // a header cut short may have filled it up to its limit
  if (partial && !DropPartialBody()) return false;
  return Enter(TRequestState::kIdle);
}

bool TRequest::DropPartialBody() {
  const bool closed = CloseOutput();
  if (!(closed && KeepForResume())) DropBody();
  Header.ContentLength = 0;
  return Raise(OnBody, *this);
}

void TRequest::CheckSpeed(std::int32_t bytes_per_second, std::int32_t seconds) {
  if (bytes_per_second <= 0 || seconds <= 0) return;
  // Until connected the attempt's own time-out applies.
  if (!ConnectionOpen()) return;
  // A body received whole only waits for the server to close: it is not a slow transfer.
  if (state_ == TRequestState::kReceivingBody && Header.ContentLength > 0 &&
      file_bytes_ >= Header.ContentLength) {
    return;
  }
  const std::int64_t now = clock_.TickMs();
  if (now - speed_window_start_ < std::int64_t{seconds} * 1000) return;
  if (speed_window_bytes_ >= std::int64_t{bytes_per_second} * seconds) {
    speed_window_start_ = now;
    speed_window_bytes_ = 0;
    return;
  }
  Fail(TNetError::kTooSlow, "slower than " + std::to_string(bytes_per_second) +
                                " bytes per second for " + std::to_string(seconds) + " seconds");
}

bool TRequest::Fail(TNetError::TKind kind, std::string message, bool retry) {
  Trace(IdText() + ": socket error");
  // The owner refused this answer already: what goes wrong in its body is nobody's failure.
  if (draining_) {
    Close();
    return false;
  }
  if (!EndAttempt()) return false;
  Failure = {kind, std::move(message)};
  return Raise(OnError, *this, retry);
}

void TRequest::SocketException(const std::string& error) {
  // The socket is aborted already; what this attempt left (a partial file) goes with it.
  Close();
  Raise(OnException, *this, error);
}

bool TRequest::Progress(std::uint8_t code) {
  Status = code;
  return Raise(OnStatus, *this);
}

void TRequest::Log(std::string_view line) {
  if (OnLog) OnLog(*this, TimeOfDay(clock_.Now()) + " " + std::string(line));
}

void TRequest::Trace(std::string_view line) {
  if (session_.Trace) Log(line);
}

}  // namespace korvane
