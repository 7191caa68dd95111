// Byte counts as shown to the user: "1 234 567 bytes".
#pragma once

#include <cstdint>
#include <string>

namespace korvane {

inline constexpr std::int64_t kKilobyte = 1024;

// Decimal digits grouped by three from the right, one space between groups.
std::string FormatGroupedNumber(std::int64_t n);

// FormatGroupedNumber(n) followed by " bytes".
std::string FormatByteCount(std::int64_t n);

}  // namespace korvane
