// Reading response headers: the end of the header, the status line, the value rules, dates.
#include "net/http_header.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane {
namespace {

constexpr TDateTime kNow = 12345.5;

class HttpHeaderTest : public ::testing::Test {
 protected:
  // Parsed with the date parts of the headers parsed before it by this test.
  THTTPHEADER Parsed(std::string_view header) {
    THTTPHEADER h;
    h.Parse(header, kNow, parts_);
    return h;
  }
  THttpDateParts parts_;
};

TEST_F(HttpHeaderTest, EndIsFoundWithCrLfOrBareLineFeedsAtEverySplit) {
  struct Case {
    std::string text;
    std::size_t end;  // npos: no end in it
  } cases[] = {
      {"HTTP/1.0 200 OK\r\nA: b\r\n\r\nBODY", 25},
      {"HTTP/1.0 200 OK\nA: b\n\nBODY", 22},
      {"HTTP/1.0 200 OK\n\r\r\n", 19},  // carriage returns between the line feeds are ignored
      {"HTTP/1.0 200 OK\r\nA: b\r\n \r\n", std::string::npos},  // a blank is not an empty line
      {"\n\n", 2},
  };
  for (const Case& c : cases) {
    for (std::size_t split = 0; split <= c.text.size(); ++split) {
      THeaderEndScanner scanner;
      std::size_t first = scanner.Feed(std::string_view(c.text).substr(0, split));
      std::size_t found = first;
      if (first == std::string::npos) {
        std::size_t second = scanner.Feed(std::string_view(c.text).substr(split));
        found = second == std::string::npos ? second : split + second;
      }
      EXPECT_EQ(found, c.end) << c.text << " split at " << split;
    }
  }
}

TEST_F(HttpHeaderTest, StatusIsTheSecondWordAsANumber) {
  struct Case {
    const char* line;
    int status;
  } cases[] = {
      {"HTTP/1.0 404 Not Found\r\n\r\n", 404},
      {"HTTP/1.1   301   Moved\r\n\r\n", 301},
      {"HTTP/1.0 2OO OK\r\n\r\n", 0},
      {"HTTP/1.0 99999999999 OK\r\n\r\n", 0},
      {"HTTP/1.0 -200 OK\r\n\r\n", -200},
      {"HTTP/1.0 - OK\r\n\r\n", 0},
      {"HTTP/1.0\r\nContent-Length: 5\r\n\r\n", 0},
      {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Parsed(c.line).Status, c.status) << c.line;
}

TEST_F(HttpHeaderTest, OneWordStatusLineStopsTheParsing) {
  THTTPHEADER h = Parsed("HTTP/1.0\r\nContent-Length: 5\r\nServer: x\r\n\r\n");
  EXPECT_EQ(h.Status, 0);
  EXPECT_EQ(h.ContentLength, 0);
  EXPECT_EQ(h.Server, "");
}

TEST_F(HttpHeaderTest, FieldsTakeTheSecondWordWithoutParameters) {
  THTTPHEADER h = Parsed(
      "HTTP/1.0 302 Found\r\n"
      "SERVER: Loop/1.0 (Unix)\r\n"
      "Content-type: text/html; charset=utf-8\r\n"
      "Content-Length: 1234\r\n"
      "Location: http://a.b/c d\r\n"
      "Set-Cookie: id=42; path=/\r\n"
      "X-Unknown: whatever\r\n"
      "WWW-Authenticate: Basic realm=x\r\n"
      "\r\n"
      "Server: after-the-blank-line\r\n");
  EXPECT_EQ(h.Status, 302);
  EXPECT_EQ(h.Server, "Loop/1.0");
  EXPECT_EQ(h.ContentType, "text/html");
  EXPECT_EQ(h.ContentLength, 1234);
  EXPECT_TRUE(h.LengthAnnounced);
  EXPECT_EQ(h.Location, "http://a.b/c");
  EXPECT_EQ(h.Cookie, "id=42");
}

TEST_F(HttpHeaderTest, ContentLengthThatIsNotAPlainNumberIsNotAnnounced) {
  for (const char* value : {"-5", "+5", "5x", "0x10", "99999999999"}) {
    THTTPHEADER h = Parsed(std::string("H 200\r\nContent-Length: ") + value + "\r\n\r\n");
    EXPECT_EQ(h.ContentLength, 0) << value;
    EXPECT_FALSE(h.LengthAnnounced) << value;
  }
}

TEST_F(HttpHeaderTest, ContentTypeParametersAreDroppedWithOrWithoutABlank) {
  EXPECT_EQ(Parsed("H 200\r\nContent-Type: text/html;charset=utf-8\r\n\r\n").ContentType,
            "text/html");
  EXPECT_EQ(Parsed("H 200\r\nContent-Type: image/gif\r\n\r\n").ContentType, "image/gif");
}

// The charset is kept apart, for the page's text to be read in it.
TEST_F(HttpHeaderTest, TheCharsetParameterIsKept) {
  struct Case {
    const char* line;
    const char* charset;
  } cases[] = {
      {"Content-Type: text/html;charset=utf-8", "utf-8"},
      {"Content-Type: text/html; Charset=\"ISO-8859-15\"", "ISO-8859-15"},
      {"Content-Type: text/html; q=1; charset = UTF-8 ; x=y", "UTF-8"},
      {"Content-Type: text/html; charsetx=a", ""},
      {"Content-Type: image/gif", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Parsed(std::string("H 200\r\n") + c.line + "\r\n\r\n").Charset, c.charset) << c.line;
  }
}

TEST_F(HttpHeaderTest, LongValuesAreCutToShortStrings) {
  THTTPHEADER h = Parsed("H 200\r\nLocation: " + std::string(400, 'x') + "\r\n\r\n");
  EXPECT_EQ(h.Location.size(), 255u);
}

TEST_F(HttpHeaderTest, DatesInTheUsualFormats) {
  struct Case {
    const char* words;
    TDateTime expected;
  } cases[] = {
      {"Mon, 07 Dec 2026 09:05:03 GMT", EncodeDateTime(2026, 12, 7, 9, 5, 3)},
      {"Sunday, 06-Nov-94 08:49:37 GMT", EncodeDateTime(1994, 11, 6, 8, 49, 37)},
      {"Thu, 29 Feb 2024 23:59:59 GMT", EncodeDateTime(2024, 2, 29, 23, 59, 59)},
      {"Fri, 30 Feb 2024 10:00:00 GMT", kNow},  // no such day
      {"Mon, 07 Dec 2026 25:00:00 GMT", kNow},  // no such hour
      {"Mon, 07 dec 2026 09:05:03 GMT", kNow},  // month names are matched with their case
      {"garbage", kNow},
  };
  for (const Case& c : cases) {
    THttpDateParts fresh;
    EXPECT_DOUBLE_EQ(ParseHttpDate(c.words, kNow, fresh), c.expected) << c.words;
  }
}

TEST_F(HttpHeaderTest, DatePartsAreRememberedForLaterDatesThatLackThem) {
  THTTPHEADER first = Parsed("H 200\r\nDate: Mon, 07 Dec 2026 09:05:03 GMT\r\n\r\n");
  EXPECT_DOUBLE_EQ(first.Date, EncodeDateTime(2026, 12, 7, 9, 5, 3));
  // asctime form: the one-digit day is not read, so the remembered day stands in.
  THTTPHEADER second = Parsed("H 200\r\nLast-Modified: Sun Nov  6 08:49:37 1994\r\n\r\n");
  EXPECT_DOUBLE_EQ(second.LastModified, EncodeDateTime(1994, 11, 7, 8, 49, 37));
}

TEST_F(HttpHeaderTest, ADateWithoutRememberedPartsIsNow) {
  EXPECT_DOUBLE_EQ(Parsed("H 200\r\nDate: 10:00:00\r\n\r\n").Date, kNow);
}

}  // namespace
}  // namespace korvane
