#include "html/start_address.h"

#include "base/text_case.h"

namespace korvane {

std::string CheckStartAddress(std::string& address) {
  // Pasted addresses often carry the blanks around them.
  const std::size_t first = address.find_first_not_of(" \t\r\n");
  address.erase(0, first == std::string::npos ? address.size() : first);
  address.erase(address.find_last_not_of(" \t\r\n") + 1);
  if (address.empty()) return "the web needs an address";
  const std::size_t colon = address.find(':');
  const std::size_t slash = address.find('/');
  bool has_scheme =
      colon != std::string::npos && colon > 0 && (slash == std::string::npos || colon < slash);
  if (has_scheme) {
    for (std::size_t i = 0; i < colon; ++i) {
      const char c = address[i];
      const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
      const bool digit = c >= '0' && c <= '9';
      if (!(letter || (i > 0 && (digit || c == '+' || c == '-' || c == '.')))) has_scheme = false;
    }
    // "host:8080" names a port, not a scheme.
    const bool port_follows =
        colon + 1 < address.size() && address[colon + 1] >= '0' && address[colon + 1] <= '9';
    if (port_follows && address.compare(colon + 1, 2, "//") != 0) has_scheme = false;
  }
  if (!has_scheme) {
    address = "http://" + address;
    return {};
  }
  const std::string scheme = AnsiLowerCase(address.substr(0, colon));
  if (scheme != "http" && scheme != "https") {
    return "the scheme \"" + address.substr(0, colon) +
           ":\" is not supported: Korvane captures http and https addresses";
  }
  if (address.compare(colon + 1, 2, "//") != 0 || address.size() <= colon + 3) {
    return "the address " + address + " names no host";
  }
  return {};
}

}  // namespace korvane
