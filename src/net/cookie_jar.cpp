#include "net/cookie_jar.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

#include "base/date_time.h"
#include "base/text_case.h"
#include "html/url.h"

namespace korvane {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Splits at the first `separator`: the part before and the part after (empty when none).
std::pair<std::string_view, std::string_view> Cut(std::string_view text, char separator) {
  const std::size_t at = text.find(separator);
  if (at == std::string_view::npos) return {text, {}};
  return {text.substr(0, at), text.substr(at + 1)};
}

bool IsIpAddress(std::string_view host) {
  return host.find(':') != std::string_view::npos ||
         (!host.empty() && std::all_of(host.begin(), host.end(),
                                       [](char c) { return c == '.' || (c >= '0' && c <= '9'); }));
}

// A name as DNS and IP literals spell it: nothing that could read as another field of a
// cookies.txt line (a comment's '#', a tab) or begin with the dot of a domain.
bool IsHostName(std::string_view host) {
  return !host.empty() && host.front() != '.' && std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_' ||
           c == ':' || c == '[' || c == ']';
  });
}

std::optional<std::int64_t> Number(std::string_view text) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data() + (!text.empty() && text[0] == '+'), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return value;
}

// The path a cookie takes when it names none: the request's folder, without its last slash.
std::string DefaultPath(std::string_view url) {
  std::string path = GetPath(url);
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path.empty() || path.front() != '/' ? std::string("/") : path;
}

std::string RequestPath(std::string_view url) {
  std::string target = GetTarget(url);
  target = std::string(Cut(target, '?').first);
  return target.empty() ? std::string("/") : target;
}

struct TAttributes {
  std::optional<std::int64_t> MaxAge;
  std::optional<std::int64_t> Expires;
  std::string Domain;
  std::string Path;
  bool Secure = false;
  bool HttpOnly = false;
};

TAttributes ReadAttributes(std::string_view rest) {
  TAttributes a;
  while (!rest.empty()) {
    auto [attribute, next] = Cut(rest, ';');
    rest = next;
    auto [name, value] = Cut(attribute, '=');
    name = Trimmed(name);
    value = Trimmed(value);
    if (SameAsciiNoCase(name, "Max-Age")) {
      if (auto seconds = Number(value.substr(value.starts_with('-')))) {
        a.MaxAge = value.starts_with('-') ? -*seconds : *seconds;
      }
    } else if (SameAsciiNoCase(name, "Expires")) {
      if (auto date = ParseCookieDate(value)) a.Expires = date;
    } else if (SameAsciiNoCase(name, "Domain")) {
      if (value.starts_with('.')) value.remove_prefix(1);
      if (!value.empty()) a.Domain = AnsiLowerCase(value);
    } else if (SameAsciiNoCase(name, "Path")) {
      a.Path = value.starts_with('/') ? std::string(value) : std::string();
    } else if (SameAsciiNoCase(name, "Secure")) {
      a.Secure = true;
    } else if (SameAsciiNoCase(name, "HttpOnly")) {
      a.HttpOnly = true;
    }
  }
  return a;
}

constexpr std::string_view kHttpOnlyPrefix = "#HttpOnly_";

}  // namespace

bool CookieDomainMatches(std::string_view host, std::string_view domain) {
  if (host.size() == domain.size()) return SameAsciiNoCase(host, domain);
  if (IsIpAddress(host) || host.size() < domain.size() + 1) return false;
  return host[host.size() - domain.size() - 1] == '.' &&
         SameAsciiNoCase(host.substr(host.size() - domain.size()), domain);
}

bool CookiePathMatches(std::string_view request_path, std::string_view cookie_path) {
  if (!request_path.starts_with(cookie_path)) return false;
  return request_path.size() == cookie_path.size() || cookie_path.ends_with('/') ||
         request_path[cookie_path.size()] == '/';
}

