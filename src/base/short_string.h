// Short strings: most texts of a web (addresses, paths, titles, descriptions) are kept to 255
// bytes, the most a one-byte length can describe in the project file and its blocks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane {

inline constexpr std::size_t kShortStringMax = 255;

// The first 255 bytes of `s` (all of it when shorter).
constexpr std::string_view ShortView(std::string_view s) { return s.substr(0, kShortStringMax); }

inline std::string ShortString(std::string_view s) { return std::string(ShortView(s)); }

// Appends as much of `more` as still fits in a short string; the excess is dropped.
inline void AppendShort(std::string& s, std::string_view more) {
  if (s.size() >= kShortStringMax) return;
  s.append(more.substr(0, kShortStringMax - s.size()));
}

}  // namespace korvane
