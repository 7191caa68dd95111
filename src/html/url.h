// Addresses: TUrl splits an address into protocol, host, port, directory path, document and
// query, optionally relative to a base address, and normalises the path. Every address stored
// in a web is in the canonical form of TUrl::ToString, so equal addresses compare equal as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

enum TProtocol : std::uint8_t {
  kProtocolHttp = 0,  // also when the address names no protocol
  kProtocolFtp = 1,
  kProtocolNews = 2,
  kProtocolMailto = 3,
  kProtocolFile = 4,
  kProtocolHttps = 5,  // a web protocol, as http is
  // A scheme TUrl does not know ("javascript:", "data:", "gopher:"): the address is absolute and
  // is kept as written, never resolved against a base and never fetched.
  kProtocolOther = 6,
};
inline constexpr std::size_t kProtocolCount = 7;

// The port of a web protocol when an address names none.
inline constexpr std::int32_t kHttpPort = 80;
inline constexpr std::int32_t kHttpsPort = 443;

class TUrl {
 public:
  TUrl() = default;
  // Parses `address` (cut at 255 bytes), relative to `base` when one is given. User information
  // ("user:password@") is not part of the host; an IPv6 host keeps its brackets ("[::1]") and
  // its port follows them.
  explicit TUrl(std::string_view address, const TUrl* base = nullptr) { Parse(address, base); }

  // Parses again into this object; reuses the fields' storage.
  void Parse(std::string_view address, const TUrl* base = nullptr);

  // The canonical form: protocol + "//" + host + (":" + port) + path + document.
  std::string ToString() const;

  std::uint8_t Protocol = kProtocolHttp;
  std::string Host;        // without the port
  std::int32_t Port = -1;  // -1 when the address gives none
  std::string Path;        // normalised, begins and ends with a separator
  std::string Document;    // the name after the last separator, followed by the query
  std::string Query;       // from the first '?' on, '?' included
  std::string Scheme;      // kProtocolOther: the scheme as written, with its colon

 private:
  void SplitDocument();
  void NormalisePath();
};

// The canonical form of `address` resolved against `base_address` (alone when that is empty).
std::string Resolve(std::string_view address, std::string_view base_address = {});

std::string GetHost(std::string_view address);
std::string GetPath(std::string_view address);
std::string GetDocument(std::string_view address);
// The address's port; when it gives none, 443 for https and 80 otherwise.
std::int32_t GetPort(std::string_view address);
// Whether the address is fetched over TLS.
bool IsSecure(std::string_view address);
// Path + document: the target of a direct request.
std::string GetTarget(std::string_view address);
// The host without its last label, reduced to its last remaining label ("www.site.com" gives
// "site").
std::string GetDomainName(std::string_view address);
// The host's first label; the address itself when the host has no dot.
std::string GetMachineName(std::string_view address);
// ftp:, news:, mailto: and file: addresses, and those of a scheme TUrl does not know (http: and
// https: are the web's).
bool HasOtherProtocol(std::string_view address);
// The same address under the other web protocol, both on their default port ("https://h/a" for
// "http://h/a"), canonical; empty when there is none (another protocol, or a port named).
std::string OtherWebProtocol(std::string_view address);
// The host holds a dot (or is an IPv6 host in brackets). Colons in the path and the document are
// allowed.
bool IsWebAddress(std::string_view address);
// The host as a name resolver takes it: an IPv6 host without its brackets.
std::string_view HostToResolve(std::string_view host);
// The address with the bytes that cannot travel in a request or a link as they are (blanks,
// control bytes, bytes above 126) percent-encoded.
std::string PercentEncoded(std::string_view address);

}  // namespace korvane