// The lenient date of cookies: a time, a day, a month's name and a year in any order, between
// any delimiters ("Wed, 09 Jun 2021 10:18:14 GMT", "Wed, 09-Jun-21 10:18:14 GMT").
std::optional<std::int64_t> ParseCookieDate(std::string_view text) {
  static constexpr std::array<std::string_view, 12> kMonths = {
      "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
  int hour = -1, minute = 0, second = 0, day = -1, month = -1, year = -1;
  auto is_delimiter = [](char c) {
    return c == '\t' || (c >= 0x20 && c <= 0x2f) || (c >= 0x3b && c <= 0x40) ||
           (c >= 0x5b && c <= 0x60) || (c >= 0x7b && c <= 0x7e);
  };
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && is_delimiter(text[i])) ++i;
    std::size_t end = i;
    while (end < text.size() && !is_delimiter(text[end])) ++end;
    const std::string_view token = text.substr(i, end - i);
    i = end;
    if (token.empty()) continue;
    int h = 0, m = 0, s = 0;
    const auto named = token.size() >= 3 ? std::find(kMonths.begin(), kMonths.end(),
                                                     AnsiLowerCase(token.substr(0, 3)))
                                         : kMonths.end();
    if (hour < 0 && std::sscanf(std::string(token).c_str(), "%2d:%2d:%2d", &h, &m, &s) == 3) {
      hour = h, minute = m, second = s;
    } else if (month < 0 && named != kMonths.end()) {
      month = static_cast<int>(named - kMonths.begin());
    } else if (auto n = Number(token); n && day < 0 && token.size() <= 2) {
      day = static_cast<int>(*n);
    } else if (n && year < 0 && token.size() >= 2 && token.size() <= 4) {
      year = static_cast<int>(*n);
    }
  }
  if (year >= 70 && year <= 99) year += 1900;
  if (year >= 0 && year <= 69) year += 2000;
  if (hour < 0 || day < 1 || day > 31 || month < 0 || year < 1601 || hour > 23 || minute > 59 ||
      second > 59) {
    return std::nullopt;
  }
  const long long days =
      DaysFromCivil(year, static_cast<unsigned>(month + 1), static_cast<unsigned>(day));
  return days * 86400 + hour * 3600 + minute * 60 + second;
}

bool TCookieJar::Take(std::string_view set_cookie, std::string_view url, std::int64_t now) {
  // A control character could end the header line the cookie is sent back in.
  if (set_cookie.size() > kMaxCookieBytes || HasControlCharacter(set_cookie)) return false;
  auto [pair, rest] = Cut(set_cookie, ';');
  auto [name, value] = Cut(pair, '=');
  if (pair.find('=') == std::string_view::npos || Trimmed(name).empty()) return false;
  const TAttributes a = ReadAttributes(rest);
  const std::string host = AnsiLowerCase(GetHost(url));
  // A host or path that could not go into a header line or a cookies.txt line unchanged.
  if (!IsHostName(host) || HasControlCharacter(GetPath(url))) return false;
  TCookie cookie;
  cookie.Name = std::string(Trimmed(name));
  cookie.Value = std::string(Trimmed(value));
  if (!a.Domain.empty()) {
    // A domain of one label ("com") would reach every site under it.
    const bool one_label = a.Domain.find('.') == std::string::npos && a.Domain != host;
    if (!CookieDomainMatches(host, a.Domain) || one_label) return false;
    cookie.Domain = a.Domain;
    cookie.HostOnly = false;
  } else {
    cookie.Domain = host;
  }
  // A secure cookie set over plain http could overwrite one the https site relies on.
  if (a.Secure && !IsSecure(url)) return false;
  cookie.Path = a.Path.empty() ? DefaultPath(url) : a.Path;
  cookie.Secure = a.Secure;
  cookie.HttpOnly = a.HttpOnly;
  if (a.MaxAge) {
    cookie.Expires = *a.MaxAge <= 0 ? 1 : now + *a.MaxAge;
  } else if (a.Expires) {
    cookie.Expires = std::max<std::int64_t>(*a.Expires, 1);
  }
  Store(std::move(cookie), now);
  return true;
}

void TCookieJar::Store(TCookie cookie, std::int64_t now) {
  auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const TCookie& c) {
    return c.Name == cookie.Name && c.Domain == cookie.Domain && c.Path == cookie.Path;
  });
  const bool expired = cookie.Expires != 0 && cookie.Expires <= now;
  if (same != cookies_.end()) {
    cookie.Created = same->Created;
    if (expired) {
      cookies_.erase(same);
    } else {
      *same = std::move(cookie);
    }
    return;
  }
  if (expired) return;
  cookie.Created = next_created_++;
  const std::string domain = cookie.Domain;
  cookies_.push_back(std::move(cookie));
  Evict(domain);
}

void TCookieJar::Evict(const std::string& domain) {
  auto oldest_of = [&](auto keep) {
    auto oldest = cookies_.end();
    for (auto it = cookies_.begin(); it != cookies_.end(); ++it) {
      if (keep(*it) && (oldest == cookies_.end() || it->Created < oldest->Created)) oldest = it;
    }
    if (oldest != cookies_.end()) cookies_.erase(oldest);
  };
  const auto of_domain = [&](const TCookie& c) { return c.Domain == domain; };
  if (static_cast<std::size_t>(std::count_if(cookies_.begin(), cookies_.end(), of_domain)) >
      kMaxPerDomain) {
    oldest_of(of_domain);
  }
  if (cookies_.size() > kMaxCookies) oldest_of([](const TCookie&) { return true; });
}

