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

// A size at a glance, in the one spelling of units the window adds to its figures: "512 bytes",
// then KB, MB and GB of 1024, with one decimal under 100 ("1.5 KB", "12.0 MB", "350 MB").
std::string FormatSize(std::int64_t n);

}  // namespace korvane
