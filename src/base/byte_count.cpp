#include "base/byte_count.h"

#include <cstdio>
#include <iterator>

namespace korvane {

std::string FormatGroupedNumber(std::int64_t n) {
  // Work on the magnitude as unsigned so that INT64_MIN formats too.
  std::uint64_t magnitude = n < 0 ? 0 - static_cast<std::uint64_t>(n) : n;
  std::string digits = std::to_string(magnitude);
  std::string out;
  if (n < 0) out.push_back('-');
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(' ');
    out.push_back(digits[i]);
  }
  return out;
}

std::string FormatByteCount(std::int64_t n) { return FormatGroupedNumber(n) + " bytes"; }

std::string FormatSize(std::int64_t n) {
  if (n < kKilobyte) return std::to_string(n < 0 ? 0 : n) + " bytes";
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(n) / kKilobyte;
  std::size_t unit = 0;
  // 1023.96 KB would print as "1024.0 KB": go up a unit before rounding can reach 1024.
  while (value >= 1023.95 && unit + 1 < std::size(kUnits)) {
    value /= kKilobyte;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, value < 99.95 ? "%.1f %s" : "%.0f %s", value, kUnits[unit]);
  return text;
}

}  // namespace korvane
