#include "html/start_address.h"

#include <algorithm>
#include <cctype>

#include "base/short_string.h"
#include "base/text_case.h"
#include "html/url.h"

namespace korvane {
namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The characters of a host name (RFC 3986 reg-name: unreserved, sub-delims and percent
// escapes). Bytes above 127 are let through: an internationalised name is the resolver's affair.
bool IsHostChar(char c) {
  if (static_cast<unsigned char>(c) > 127) return true;
  if (IsLetter(c) || IsDigit(c)) return true;
  return std::string_view("-._~%!$&'()*+,;=").find(c) != std::string_view::npos;
}

// RFC 3986 dec-octet "." dec-octet "." dec-octet "." dec-octet.
bool IsIpv4(std::string_view s) {
  for (int part = 0; part < 4; ++part) {
    const std::size_t dot = s.find('.');
    const std::string_view octet = s.substr(0, dot);
    if ((part < 3) == (dot == std::string_view::npos)) return false;
    if (octet.empty() || octet.size() > 3 || !std::all_of(octet.begin(), octet.end(), IsDigit)) {
      return false;
    }
    if ((octet.size() > 1 && octet[0] == '0') || std::stoi(std::string(octet)) > 255) return false;
    s.remove_prefix(dot == std::string_view::npos ? s.size() : dot + 1);
  }
  return true;
}

// The 16-bit groups of one side of an IPv6 address's "::" (an IPv4 address at its end counts
// for two), or -1 when it is no list of groups.
int Ipv6Groups(std::string_view side, bool ends_address) {
  if (side.empty()) return 0;
  int count = 0;
  for (;;) {
    const std::size_t colon = side.find(':');
    const std::string_view group = side.substr(0, colon);
    if (colon == std::string_view::npos && ends_address &&
        group.find('.') != std::string_view::npos) {
      return IsIpv4(group) ? count + 2 : -1;
    }
    if (group.empty() || group.size() > 4 || !std::all_of(group.begin(), group.end(), IsHexDigit)) {
      return -1;
    }
    ++count;
    if (colon == std::string_view::npos) return count;
    side.remove_prefix(colon + 1);
  }
}

// RFC 3986 IPv6address: eight groups, or fewer around one "::".
bool IsIpv6(std::string_view s) {
  const std::size_t gap = s.find("::");
  if (gap == std::string_view::npos) return Ipv6Groups(s, true) == 8;
  if (s.find("::", gap + 1) != std::string_view::npos) return false;
  const int before = Ipv6Groups(s.substr(0, gap), false);
  const int after = Ipv6Groups(s.substr(gap + 2), true);
  return before >= 0 && after >= 0 && before + after <= 7;
}

// No label of a name is empty ("www.", ".a.com", "a..com" name no machine: the dialogs' own
// preset "http://www." would otherwise be queued as "http://www./"). One final dot after two
// labels or more is the root of a fully qualified name, and is kept.
bool HasWholeLabels(std::string_view host) {
  const std::size_t labels = static_cast<std::size_t>(std::count(host.begin(), host.end(), '.'));
  if (host.ends_with('.') && labels >= 2) host.remove_suffix(1);
  if (host.starts_with('.') || host.ends_with('.')) return false;
  return host.find("..") == std::string_view::npos;
}

}  // namespace

TAddressCheck CheckAddress(std::string_view typed) {
  TAddressCheck check;
  std::string& address = check.Address;
  auto refuse = [&check](std::string why) {
    check.Refusal = std::move(why);
    return check;
  };
  // Pasted addresses often carry the blanks around them.
  const std::size_t first = typed.find_first_not_of(" \t\r\n");
  if (first != std::string_view::npos) {
    address.assign(typed.substr(first, typed.find_last_not_of(" \t\r\n") + 1 - first));
  }
  if (address.empty()) return refuse("the web needs an address");
  const std::size_t colon = address.find(':');
  const std::size_t slash = address.find('/');
  bool has_scheme =
      colon != std::string::npos && colon > 0 && (slash == std::string::npos || colon < slash);
  if (has_scheme) {
    for (std::size_t i = 0; i < colon; ++i) {
      const char c = address[i];
      if (!(IsLetter(c) || (i > 0 && (IsDigit(c) || c == '+' || c == '-' || c == '.')))) {
        has_scheme = false;
      }
    }
    // "host:8080" names a port, not a scheme.
    const bool port_follows = colon + 1 < address.size() && IsDigit(address[colon + 1]);
    if (port_follows && address.compare(colon + 1, 2, "//") != 0) has_scheme = false;
  }
  const std::size_t scheme_end = has_scheme ? colon + 1 : std::string_view("http:").size();
  if (!has_scheme) {
    address = "http://" + address;
  } else {
    const std::string scheme = AnsiLowerCase(address.substr(0, colon));
    if (scheme != "http" && scheme != "https") {
      return refuse("the scheme \"" + address.substr(0, colon) +
                    ":\" is not supported: Korvane captures http and "
                    "https addresses");
    }
  }
  const std::string no_host = "the address " + address + " names no host";
  if (address.compare(scheme_end, 2, "//") != 0) return refuse(no_host);

  // The authority runs from "//" to the path, the query or the fragment.
  const std::size_t authority_begin = scheme_end + 2;
  std::size_t authority_end = address.find_first_of("/?#", authority_begin);
  if (authority_end == std::string::npos) authority_end = address.size();
  const std::string_view authority =
      std::string_view(address).substr(authority_begin, authority_end - authority_begin);
  if (authority.find('@') != std::string_view::npos) {
    return refuse(
        "the address holds a user name before its host (user@host): Korvane takes no "
        "credentials from an address; give them as the web's user name and password");
  }
  std::string_view host = authority;
  std::string_view after_host;
  if (authority.starts_with('[')) {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos) {
      return refuse("the host " + std::string(authority) +
                    " opens a bracket it never closes: an IPv6 host is "
                    "written between [ and ]");
    }
    host = authority.substr(0, close + 1);
    after_host = authority.substr(close + 1);
    if (!IsIpv6(host.substr(1, host.size() - 2))) {
      return refuse("the host " + std::string(host) + " is no IPv6 address");
    }
    if (!after_host.empty() && after_host[0] != ':') {
      return refuse("after the host " + std::string(host) + " comes \"" + std::string(after_host) +
                    "\", where only a port after ':' may");
    }
  } else {
    const std::size_t port_colon = authority.find(':');
    host = authority.substr(0, port_colon);
    if (port_colon != std::string_view::npos) after_host = authority.substr(port_colon);
    if (host.empty()) return refuse(no_host);
    const auto bad = std::find_if_not(host.begin(), host.end(), IsHostChar);
    if (bad != host.end()) {
      return refuse("the host \"" + std::string(host) + "\" holds '" + std::string(1, *bad) +
                    "', which no host name holds");
    }
    if (!HasWholeLabels(host)) {
      return refuse("the host \"" + std::string(host) +
                    "\" is not a whole name: a dot must stand between two names");
    }
  }
  if (!after_host.empty()) {
    const std::string_view port = after_host.substr(1);
    if (port.empty()) {
      return refuse("the address " + address + " names no port after the ':' of its host");
    }
    const std::string_view digits = port.substr(std::min(port.find_first_not_of('0'), port.size()));
    const bool number = std::all_of(port.begin(), port.end(), IsDigit) && digits.size() <= 5 &&
                        !digits.empty() && std::stoi(std::string(digits)) <= 65535;
    if (!number) {
      return refuse("the port \"" + std::string(port) + "\" is not a number from 1 to 65535");
    }
  }

