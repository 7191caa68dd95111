#include "base/request_header.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

// A header is one line of the request, named by a token: nothing taken can end the line early,
// name another host, or say where the request ends.
TEST(RequestHeaderTest, OnlyOneWellFormedLineIsTaken) {
  struct TCase {
    std::string text;
    std::string line_or_error;
  } cases[] = {
      {"X-Token:  abc def ", "X-Token: abc def"},
      {"Authorization: Bearer a.b-c", "Authorization: Bearer a.b-c"},
      {"Cookie: a=1; b=2", "Cookie is written by the request itself"},
      {"X-Empty:", "X-Empty: "},
      {"no colon", "\"Name: value\" is expected"},
      {": v", "the header has no name"},
      {"Bad Name: v", "the name \"Bad Name\" is no HTTP token"},
      {"X-A: 1\r\nHost: evil", "the value of X-A is not printable text of one line"},
      {"X-A: 1\nX-B: 2", "the value of X-A is not printable text of one line"},
      {"X-A: caf\xC3\xA9", "the value of X-A is not printable text of one line"},
      {"host: other.com", "host is written by the request itself"},
      {"Transfer-Encoding: chunked", "Transfer-Encoding is written by the request itself"},
      {"X-Long: " + std::string(250, 'v'), "a header is at most 255 bytes"},
  };
  for (const TCase& c : cases) {
    std::string error;
    const std::optional<TRequestHeader> header = ParseRequestHeader(c.text, error);
    const std::string got = header ? header->Line() : error;
    EXPECT_EQ(got.substr(0, c.line_or_error.size()), c.line_or_error) << c.text;
  }
}

}  // namespace
}  // namespace korvane
