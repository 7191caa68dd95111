// Reads arbitrary bytes as a robots.txt and asks it about addresses taken from the same bytes:
// the rules hold no more than the bytes read can make, and an address is always decided, and
// robots.txt itself always allowed.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/robots_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const korvane::TRobotsRules rules = korvane::TRobotsRules::Parse(input, "Korvane");
  if (rules.RuleCount() > korvane::TRobotsRules::kMaxBytes / 6) std::abort();
  if (!rules.Allowed("/robots.txt")) std::abort();
  std::size_t start = 0;
  for (int i = 0; i < 8 && start < input.size(); ++i) {
    const std::size_t end = input.find('\n', start);
    const std::string_view line = input.substr(start, std::min<std::size_t>(end - start, 255));
    (void)rules.Allowed("/" + std::string(line));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return 0;
}
