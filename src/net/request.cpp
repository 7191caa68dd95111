#include "net/request.h"

#include <algorithm>
#include <cstdio>

#include "base/log_texts.h"
#include "base/short_string.h"
#include "html/url.h"
#include "net/base64.h"
#include "net/host_cache.h"
#include "net/http_session.h"
#include "net/socket_hub.h"

namespace korvane {
namespace {

// "Accept:*/*" and the user agent: one 53-byte write.
constexpr std::string_view kRequestBlock =
    "Accept:*/*\r\nUser-Agent: Mozilla/2.0 (Korvane 1.073)\r\n";
static_assert(kRequestBlock.size() == 53);

const TClock& SystemClock() {
  static TSystemClock clock;
  return clock;
}

bool IsDottedAddress(std::string_view host) {
  return !host.empty() && std::count(host.begin(), host.end(), '.') == 3 &&
         std::all_of(host.begin(), host.end(),
                     [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
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
    (void)file_->Close();
    file_.reset();
    (void)fs_.RemoveFile(PartialFile());
  }
}

void TRequest::Start(std::string_view url, std::string_view proxy_address,
                     std::int32_t proxy_port) {
  // The owner starts idle slots; a busy one ends its attempt first, so no partial file is left.
  if (State != kIdle) Close();
  ++attempt_;
  Url = ShortString(url);
  ProxyAddress = ShortString(proxy_address);
  ProxyPort = proxy_port;
  Failure = {};
  Trace(IdText() + ": Open " + Url);
  // Nothing can be fetched, and the owner must hear of it: a slot that stayed silent would leave
  // its address waiting for ever.
  if (HasOtherProtocol(Url)) {
    return Fail(TNetError::kUnsupported, "the scheme of " + Url + " is not supported", false);
  }
  HostAddress = GetHost(Url);
  if (IsDottedAddress(HostAddress)) return Connect();
  std::optional<std::string> cached = session_.Hosts.Find(HostAddress);
  if (!cached) return Connect();
  if (cached->empty()) return Fail(TNetError::kNoHost, "no such host");  // known not to exist
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

void TRequest::Connect() {
  State = kConnecting;
  Phase = kPhaseNone;
  WriteToFile = true;
  BodyInMemory = false;
  Body.clear();
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
  tls_started_ = false;
  // The certificate is checked against the address's host, not the address connected to.
  const TTlsRequest tls = TlsRequest();
  const bool secure = ProxyAddress.empty() && IsSecure(Url);
  if (Socket.Go(host, port, TimeoutSecs, secure ? &tls : nullptr) != 0) {
    return Progress(kStatusConnecting);
  }
  std::uint64_t attempt = attempt_;
  Fail(TNetError::kOther, "the connection could not be started");
  if (attempt == attempt_) Progress(kStatusFailed);
}

bool TRequest::CredentialsApply() const {
  return SameText(credentials_host_, GetHost(Url)) && credentials_port_ == GetPort(Url);
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
  State = kTunnelling;
  Socket.Send("CONNECT " + authority + " HTTP/1.0\r\nHost: " + authority + "\r\n");
  Socket.Send(kRequestBlock);
  Socket.Send("\r\n");
}

// The proxy's answer to CONNECT: a header, then nothing until the client speaks TLS.
void TRequest::ReceiveTunnelBytes(std::string_view bytes) {
  if (tls_started_) return Fail(TNetError::kProtocol, "the proxy sent bytes into the tunnel");
  const std::size_t end = scanner_.Feed(bytes);
  const std::string_view answer = bytes.substr(0, end);
  if (Buffer.Size() + answer.size() > kMaxHeaderBytes || !Buffer.Write(answer)) {
    return Fail(TNetError::kProtocol, "the proxy's answer does not end");
  }
  if (end == std::string_view::npos) return;
  if (end < bytes.size()) {
    return Fail(TNetError::kProtocol, "the proxy sent bytes before the secure connection began");
  }
  THTTPHEADER header;
  THttpDateParts dates;  // the proxy's dates are not the servers'
  header.Parse(Buffer.View(), clock_.Now(), dates);
  Buffer.Reset();
  scanner_.Reset();
  if (header.Status < 200 || header.Status > 299) {
    return Fail(TNetError::kProtocol, "the proxy refused a tunnel to " + GetHost(Url) + ":" +
                                          std::to_string(GetPort(Url)) + " (" +
                                          std::to_string(header.Status) + ")");
  }
  tls_started_ = true;
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

void TRequest::SendRequest() {
  Trace(IdText() + ": Send");
  State = kSending;
  Socket.Send("GET " + RequestTarget() + " HTTP/1.0\r\n");
  Socket.Send(HostLine());
  Socket.Send(kRequestBlock);
  if (!Cookie.empty()) Socket.Send("Cookie :" + Cookie + "\r\n");
  if (!Credentials.empty() && CredentialsApply())
    Socket.Send("Authorization: Basic " + Credentials + "\r\n");
  Socket.Send("\r\n");
  State = kReceiving;
  Phase = kPhaseHeader;
  Progress(kStatusSent);
}

void TRequest::SocketNoHost(TSCX& sender) {
  if (&sender != &Socket) return;
  Trace(IdText() + ":SCX_NoHost");
  if (State != kConnecting) return;
  session_.Hosts.Add(Socket.Host, "");
  Log(GetHost(Url) + std::string(kLogHostNotFound));
  std::uint64_t attempt = attempt_;
  Fail(TNetError::kNoHost, "no such host");
  if (attempt != attempt_) return;
  Socket.Abort();
  Progress(kStatusFailed);
}

void TRequest::SocketOkHost(TSCX& sender) {
  if (&sender != &Socket) return;
  Progress(kStatusHostFound);
  if (State == kConnecting) Trace(IdText() + ":SCX_OkHost");
}

void TRequest::SocketFail(TSCX& sender) {
  if (&sender != &Socket) return;
  std::uint64_t attempt = attempt_;
  Progress(kStatusFailed);
  Trace(GetHost(Url) + " : SCX_Fail");
  TNetError error = Socket.LastError;
  if (error.Kind == TNetError::kNone) error.Kind = TNetError::kOther;
  if (error.Message.empty()) error.Message = "the connection failed";
  // A refused certificate, or a server that does not speak TLS, is no better at the next trial:
  // it is always logged, for the user to judge, and not tried again.
  const bool tls = error.Kind == TNetError::kTls;
  if (tls) Log(Url + std::string(kLogTlsFailed) + error.Message);
  Fail(error.Kind, error.Message, !tls);
  if (attempt == attempt_) Disconnected();
}

void TRequest::SocketConnect(TSCX& sender, const std::string& distant_ip) {
  if (&sender != &Socket) return;
  session_.Hosts.Add(Socket.Host, distant_ip);
  std::uint64_t attempt = attempt_;
  Progress(kStatusConnected);
  if (attempt != attempt_ || State != kConnecting) return;
  (void)CloseOutput();
  speed_window_start_ = clock_.TickMs();
  speed_window_bytes_ = 0;
  HeaderLength = 0;
  Buffer.Reset();
  scanner_.Reset();
  OutputFile.clear();
  if (Tunnelled()) return SendTunnelRequest();
  SendRequest();
}

void TRequest::SocketCanWrite(TSCX& sender) {
  // Through a tunnel, the request goes once TLS is up.
  if (&sender == &Socket && State == kTunnelling && tls_started_) SendRequest();
}

void TRequest::SocketCut(TSCX& sender) {
  if (&sender != &Socket) return;
  Disconnected();
}

void TRequest::SocketData(TSCX& sender, const char* buf, int len) {
  if (&sender != &Socket || len < 0) return;
  std::uint64_t attempt = attempt_;
  speed_window_bytes_ += len;
  auto still = [&] { return attempt == attempt_ && State == kReceiving && Phase != kPhaseNone; };
  Progress(kStatusData);
  Trace(IdText() + ": SCX_Data");
  if (attempt == attempt_ && State == kTunnelling) {
    return ReceiveTunnelBytes(std::string_view(buf, static_cast<std::size_t>(len)));
  }
  if (!still()) return;
  if (OnReceive) OnReceive(*this, buf, len);
  if (!still()) return;
  std::string_view bytes(buf, static_cast<std::size_t>(len));
  if (Phase == kPhaseHeader) {
    ReceiveHeaderBytes(bytes);
  } else {
    ReceiveBodyBytes(bytes);
    if (still() && OnProgress) OnProgress(len);
  }
  if (still() && Phase == kPhaseBody && OnBody) OnBody(*this);
}

void TRequest::ReceiveHeaderBytes(std::string_view bytes) {
  std::uint64_t attempt = attempt_;
  std::size_t end = scanner_.Feed(bytes);
  std::size_t header_bytes = Buffer.Size() + (end == std::string_view::npos ? bytes.size() : end);
  // A header that never ends must not grow the buffer without bound: fail as a connection would.
  if (header_bytes > kMaxHeaderBytes || !Buffer.Write(bytes)) {
    return Fail(TNetError::kProtocol, "the response header does not end");
  }
  if (OnProgress) OnProgress(static_cast<int>(bytes.size()));
  if (attempt != attempt_ || State != kReceiving || end == std::string_view::npos) return;
  HeaderLength = static_cast<std::int32_t>(header_bytes);
  HeaderComplete();
}

void TRequest::HeaderComplete() {
  std::uint64_t attempt = attempt_;
  Phase = kPhaseBody;
  std::string_view body = Buffer.View().substr(static_cast<std::size_t>(HeaderLength));
  Header.Parse(Buffer.View().substr(0, static_cast<std::size_t>(HeaderLength)), clock_.Now(),
               session_.DateParts);
  if (Header.ContentLength == 0) Header.ContentLength = static_cast<std::int32_t>(body.size());
  if (OnHeader) {
    bool keep = OnHeader(*this);
    if (attempt != attempt_ || State != kReceiving) return;
    if (!keep || OutputFile.empty()) {
      Trace(IdText() + ": Filtered");
      return Close();
    }
  }
  BodyInMemory = BodyInMemory && WriteToFile;
  Body.clear();
  file_bytes_ = 0;
  // Without a file the body would be lost and the end reported as a success: fail now.
  if (WriteToFile && !BodyInMemory && !OpenOutput()) {
    return Fail(TNetError::kLocalFile, "cannot create the file " + OutputFile);
  }
  if (!ReceiveBodyBytes(body)) return;
  Buffer.Reset();
}

bool TRequest::ReceiveBodyBytes(std::string_view bytes) {
  if (!WriteToFile) return true;
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

bool TRequest::WriteFailed(std::string_view what) {
  // A full disk stops the whole capture; another failure is this file's alone.
  if (file_ && IsDiskFullError(fs_.LastError())) {
    Fail(TNetError::kDiskFull, fs_.LastError(), false);
  } else {
    Fail(TNetError::kLocalFile, std::string(what) + OutputFile);
  }
  return false;
}

std::string TRequest::PartialFile() const { return OutputFile + std::string(kPartialSuffix); }

void TRequest::Disconnected() {
  std::uint64_t attempt = attempt_;
  Trace(IdText() + ": Disconnect");
  Progress(kStatusClosed);
  if (attempt != attempt_) return;
  if (Phase != kPhaseBody) {
    // Already ended (a failure reported before the cut): nothing more to say.
    if (State == kIdle) {
      Phase = kPhaseNone;
      Buffer.Reset();
      return;
    }
    // The server closed before its answer was whole: an attempt that failed, as a refused
    // connection is, so that the owner may try the address again.
    if (Buffer.Size() == 0) {
      return Fail(TNetError::kClosedEarly, "the server closed the connection without answering");
    }
    return Fail(TNetError::kProtocol, "the server closed the connection inside its header");
  }
  State = kIdle;
  Socket.Abort();
  Phase = kPhaseNone;
  bool complete = true;
  if (file_ || BodyInMemory) {
    std::int32_t announced = Header.LengthAnnounced ? Header.ContentLength : 0;
    Header.ContentLength =
        static_cast<std::int32_t>(std::min<std::int64_t>(file_bytes_, INT32_MAX));
    const bool on_disk = file_ != nullptr;
    // A body shorter than its header announced was cut off: not a captured file.
    complete = CloseOutput() && file_bytes_ >= announced;
    if (!complete) DropBody();
    if (complete && on_disk && !fs_.RenameFile(PartialFile(), OutputFile)) {
      DropBody();
      return Fail(TNetError::kLocalFile, "cannot write the file " + OutputFile);
    }
  }
  if (Url.find(kTraceMarker) != std::string::npos) session_.Trace = true;
  if (!complete) return Fail(TNetError::kProtocol, "the body is shorter than announced");
  if (OnDone) OnDone(*this);
}

bool TRequest::OpenOutput() {
  (void)CloseOutput();
  file_ = fs_.OpenForWrite(PartialFile());
  file_bytes_ = 0;
  return file_ != nullptr;
}

void TRequest::DropBody() {
  if (BodyInMemory) {
    std::string().swap(Body);
  } else {
    (void)fs_.RemoveFile(PartialFile());
  }
}

bool TRequest::CloseOutput() {
  if (!file_) return true;
  bool ok = file_->Close();
  file_.reset();
  return ok;
}

void TRequest::Close() {
  if (State == kClosing) return;
  std::uint64_t attempt = attempt_;
  State = kClosing;
  Socket.Abort();
  if (Phase == kPhaseBody && (file_ || BodyInMemory)) {
    Header.ContentLength = 0;
    if (OnBody) OnBody(*this);
    (void)CloseOutput();
    DropBody();
  }
  if (attempt != attempt_) return;
  State = kIdle;
  Phase = kPhaseNone;
  Buffer.Reset();  // a header cut short may have filled it up to its limit
  Progress(kStatusClosed);
}

void TRequest::CheckSpeed(std::int32_t bytes_per_second, std::int32_t seconds) {
  if (bytes_per_second <= 0 || seconds <= 0) return;
  // Until connected the attempt's own time-out applies.
  if (State == kIdle || State == kConnecting || State == kClosing) return;
  // A body received whole only waits for the server to close: it is not a slow transfer.
  if (Phase == kPhaseBody && Header.ContentLength > 0 && file_bytes_ >= Header.ContentLength) {
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

void TRequest::Fail(TNetError::TKind kind, std::string message, bool retry) {
  std::uint64_t attempt = attempt_;
  Trace(IdText() + ": socket error");
  Close();
  if (attempt != attempt_) return;
  Failure = {kind, std::move(message)};
  if (OnError) OnError(*this, retry);
}

void TRequest::SocketException(const std::string& error) {
  // The socket is aborted already; what this attempt left (a partial file) goes with it.
  Close();
  if (OnException) OnException(*this, error);
}

void TRequest::Progress(std::uint8_t code) {
  Status = code;
  if (OnStatus) OnStatus(*this);
}

void TRequest::Log(std::string_view line) {
  if (OnLog) OnLog(*this, TimeOfDay(clock_.Now()) + " " + std::string(line));
}

void TRequest::Trace(std::string_view line) {
  if (session_.Trace) Log(line);
}

}  // namespace korvane
