// The %XX escapes of addresses and of the file names made from them.
#pragma once

#include <string>

namespace korvane {

// The value of a hexadecimal digit, or -1 when `c` is none.
constexpr int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Appends "%XX" for the byte `c`, in capitals.
inline void AppendPercentEscape(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out.push_back('%');
  out.push_back(kHex[c >> 4]);
  out.push_back(kHex[c & 15]);
}

}  // namespace korvane