std::string TCookieJar::HeaderFor(std::string_view url, std::int64_t now) const {
  const std::string host = AnsiLowerCase(GetHost(url));
  const std::string path = RequestPath(url);
  const bool secure = IsSecure(url);
  std::vector<const TCookie*> sent;
  for (const TCookie& c : cookies_) {
    const bool host_ok = c.HostOnly ? host == c.Domain : CookieDomainMatches(host, c.Domain);
    if (host_ok && CookiePathMatches(path, c.Path) && (secure || !c.Secure) &&
        (c.Expires == 0 || c.Expires > now)) {
      sent.push_back(&c);
    }
  }
  // Longer paths first, then the older: the order servers expect.
  std::stable_sort(sent.begin(), sent.end(), [](const TCookie* a, const TCookie* b) {
    if (a->Path.size() != b->Path.size()) return a->Path.size() > b->Path.size();
    return a->Created < b->Created;
  });
  std::string header;
  for (const TCookie* c : sent) {
    if (!header.empty()) header += "; ";
    header += c->Name + "=" + c->Value;
  }
  return header;
}

std::optional<std::string> TCookieJar::Import(std::string_view text, std::int64_t now) {
  std::vector<TCookie> read;
  int line_number = 0;
  while (!text.empty()) {
    auto [line, rest] = Cut(text, '\n');
    text = rest;
    ++line_number;
    if (line.ends_with('\r')) line.remove_suffix(1);
    bool http_only = false;
    if (line.starts_with(kHttpOnlyPrefix)) {
      line.remove_prefix(kHttpOnlyPrefix.size());
      http_only = true;
    } else if (Trimmed(line).empty() || line.starts_with('#')) {
      continue;
    }
    std::vector<std::string_view> fields;
    for (std::string_view f = line;;) {
      auto [field, after] = Cut(f, '\t');
      fields.push_back(field);
      if (f.find('\t') == std::string_view::npos) break;
      f = after;
    }
    const auto expires = fields.size() == 7 ? Number(fields[4]) : std::nullopt;
    auto flag = [](std::string_view f) { return SameAsciiNoCase(f, "TRUE"); };
    auto is_flag = [](std::string_view f) {
      return SameAsciiNoCase(f, "TRUE") || SameAsciiNoCase(f, "FALSE");
    };
    if (!expires || !is_flag(fields[1]) || !is_flag(fields[3]) || fields[0].empty() ||
        fields[5].empty() || !fields[2].starts_with('/') ||
        std::any_of(fields.begin(), fields.end(), HasControlCharacter)) {
      return "line " + std::to_string(line_number) +
             " is not a cookie (7 fields separated by tabs are expected: domain, subdomains "
             "TRUE/FALSE, path, secure TRUE/FALSE, expiry, name, value)";
    }
    std::string_view domain = fields[0];
    const bool leading_dot = domain.starts_with('.');
    if (leading_dot) domain.remove_prefix(1);
    TCookie& c = read.emplace_back();
    c.Name = std::string(fields[5]);
    c.Value = std::string(fields[6]);
    c.Domain = AnsiLowerCase(domain);
    c.HostOnly = !flag(fields[1]) && !leading_dot;
    c.Path = std::string(fields[2]);
    c.Secure = flag(fields[3]);
    c.HttpOnly = http_only;
    c.Expires = std::max<std::int64_t>(*expires, 0);
  }
  for (TCookie& cookie : read) Store(std::move(cookie), now);
  return std::nullopt;
}

std::string TCookieJar::Export(std::int64_t now) const {
  std::string text = "# Netscape HTTP Cookie File\n";
  for (const TCookie& c : cookies_) {
    if (c.Expires != 0 && c.Expires <= now) continue;
    text += std::string(c.HttpOnly ? kHttpOnlyPrefix : "") + (c.HostOnly ? "" : ".") + c.Domain +
            "\t" + (c.HostOnly ? "FALSE" : "TRUE") + "\t" + c.Path + "\t" +
            (c.Secure ? "TRUE" : "FALSE") + "\t" + std::to_string(c.Expires) + "\t" + c.Name +
            "\t" + c.Value + "\n";
  }
  return text;
}

}  // namespace korvane
