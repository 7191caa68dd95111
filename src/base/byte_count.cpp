#include "base/byte_count.h"

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

}  // namespace korvane
