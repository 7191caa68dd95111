// TCookieJar: the cookies servers set during a capture, kept and sent back as a browser does
// (RFC 6265): a cookie goes only to the host or domain that may read it, under its path, over
// https only when secure, until it expires. It reads and writes the cookies.txt format that
// browsers export, so that a capture can go on with a session the user opened in a browser.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct TCookie {
  std::string Name;
  std::string Value;
  std::string Domain;    // lower case, without a leading dot
  bool HostOnly = true;  // sent to Domain only, not to its subdomains
  std::string Path = "/";
  bool Secure = false;
  bool HttpOnly = false;
  std::int64_t Expires = 0;  // seconds since 1970; 0: for the session
  std::int64_t Created = 0;  // order of creation, for the order they are sent in

  bool operator==(const TCookie&) const = default;
};

class TCookieJar {
 public:
  // A server that sets more than these is not keeping a session: the oldest go first.
  static constexpr std::size_t kMaxPerDomain = 50;
  static constexpr std::size_t kMaxCookies = 3000;
  static constexpr std::size_t kMaxCookieBytes = 4096;

  // Takes one Set-Cookie value received from `url` at `now` (seconds since 1970); a cookie its
  // rules refuse (another domain, a secure one over http, a malformed one) is dropped. True
  // when it was kept (or, being expired, removed one).
  bool Take(std::string_view set_cookie, std::string_view url, std::int64_t now);
  // The Cookie header value for a request of `url` at `now` ("a=1; b=2"), empty for none.
  std::string HeaderFor(std::string_view url, std::int64_t now) const;

  // Adds the cookies of a cookies.txt text (tab-separated, "#HttpOnly_" prefixes); expired
  // ones are skipped. On a malformed line nothing is added and the error says which line.
  std::optional<std::string> Import(std::string_view text, std::int64_t now);
  // The cookies not yet expired at `now`, as cookies.txt text.
  std::string Export(std::int64_t now) const;

  std::size_t Size() const { return cookies_.size(); }
  const std::vector<TCookie>& Cookies() const { return cookies_; }

 private:
  void Store(TCookie cookie, std::int64_t now);
  void Evict(const std::string& domain);

  std::vector<TCookie> cookies_;
  std::int64_t next_created_ = 1;
};

// Whether `host` may read a cookie of `domain` set with a Domain attribute.
bool CookieDomainMatches(std::string_view host, std::string_view domain);
// Whether a request path lies under a cookie's path.
bool CookiePathMatches(std::string_view request_path, std::string_view cookie_path);
// The date of an Expires attribute in seconds since 1970, none when it is no date.
std::optional<std::int64_t> ParseCookieDate(std::string_view text);

}  // namespace korvane
