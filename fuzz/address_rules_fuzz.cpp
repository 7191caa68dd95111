// Reads arbitrary bytes as a rules file (the part before the first NUL) and tries every rule it
// takes on the addresses after it, one a line; then each of those lines as an extra request
// header. Nothing may crash or hang, and no header taken may hold a line break.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "base/request_header.h"
#include "store/address_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view file = input.substr(0, split);
  std::string_view rest = split == std::string_view::npos ? "" : input.substr(split + 1);
  std::string error;
  const auto texts = korvane::ReadRulesFile(file, "fuzz.txt", error);
  if (!texts && error.empty()) std::abort();
  std::optional<korvane::TAddressRules> rules;
  if (texts) rules = korvane::TAddressRules::Compile(*texts, error);
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    if (rules) (void)rules->Explain(rules->Decide(line));
    if (const auto header = korvane::ParseRequestHeader(line, error)) {
      if (header->Line().find_first_of("\r\n") != std::string::npos) std::abort();
    }
  }
  return 0;
}
