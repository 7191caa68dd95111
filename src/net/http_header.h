// THTTPHEADER: the parsed header of an HTTP/1.0 response, and the rules that read it. Only the
// second word of a line is its value; dates are read word by word, and the day, month and year
// of earlier dates stand in for parts a later date lacks.
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
