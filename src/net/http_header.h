// THTTPHEADER: the parsed header of an HTTP response, and the rules that read it. Only the
// second word of a line is its value; dates are read word by word, and the day, month and year
// of earlier dates stand in for parts a later date lacks. The lines that say how the body is
// framed and coded (Transfer-Encoding, Content-Encoding, Connection) are read as lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"

namespace korvane {

// Date parts remembered from earlier date lines, as text ("07", "Dec", "26"); empty at first.
// The connection slots of one capture share them.
struct THttpDateParts {
  std::string day, month, year;
};

class THTTPHEADER {
 public:
  void Clear() { *this = THTTPHEADER(); }

  // Parses the header bytes (status line to blank line) after clearing every field. `now` is
  // the date of a date line that cannot be read; `parts` stand in for what a date lacks.
  void Parse(std::string_view header, TDateTime now, THttpDateParts& parts);

  std::int32_t Status = 0;
  TDateTime Date = 0;
  std::string Server;
  std::string ContentType;  // without parameters: "text/html; charset=x" is "text/html"
  std::string Charset;      // its charset parameter ("x"); empty when it names none
  std::int32_t ContentLength = 0;
  TDateTime LastModified = 0;
  std::string Location;
  std::string Cookie;  // the Set-Cookie value up to its first ';'
  // Every Set-Cookie value whole, attributes included (at most kMaxSetCookies).
  std::vector<std::string> SetCookies;
  static constexpr std::size_t kMaxSetCookies = 100;
  // Validators, as sent (empty when none): the ETag, and the Last-Modified line's words.
  std::string ETag;
  std::string LastModifiedText;
  // A partial answer's Content-Range ("bytes 100-199/200"): its first byte and the whole
  // length (-1 when not given or unknown, "*").
  std::int64_t RangeStart = -1;
  std::int64_t RangeTotal = -1;
  // The seconds a Retry-After line asks the client to wait (given as seconds, or as a date
  // measured from the response's Date, else from now); -1 without one that can be read.
  std::int32_t RetryAfter = -1;
  // Whether a Content-Length line gave the length (ContentLength is replaced later otherwise).
  bool LengthAnnounced = false;

  // What HTTP/1.1 reads. The status line says HTTP/1.1 or later.
  bool Http11 = false;
  // The Content-Length as given, 0 included; -1 without one, -2 for one that does not read as a
  // length (or two that differ).
  std::int64_t DeclaredLength = -1;
  // Transfer-Encoding: chunked is its last coding; TransferUnknown: it names a coding other than
  // chunked, whose bytes cannot be read.
  bool Chunked = false;
  bool TransferUnknown = false;
  // The Content-Encoding, in lower case, its codings separated by ", " ("gzip"); empty: none.
  std::string ContentEncoding;
  // Connection: close, and Connection: keep-alive (what an HTTP/1.0 server says to keep it).
  bool ConnectionClose = false;
  bool KeepAlive = false;
  // The connection may carry the next request once this answer's body is read: the server
  // keeps it open and the body's end is known (a length, or chunked and no length as well).
  bool Reusable() const;

 private:
  void ReadFraming(std::string_view name, std::string_view rest);
};

// Finds the end of a header as bytes arrive: a line feed followed by another, carriage returns
// between them ignored. The scan carries its state from one packet to the next, so a header
// split anywhere is found once, without reading earlier bytes again.
class THeaderEndScanner {
 public:
  // Offset in `bytes` just past the second line feed, or npos when the end is not in them.
  std::size_t Feed(std::string_view bytes);
  void Reset() { after_lf_ = false; }

 private:
  bool after_lf_ = false;
};

// A date line's words after its name, read with the remembered date parts (which it updates).
// `now` when the parts do not make a valid date.
TDateTime ParseHttpDate(std::string_view words, TDateTime now, THttpDateParts& parts);

}  // namespace korvane
