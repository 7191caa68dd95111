// Feeds arbitrary bytes to the cookie jar as Set-Cookie values and as a cookies.txt file, and
// checks what must hold whatever a server or a file says: a Cookie header never holds a line
// break, and what the jar writes reads back as it was.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/cookie_jar.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::int64_t kNow = 1'800'000'000;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  korvane::TCookieJar jar;
  (void)jar.Import(input, kNow);
  std::string_view rest = input;
  std::string_view url = "http://www.site.test/a/b.htm";
  while (!rest.empty()) {
    const std::size_t lf = rest.find('\n');
    const std::string_view line = rest.substr(0, lf);
    rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
    if (line.starts_with("http")) {
      url = line;
    } else {
      (void)jar.Take(line, url, kNow);
    }
    const std::string header = jar.HeaderFor(url, kNow);
    if (header.find_first_of("\r\n") != std::string::npos) std::abort();
  }
  const std::string exported = jar.Export(kNow);
  korvane::TCookieJar again;
  if (again.Import(exported, kNow).has_value() || again.Export(kNow) != exported) std::abort();
  return 0;
}
