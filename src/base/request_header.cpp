#include "base/request_header.h"

#include <array>

#include "base/short_string.h"
#include "base/text_case.h"

namespace korvane {
namespace {

// The characters of a token (RFC 9110 5.6.2).
bool IsTokenChar(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

// Visible ASCII, space and tab: nothing that ends a line or that a server may read otherwise.
bool IsValueChar(char c) { return c == '\t' || (c >= 0x20 && c <= 0x7E); }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Written by the request itself (its cookies come from the web's jar, its ranges from a resumed
// transfer), or deciding where a message ends: a second one would let a server read the request
// otherwise than the program meant.
constexpr std::array<std::string_view, 10> kReservedNames = {
    "Host",  "Accept",   "User-Agent",     "Referer",           "Cookie",
    "Range", "If-Range", "Content-Length", "Transfer-Encoding", "Connection"};

}  // namespace

std::optional<TRequestHeader> ParseRequestHeader(std::string_view text, std::string& error) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    error = "\"Name: value\" is expected";
    return std::nullopt;
  }
  TRequestHeader header{std::string(text.substr(0, colon)),
                        std::string(TrimBlanks(text.substr(colon + 1)))};
  if (header.Name.empty()) {
    error = "the header has no name";
    return std::nullopt;
  }
  for (char c : header.Name) {
    if (IsTokenChar(c)) continue;
    error = "the name \"" + header.Name + "\" is no HTTP token (letters, digits, !#$%&'*+-.^_`|~)";
    return std::nullopt;
  }
  for (char c : header.Value) {
    if (IsValueChar(c)) continue;
    error = "the value of " + header.Name + " is not printable text of one line";
    return std::nullopt;
  }
  for (std::string_view reserved : kReservedNames) {
    if (!SameAsciiNoCase(header.Name, reserved)) continue;
    error = header.Name + " is written by the request itself";
    return std::nullopt;
  }
  if (header.Line().size() > kShortStringMax) {
    error = "a header is at most 255 bytes";
    return std::nullopt;
  }
  return header;
}

}  // namespace korvane