  // The form the web keeps has a path: "http://h.com?x" is "http://h.com/?x".
  std::string whole = address;
  if (authority_end == whole.size() || whole[authority_end] != '/') {
    whole.insert(authority_end, 1, '/');
  }
  if (whole.size() > kShortStringMax) {
    return refuse("the address is " + std::to_string(whole.size()) +
                  " bytes long: a web keeps addresses of at most " +
                  std::to_string(kShortStringMax) + " bytes");
  }
  check.Canonical = Resolve(whole);
  if (!host.starts_with('[') && host.find('.') == std::string_view::npos) {
    check.Warning = "the host \"" + std::string(host) +
                    "\" has no dot (a machine of the local network?): links to a host without a "
                    "dot are not followed";
  }
  return check;
}

std::string CanonicalAddress(std::string_view typed) {
  TAddressCheck check = CheckAddress(typed);
  return check.Accepted() ? std::move(check.Canonical) : Resolve(typed);
}

bool NamesWebScheme(std::string_view text) {
  return SameAsciiNoCase(text.substr(0, 7), "http://") ||
         SameAsciiNoCase(text.substr(0, 8), "https://");
}

std::string AsSentence(std::string words) {
  if (words.empty()) return words;
  words[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(words[0])));
  return words + ".";
}

}  // namespace korvane
