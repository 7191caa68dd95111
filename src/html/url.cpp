#include "html/url.h"

#include <array>
#include <cstring>

#include "base/number.h"
#include "base/percent_escape.h"
#include "base/short_string.h"
#include "base/text_case.h"

namespace korvane {
namespace {

// Texts written by ToString, by protocol index. "file:" keeps its colon, so that the canonical
// form of a local file's address parses again as one instead of as a relative http path.
constexpr std::array<std::string_view, kProtocolCount> kProtocolText = {
    "http:", "ftp:", "news:", "mailto:", "file:", "https:", ""};
// Prefixes recognised when parsing. "file" needs its colon: without it every relative link whose
// name starts with "file" ("files/a.htm", "filelist.html") would be taken for a local file.
constexpr std::array<std::string_view, kProtocolOther> kProtocolPrefix = {
    "http:", "ftp:", "news:", "mailto:", "file:", "https:"};

// The length of the scheme and its colon that `s` begins with (RFC 3986: a letter, then letters,
// digits, '+', '-' or '.'), 0 when it begins with none.
std::size_t SchemeLength(std::string_view s) {
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (s.empty() || !letter(s[0])) return 0;
  for (std::size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == ':') return i + 1;
    if (!(letter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')) return 0;
  }
  return 0;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsDotSegment(std::string_view seg) {
  return seg.size() == 2 && seg[0] == '.' && IsSeparator(seg[1]);
}
bool IsDotDotSegment(std::string_view seg) {
  return seg.size() == 3 && seg[0] == '.' && seg[1] == '.' && IsSeparator(seg[2]);
}

}  // namespace

void TUrl::Parse(std::string_view address, const TUrl* base) {
  std::string_view s = ShortView(address);
  Protocol = kProtocolHttp;
  bool named = false;
  for (std::size_t i = 0; i < kProtocolPrefix.size(); ++i) {
    if (SameAsciiNoCase(s.substr(0, kProtocolPrefix[i].size()), kProtocolPrefix[i])) {
      Protocol = static_cast<std::uint8_t>(i);
      s.remove_prefix(kProtocolPrefix[i].size());
      named = true;
      break;
    }
  }
  Scheme.clear();
  // "javascript:go()" or "data:..." names its own scheme: made relative to the page, it would
  // become an http address of the page's server that no one wrote.
  if (const std::size_t scheme = named ? 0 : SchemeLength(s); scheme > 0) {
    Protocol = kProtocolOther;
    Scheme.assign(s.substr(0, scheme));
    Host.clear();
    Port = -1;
    Path.assign(1, '/');
    Document.assign(s.substr(scheme));
    Query.clear();
    return;
  }
  // A link of a secure page that names no protocol ("a.htm", "//cdn.h.com/x") stays secure.
  if (!named && base && base->Protocol == kProtocolHttps) Protocol = kProtocolHttps;

  std::size_t q = s.find('?');
  if (q != std::string_view::npos) {
    Query.assign(s.substr(q));
    s = s.substr(0, q);
  } else {
    Query.clear();
  }

  Port = -1;
  // A host is named only by a leading "//"; a doubled slash further on belongs to the path.
  if (s.starts_with("//")) {
    s.remove_prefix(2);
    std::size_t slash = s.find('/');
    std::string_view host = s.substr(0, slash);
    // "user:password@host": what comes before the last '@' names no host and has no port.
    if (const std::size_t at = host.rfind('@'); at != std::string_view::npos) {
      host.remove_prefix(at + 1);
    }
    if (slash != std::string_view::npos) {
      // The colons of an IPv6 host are its own: a port follows its closing bracket.
      const std::size_t close = host.starts_with('[') ? host.find(']') : 0;
      std::size_t colon = close == std::string_view::npos ? close : host.find(':', close);
      if (colon != std::string_view::npos) {
        Port = IntegerOr(host.substr(colon + 1), 80);
        host = host.substr(0, colon);
      }
      Host.assign(host);
      Path.assign(s.substr(slash));
    } else {
      // Without a '/' after the host, a port written there stays part of the host; the secure
      // default is dropped so that the canonical form, parsed again, stays the same.
      if (Protocol == kProtocolHttps && host.ends_with(":443")) host.remove_suffix(4);
      Host.assign(host);
      Path.assign(1, '/');
    }
  } else {
    if (base) {
      Host = base->Host;
      Port = base->Port;
    } else {
      Host.clear();
    }
    if (s.starts_with('/')) {
      Path.assign(s);
    } else {
      if (base) {
        Path = base->Path;
      } else {
        Path.assign(1, '/');
      }
      AppendShort(Path, s);
    }
  }
  // 443 is how every secure address without a port is reached: one canonical form for both.
  if (Protocol == kProtocolHttps && Port == kHttpsPort) Port = -1;
  SplitDocument();
}

void TUrl::SplitDocument() {
  if (Path == "/") {
    Document = Query;
    return;
  }
  std::size_t e = Path.find_last_of("/\\");
  if (e == std::string::npos) {
    Path.insert(0, 1, '/');
    e = 0;
  }
  // Document := what follows the last separator, then the query, with doubled separators
  // reduced to one.
  Document.clear();
  std::string_view rest = std::string_view(Path).substr(e + 1);
  for (std::string_view piece : {rest, std::string_view(Query)}) {
    for (char c : piece) {
      if (IsSeparator(c) && !Document.empty() && Document.back() == c) continue;
      Document.push_back(c);
    }
  }
  Document.resize(std::min(Document.size(), kShortStringMax));
  Path.resize(e + 1);
  NormalisePath();
}

void TUrl::NormalisePath() {
  // Segments run up to and including each separator; the first is the root and is never
  // removed. "../" takes the segment before it away; "./" and lone separators then disappear.
  std::array<std::string_view, kShortStringMax + 1> kept;
  std::size_t count = 0;
  std::string_view path = Path;
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (!IsSeparator(path[i])) continue;
    std::string_view seg = path.substr(start, i + 1 - start);
    start = i + 1;
    if (count > 0 && IsDotDotSegment(seg)) {
      if (count > 1) --count;
      continue;
    }
    kept[count++] = seg;
  }
  // Kept segments only move left, so they are compacted in place.
  std::size_t length = 0;
  for (std::size_t i = 0; i < count; ++i) {
    std::string_view seg = kept[i];
    if (i > 0 && (IsDotSegment(seg) || (seg.size() == 1 && IsSeparator(seg[0])))) continue;
    std::memmove(Path.data() + length, seg.data(), seg.size());
    length += seg.size();
  }
  Path.resize(length);
}

std::string TUrl::ToString() const {
  if (Protocol == kProtocolOther) return ShortString(Scheme + Document);
  std::string out;
  out.reserve(16 + Host.size() + Path.size() + Document.size());
  out.append(kProtocolText[Protocol < kProtocolText.size() ? Protocol : 0]);
  out.append("//");
  out.append(Host);
  if (Port != -1) {
    out.push_back(':');
    out.append(std::to_string(Port));
  }
  out.append(Path);
  out.append(Document);
  out.resize(std::min(out.size(), kShortStringMax));
  return out;
}

namespace {

// Parsing is on the hot path of every page's links: reuse the fields' storage between calls.
TUrl& ScratchUrl(int which) {
  thread_local std::array<TUrl, 2> scratch;
  return scratch[which];
}

const TUrl& Parsed(std::string_view address) {
  TUrl& url = ScratchUrl(0);
  url.Parse(address);
  return url;
}

}  // namespace

std::string Resolve(std::string_view address, std::string_view base_address) {
  if (base_address.empty()) return Parsed(address).ToString();
  TUrl& base = ScratchUrl(1);
  base.Parse(base_address);
  TUrl& url = ScratchUrl(0);
  url.Parse(address, &base);
  return url.ToString();
}

std::string GetHost(std::string_view address) { return Parsed(address).Host; }
std::string GetPath(std::string_view address) { return Parsed(address).Path; }
std::string GetDocument(std::string_view address) { return Parsed(address).Document; }

std::int32_t GetPort(std::string_view address) {
  const TUrl& url = Parsed(address);
  if (url.Port != -1) return url.Port;
  return url.Protocol == kProtocolHttps ? kHttpsPort : kHttpPort;
}

bool IsSecure(std::string_view address) { return Parsed(address).Protocol == kProtocolHttps; }

std::string GetTarget(std::string_view address) {
  const TUrl& url = Parsed(address);
  return ShortString(url.Path + url.Document);
}

std::string GetDomainName(std::string_view address) {
  std::string_view host = Parsed(address).Host;
  std::size_t dot = host.rfind('.');
  if (dot != std::string_view::npos) host = host.substr(0, dot);
  dot = host.rfind('.');
  if (dot != std::string_view::npos) host = host.substr(dot + 1);
  return std::string(host);
}

std::string GetMachineName(std::string_view address) {
  std::string_view host = Parsed(address).Host;
  std::size_t dot = host.find('.');
  if (dot == std::string_view::npos) return ShortString(address);
  return std::string(host.substr(0, dot));
}

bool HasOtherProtocol(std::string_view address) {
  const std::uint8_t protocol = Parsed(address).Protocol;
  return protocol != kProtocolHttp && protocol != kProtocolHttps;
}

std::string OtherWebProtocol(std::string_view address) {
  TUrl& url = ScratchUrl(0);
  url.Parse(address);
  if (url.Port != -1 || url.Host.empty()) return {};
  if (url.Protocol == kProtocolHttp) {
    url.Protocol = kProtocolHttps;
  } else if (url.Protocol == kProtocolHttps) {
    url.Protocol = kProtocolHttp;
  } else {
    return {};
  }
  return url.ToString();
}

bool IsWebAddress(std::string_view address) {
  const TUrl& url = Parsed(address);
  // An IPv6 host has no dot, and is no less a server's address.
  const bool server = url.Host.find('.') != std::string::npos ||
                      (url.Host.starts_with('[') && url.Host.ends_with(']'));
  // A colon after the host is the path's own ("/wiki/Portal:Packaging", an archived
  // "http://..." inside the path): a scheme is only ever read before the first '/'.
  return server;
}

std::string_view HostToResolve(std::string_view host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    return host.substr(1, host.size() - 2);
  }
  return host;
}

std::string PercentEncoded(std::string_view address) {
  std::string out;
  out.reserve(address.size());
  for (char ch : address) {
    auto c = static_cast<unsigned char>(ch);
    if (c > 0x20 && c < 0x7F) {
      out.push_back(ch);
    } else {
      AppendPercentEscape(out, c);
    }
  }
  return out;
}

}  // namespace korvane
