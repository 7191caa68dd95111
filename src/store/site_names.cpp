#include "store/site_names.h"

#include <array>
#include <cstdint>

#include "base/file_name.h"
#include "base/percent_escape.h"
#include "base/text_case.h"
#include "html/url.h"
#include "store/mime_list.h"

namespace korvane {
namespace {

constexpr std::size_t kPartMax = 150;
constexpr std::size_t kPartKept = 140;

struct TTypeOfExtension {
  std::string_view Extension;
  std::string_view ContentType;
};

// What browsers read a file of each extension as, for the types servers name most.
constexpr std::array<TTypeOfExtension, 36> kBrowserTypes = {{
    {"html", "text/html"},
    {"htm", "text/html"},
    {"xhtml", "application/xhtml+xml"},
    {"css", "text/css"},
    {"js", "text/javascript"},
    {"mjs", "text/javascript"},
    {"js", "application/javascript"},
    {"mjs", "application/javascript"},
    {"js", "application/x-javascript"},
    {"json", "application/json"},
    {"map", "application/json"},
    {"txt", "text/plain"},
    {"xml", "text/xml"},
    {"xml", "application/xml"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"png", "image/png"},
    {"gif", "image/gif"},
    {"webp", "image/webp"},
    {"avif", "image/avif"},
    {"svg", "image/svg+xml"},
    {"ico", "image/x-icon"},
    {"ico", "image/vnd.microsoft.icon"},
    {"bmp", "image/bmp"},
    {"woff", "font/woff"},
    {"woff", "application/font-woff"},
    {"woff2", "font/woff2"},
    {"ttf", "font/ttf"},
    {"ttf", "application/x-font-ttf"},
    {"otf", "font/otf"},
    {"mp4", "video/mp4"},
    {"webm", "video/webm"},
    {"ogg", "audio/ogg"},
    {"ogv", "video/ogg"},
    {"mp3", "audio/mpeg"},
    {"pdf", "application/pdf"},
}};

std::string_view BareType(std::string_view content_type) {
  content_type = content_type.substr(0, content_type.find(';'));
  while (!content_type.empty() && content_type.back() == ' ') content_type.remove_suffix(1);
  return content_type;
}

std::string PercentDecoded(std::string_view part) {
  std::string out;
  for (std::size_t i = 0; i < part.size(); ++i) {
    const int hi = part[i] == '%' && i + 2 < part.size() ? HexValue(part[i + 1]) : -1;
    const int lo = hi >= 0 ? HexValue(part[i + 2]) : -1;
    if (lo >= 0) {
      out.push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
    } else {
      out.push_back(part[i]);
    }
  }
  return out;
}

bool IsUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) continue;
    const std::size_t n = c >= 0xC2 && c <= 0xDF   ? 1
                          : c >= 0xE0 && c <= 0xEF ? 2
                          : c >= 0xF0 && c <= 0xF4 ? 3
                                                   : 0;
    if (n == 0 || i + n >= s.size()) return false;
    for (std::size_t k = 1; k <= n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

bool Unsafe(unsigned char c, bool utf8) {
  if (c < 0x20 || c == 0x7F || (c >= 0x80 && !utf8)) return true;
  return std::string_view("/\\:*?\"<>|%@").find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsDeviceName(std::string_view stem) {
  const std::string upper = AnsiUpperCase(stem);
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         upper[3] >= '1' && upper[3] <= '9';
}

// One part of a name (a folder, or a file name before its added extension), made safe.
std::string SafePart(std::string_view decoded) {
  const bool utf8 = IsUtf8(decoded);
  std::string out;
  for (std::size_t i = 0; i < decoded.size(); ++i) {
    const auto c = static_cast<unsigned char>(decoded[i]);
    const bool last = i + 1 == decoded.size();
    const bool device = i == 0 && IsDeviceName(decoded.substr(0, decoded.find('.')));
    if (Unsafe(c, utf8) || device || (last && (c == '.' || c == ' '))) {
      AppendPercentEscape(out, c);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

// A query as the address writes it: its escapes stay, and a byte no file name may hold (or a '%'
// that begins no escape) is written %XX.
std::string SafeQuery(std::string_view query) {
  const bool utf8 = IsUtf8(query);
  std::string out;
  for (std::size_t i = 0; i < query.size(); ++i) {
    const auto c = static_cast<unsigned char>(query[i]);
    const bool escape = c == '%' && i + 2 < query.size() && HexValue(query[i + 1]) >= 0 &&
                        HexValue(query[i + 2]) >= 0;
    if (escape || c == '@' || !Unsafe(c, utf8)) {
      out.push_back(static_cast<char>(c));
    } else {
      AppendPercentEscape(out, c);
    }
  }
  if (!out.empty() && (out.back() == '.' || out.back() == ' ')) {
    const auto last = static_cast<unsigned char>(out.back());
    out.pop_back();
    AppendPercentEscape(out, last);
  }
  return out;
}

std::uint32_t Fnv1a(std::string_view s) {
  std::uint32_t h = 2166136261u;
  for (char c : s) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

// A part cut to kPartKept bytes (never inside a character) with "~" and the whole part's hash.
std::string Bounded(std::string part) {
  if (part.size() <= kPartMax) return part;
  static constexpr char kHex[] = "0123456789abcdef";
  const std::uint32_t hash = Fnv1a(part);
  std::size_t cut = kPartKept;
  while (cut > 0 && (static_cast<unsigned char>(part[cut]) & 0xC0) == 0x80) --cut;
  part.resize(cut);
  part.push_back('~');
  for (int shift = 28; shift >= 0; shift -= 4) part.push_back(kHex[(hash >> shift) & 15]);
  return part;
}

std::string HostFolder(const TUrl& url) {
  std::string host = AnsiLowerCase(url.Host);
  const std::int32_t own = url.Protocol == kProtocolHttps ? kHttpsPort : kHttpPort;
  if (url.Port >= 0 && url.Port != own) host += "_" + std::to_string(url.Port);
  return Bounded(SafePart(host));
}

std::string_view ExtensionOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? std::string_view() : name.substr(dot + 1);
}

}  // namespace

bool ExtensionFitsType(std::string_view name_extension, std::string_view extension,
                       std::string_view content_type) {
  if (name_extension.empty()) return false;
  if (SameAsciiNoCase(name_extension, extension)) return true;
  const std::string_view type = BareType(content_type);
  for (const TTypeOfExtension& known : kBrowserTypes) {
    if (SameAsciiNoCase(known.Extension, name_extension) &&
        SameAsciiNoCase(known.ContentType, type)) {
      return true;
    }
  }
  const TDocumentType* document = DocumentTypeOfExtension(name_extension);
  return document && SameAsciiNoCase(document->ContentType, type);
}

std::string SiteFileName(std::string_view url, std::string_view extension,
                         std::string_view content_type) {
  const TUrl parsed(url);
  if (parsed.Protocol != kProtocolHttp && parsed.Protocol != kProtocolHttps) return {};
  if (parsed.Host.empty()) return {};
  std::string name = HostFolder(parsed);
  name.push_back('/');
  const std::string_view path = parsed.Path;
  for (std::size_t start = 1; start < path.size();) {
    const std::size_t slash = path.find('/', start);
    if (slash == std::string_view::npos) break;
    if (slash > start) name += Bounded(SafePart(PercentDecoded(path.substr(start, slash - start))));
    name.push_back('/');
    start = slash + 1;
  }
  const std::string_view document = parsed.Document;
  const std::size_t mark = document.find('?');
  const std::string file = PercentDecoded(document.substr(0, mark));
  std::string stem = file.empty() ? std::string("index") : SafePart(file);
  const bool query = mark != std::string_view::npos && mark + 1 < document.size();
  if (query) stem += "@" + SafeQuery(document.substr(mark + 1));
  const bool fits = !query && ExtensionFitsType(ExtensionOf(file), extension, content_type);
  if (fits) {
    const std::size_t dot = stem.rfind('.');
    name += Bounded(stem.substr(0, dot)) + stem.substr(dot);
  } else {
    name += Bounded(stem);
    if (!extension.empty()) name += "." + std::string(extension);
  }
  return IsWebFileName(name) ? name : std::string();
}

std::string NumberedSiteName(std::string_view name, unsigned n) {
  const std::string_view folder = WebFileFolder(name);
  const std::string_view file = name.substr(folder.size());
  const std::size_t dot = file.rfind('.');
  const std::size_t at = dot == std::string_view::npos || dot == 0 ? file.size() : dot;
  std::string out(folder);
  out += file.substr(0, at);
  out += "~" + std::to_string(n);
  out += file.substr(at);
  return out;
}

}  // namespace korvane
