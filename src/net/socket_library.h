// The socket library as the socket component sees it: resolve, connect, send and abort, with the
// outcome reported through callbacks on the program's one thread. The production library runs
// over Asio; tests install a scripted one. Nothing here knows how the bytes travel.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

// The library's name for one connection attempt; 0 means "none" (a refused start).
using TScxHandle = std::uint32_t;

// Why a fetch failed: the kind, for the program's decisions, and words a user reads
// ("connection refused"). The socket library reports the first kinds; a request adds the others.
struct TNetError {
  enum TKind : std::uint8_t {
    kNone = 0,
    kOther,        // anything not named below
    kRefused,      // nothing listens on that port
    kTimedOut,     // no answer, or a silence longer than the attempt's time-out
    kUnreachable,  // no route to the host or its network
    kNoHost,       // the host name is unknown
    kProtocol,     // the server's answer cannot be read (a header without end, a body cut short)
    kLocalFile,    // the body could not be written to disk
    kTls,          // no secure connection: the certificate refused (what is wrong with it is in
                   // the words), a handshake that failed, trust that could not be read
    kClosedEarly,  // the server closed the connection before the first byte of its answer (a
                   // server that takes so many connections and closes the others)
    kTooSlow,      // the answer came slower than the low-speed limit for its whole time
    kDiskFull,     // the body could not be written because the disk is full
    kUnsupported,  // the address's scheme is not one the program fetches
    kTooLarge,     // the decoded body grew beyond the file size limit, or is a compression bomb
  };
  TKind Kind = kNone;
  std::string Message;
};

// What a TLS connection asks of its server: the name its certificate must carry (also sent in
// the handshake, unless it is an IP address), the certificates trusted besides the system's own,
// or no check at all.
struct TTlsRequest {
  std::string ServerName;
  std::string CaFile;  // a PEM file of certificates to trust as well; empty: the system's only
  bool Verify = true;  // false accepts any certificate: unsafe
};

// What the library calls back, always on the thread that pumps its messages. Every attempt
// started by Go ends with exactly one of OnNoHost, OnFail or OnCut, unless it is aborted first.
class TSocketCallbacks {
 public:
  virtual ~TSocketCallbacks() = default;
  virtual void NoHost(TScxHandle handle) = 0;
  virtual void OkHost(TScxHandle handle) = 0;
  virtual void Fail(TScxHandle handle, const TNetError& error) = 0;
  virtual void Connect(TScxHandle handle, std::string_view distant_ip) = 0;
  virtual void Cut(TScxHandle handle) = 0;
  virtual void CanWrite(TScxHandle handle) = 0;
  // The bytes are valid only during the call.
  virtual void Data(TScxHandle handle, const char* buf, int len) = 0;
};

class TSocketLibrary {
 public:
  virtual ~TSocketLibrary() = default;
  // Called once when the library is installed; `callbacks` outlives the library's use.
  virtual void Init(TSocketCallbacks* callbacks) = 0;
  // Called once when the library is uninstalled, after every connection was aborted.
  virtual void Shut() = 0;
  // Starts resolving `host` and connecting to `port` (decimal text). `timeout_secs` bounds the
  // connection attempt and every silence of the peer afterwards. 0 when the start is refused.
  // With `tls` the connection is a secure one: Connect is reported once its handshake is done,
  // and a handshake that fails ends the attempt with Fail (kind kTls).
  virtual TScxHandle Go(std::string_view host, std::string_view port, int timeout_secs,
                        const TTlsRequest* tls = nullptr) = 0;
  // Makes a connected connection a secure one (after a proxy opened a tunnel through it): the
  // bytes that follow are TLS. CanWrite is reported once the handshake is done; a handshake that
  // fails ends the attempt with Fail (kind kTls). False when the handle is not a plain connected
  // connection.
  virtual bool StartTls(TScxHandle handle, const TTlsRequest& tls) = 0;
  // Queues bytes for sending; the result is the library's own and only passed back.
  virtual int Send(TScxHandle handle, std::string_view bytes) = 0;
  // Ends the attempt at once; no callback for `handle` follows.
  virtual void Abort(TScxHandle handle) = 0;
};

}  // namespace korvane
