#include "net/http_header.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <vector>

#include "base/short_string.h"
#include "base/text_case.h"
#include "html/charset.h"

namespace korvane {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// A whole word of decimal digits as a 32-bit value; 0 for anything else (a sign included: a
// negative length or status means nothing).
std::int32_t ToInt(std::string_view word) {
  std::int32_t value = 0;
  if (word.empty() || word[0] < '0' || word[0] > '9') return 0;
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size()) return 0;
  return value;
}

std::string_view TrimmedWords(std::string_view rest) {
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);
  return rest;
}

// "bytes FIRST-LAST/TOTAL" (TOTAL may be "*"); both stay -1 unless it reads so.
void ReadContentRange(std::string_view value, std::int64_t& start, std::int64_t& total) {
  start = total = -1;
  std::int64_t first = 0, last = 0, whole = -1;
  auto number = [&value](std::int64_t& n) {
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (error != std::errc() || end == value.data() || n < 0) return false;
    value.remove_prefix(static_cast<std::size_t>(end - value.data()));
    return true;
  };
  auto skip = [&value](char c) {
    if (value.empty() || value.front() != c) return false;
    value.remove_prefix(1);
    return true;
  };
  if (!SameAsciiNoCase(value.substr(0, 6), "bytes ")) return;
  value.remove_prefix(6);
  if (!number(first) || !skip('-') || !number(last) || !skip('/') || last < first) return;
  if (!skip('*') && (!number(whole) || whole <= last)) return;
  if (!value.empty()) return;
  start = first;
  total = whole;
}

// The status word as an integer, its sign included: "-200" is a status no server means as a
// success, so it must not read as 0 (no status line), which keeps the body.
std::int32_t ToStatus(std::string_view word) {
  if (word.size() > 1 && word[0] == '-') {
    std::int32_t value = ToInt(word.substr(1));
    return value > 0 ? -value : 0;
  }
  return ToInt(word);
}

bool ToNumber(std::string_view digits, int& out) {
  if (digits.empty()) return false;
  for (char c : digits)
    if (c < '0' || c > '9') return false;
  out = ToInt(digits);
  return true;
}

std::string_view UpTo(std::string_view word, char stop) { return word.substr(0, word.find(stop)); }

constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int MonthNumber(std::string_view word) {
  for (std::size_t i = 0; i < kMonths.size(); ++i)
    if (kMonths[i] == word) return static_cast<int>(i) + 1;
  return 0;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Two-digit years: 70 to 99 are of the 1900s, the others of the 2000s.
int FullYear(int two_digits) { return two_digits >= 70 ? 1900 + two_digits : 2000 + two_digits; }

bool ParseTime(std::string_view t, int& h, int& m, int& s) {
  return t.size() == 8 && t[2] == ':' && t[5] == ':' && ToNumber(t.substr(0, 2), h) &&
         ToNumber(t.substr(3, 2), m) && ToNumber(t.substr(6, 2), s) && h < 24 && m < 60 && s < 60;
}

// A Retry-After value in seconds from `base` (a date); -1 when it is neither seconds nor a date.
std::int32_t RetryAfterSeconds(std::string_view text, TDateTime base) {
  if (text.empty()) return -1;
  int seconds = 0;
  if (text.size() <= 9 && ToNumber(text, seconds)) return seconds;
  constexpr TDateTime kUnread = -1e9;
  THttpDateParts own;  // a date of its own: no part borrowed from earlier lines
  const TDateTime when = ParseHttpDate(text, kUnread, own);
  if (when == kUnread) return -1;
  const double wait = (when - base) * 86400.0;
  return wait <= 0 ? 0 : wait >= INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(wait + 0.5);
}

// The comma-separated tokens of a list value, in lower case and without blanks ("gzip, br").
std::vector<std::string> ListTokens(std::string_view value) {
  std::vector<std::string> tokens;
  while (!value.empty()) {
    const std::size_t comma = value.find(',');
    std::string_view token = TrimmedWords(value.substr(0, comma));
    token = token.substr(0, token.find(';'));  // parameters name nothing read here
    if (!TrimmedWords(token).empty()) tokens.push_back(AnsiLowerCase(TrimmedWords(token)));
    value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
  }
  return tokens;
}

std::int64_t ToLength(std::string_view word) {
  std::int64_t value = -1;
  if (word.empty() || word.size() > 18 || word[0] < '0' || word[0] > '9') return -1;
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  return error == std::errc() && end == word.data() + word.size() ? value : -1;
}

}  // namespace

bool THTTPHEADER::Reusable() const {
  if (ConnectionClose || !(Http11 || KeepAlive) || TransferUnknown) return false;
  // A length and chunked both: which one a proxy on the way believed is not known.
  if (Chunked) return DeclaredLength == -1;
  return DeclaredLength >= 0 || Status == 204 || Status == 304;
}

