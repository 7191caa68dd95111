// An address a user gives for capture (the start address of a new web, an address added to a
// web), checked whole before anything is made for it.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

struct TAddressCheck {
  // The address as the user sees it again: without the blanks around it, and completed with
  // "http://" when it named no scheme.
  std::string Address;
  // The form the web keeps (TUrl's canonical form); empty when the address is refused.
  std::string Canonical;
  // Why the address cannot be captured, in words; empty when it is accepted.
  std::string Refusal;
  // A word about an address accepted all the same (a host without a dot).
  std::string Warning;

  bool Accepted() const { return Refusal.empty(); }
};

// Without a scheme an address is an http one, as a browser takes it ("www.a.com/x",
// "localhost:8080/"). Refused, each with its reason: a scheme other than http and https, an
// address without a host, user information before the host, an IPv6 host without its closing
// bracket or that is no IPv6 address, a character no host name holds, a port that is not a
// number from 1 to 65535, and an address longer than a web keeps (it is never cut).
TAddressCheck CheckAddress(std::string_view typed);

// The canonical form of an address typed by the user: CheckAddress's when it is accepted,
// Resolve's otherwise.
std::string CanonicalAddress(std::string_view typed);

// Whether `text` begins with "http://" or "https://", in any case: an address, whatever it ends
// with.
bool NamesWebScheme(std::string_view text);

// `words` (a refusal or a warning) as a sentence, as a dialog shows it.
std::string AsSentence(std::string words);

}  // namespace korvane
