// Numbers read from text (settings values, ports, form fields).
#pragma once

#include <charconv>
#include <cstdint>
#include <string_view>

namespace korvane {

// Parses a whole decimal number with an optional sign; false when `text` is not one or does not
// fit 32 bits.
inline bool ParseInteger(std::string_view text, std::int32_t& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// The number in `text`, or `fallback` when it holds none.
inline std::int32_t IntegerOr(std::string_view text, std::int32_t fallback) {
  std::int32_t value = 0;
  return ParseInteger(text, value) ? value : fallback;
}

}  // namespace korvane