void THTTPHEADER::ReadFraming(std::string_view name, std::string_view rest) {
  if (SameAsciiNoCase(name, "transfer-encoding:")) {
    const std::vector<std::string> codings = ListTokens(rest);
    for (std::size_t i = 0; i < codings.size(); ++i) {
      if (codings[i] == "chunked" && i + 1 == codings.size()) {
        Chunked = true;
      } else if (codings[i] != "identity") {
        TransferUnknown = true;
      }
    }
  } else if (SameAsciiNoCase(name, "content-encoding:")) {
    for (const std::string& coding : ListTokens(rest)) {
      if (coding == "identity") continue;
      if (!ContentEncoding.empty()) ContentEncoding += ", ";
      ContentEncoding += coding;
    }
    ContentEncoding = ShortString(ContentEncoding);
  } else if (SameAsciiNoCase(name, "connection:") || SameAsciiNoCase(name, "proxy-connection:")) {
    for (const std::string& option : ListTokens(rest)) {
      ConnectionClose = ConnectionClose || option == "close";
      KeepAlive = KeepAlive || option == "keep-alive";
    }
  }
}

std::size_t THeaderEndScanner::Feed(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\n') {
      if (after_lf_) {
        after_lf_ = false;
        return i + 1;
      }
      after_lf_ = true;
    } else if (c != '\r') {
      after_lf_ = false;
    }
  }
  return std::string_view::npos;
}

TDateTime ParseHttpDate(std::string_view words, TDateTime now, THttpDateParts& g) {
  std::string_view time;
  for (std::string_view w : Words(words)) {
    if (w.back() == ',') continue;
    switch (w.size()) {
      case 2:
        g.day = w;
        break;
      case 3:
        if (MonthNumber(w)) g.month = w;
        break;
      case 4:
        g.year = w.substr(2);
        break;
      case 8:
        time = w;
        break;
      case 9:
        if (w[2] == '-' && w[6] == '-') {
          g.day = w.substr(0, 2);
          g.month = w.substr(3, 3);
          g.year = w.substr(7, 2);
        }
        break;
      default:
        break;
    }
  }
  int day = 0, year = 0, h = 0, m = 0, s = 0;
  int month = MonthNumber(g.month);
  if (!ToNumber(g.day, day) || !ToNumber(g.year, year) || month == 0) return now;
  year = FullYear(year);
  if (day < 1 || day > DaysInMonth(year, month)) return now;
  if (!time.empty() && !ParseTime(time, h, m, s)) return now;
  return EncodeDateTime(year, month, day, h, m, s);
}

void THTTPHEADER::Parse(std::string_view header, TDateTime now, THttpDateParts& parts) {
  Clear();
  bool first = true;
  std::string_view retry_after;
  while (!header.empty()) {
    std::size_t lf = header.find('\n');
    std::string_view line = header.substr(0, lf);
    header = lf == std::string_view::npos ? std::string_view() : header.substr(lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string_view> words = Words(line);
    if (first) {
      first = false;
      if (words.size() < 2) return;
      Http11 = SameAsciiNoCase(words[0], "HTTP/1.1");
      Status = ToStatus(words[1]);
      continue;
    }
    if (words.empty()) break;
    if (words.size() < 2) continue;
    std::string_view name = words[0], value = words[1];
    // Only the second word is the value, except for dates, which are read word by word.
    std::string_view rest =
        line.substr(static_cast<std::size_t>(name.data() - line.data()) + name.size());
    if (SameAsciiNoCase(name, "date:")) {
      Date = ParseHttpDate(rest, now, parts);
    } else if (SameAsciiNoCase(name, "last-modified:")) {
      LastModified = ParseHttpDate(rest, now, parts);
      LastModifiedText = ShortString(TrimmedWords(rest));
    } else if (SameAsciiNoCase(name, "etag:")) {
      ETag = ShortString(TrimmedWords(rest));
    } else if (SameAsciiNoCase(name, "content-range:")) {
      ReadContentRange(TrimmedWords(rest), RangeStart, RangeTotal);
    } else if (SameAsciiNoCase(name, "server:")) {
      Server = ShortString(value);
    } else if (SameAsciiNoCase(name, "content-type:")) {
      ContentType = ShortString(UpTo(value, ';'));
      Charset = ShortString(CharsetParameter(rest));
    } else if (SameAsciiNoCase(name, "content-length:")) {
      ContentLength = ToInt(value);
      LengthAnnounced = ContentLength > 0;
      // One that cannot be read, or two that differ: the body's end cannot be known.
      const std::int64_t length = words.size() == 2 ? ToLength(value) : -1;
      const bool other = DeclaredLength != -1 && DeclaredLength != length;
      DeclaredLength = length < 0 || other ? -2 : length;
    } else if (SameAsciiNoCase(name, "location:")) {
      Location = ShortString(value);
    } else if (SameAsciiNoCase(name, "Set-Cookie:")) {
      Cookie = ShortString(UpTo(value, ';'));
      if (SetCookies.size() < kMaxSetCookies) SetCookies.emplace_back(TrimmedWords(rest));
    } else if (SameAsciiNoCase(name, "retry-after:")) {
      retry_after = rest;
    } else {
      ReadFraming(name, rest);
    }
  }
  while (!retry_after.empty() && IsBlank(retry_after.front())) retry_after.remove_prefix(1);
  while (!retry_after.empty() && IsBlank(retry_after.back())) retry_after.remove_suffix(1);
  RetryAfter = RetryAfterSeconds(retry_after, Date != 0 ? Date : now);
}

}  // namespace korvane
