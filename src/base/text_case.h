// Letter case of single-byte Windows-1252 text. File names and the segments of stored addresses
// compare without regard to letter case, accented letters included ("É" matches "é"), as they
// did on the file system the webs were made on.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

namespace text_case_detail {

constexpr std::array<unsigned char, 256> MakeLowerTable() {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<unsigned char>(c);
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<unsigned char>(c + 32);
  // Latin-1 capitals, except the multiplication sign at 0xD7.
  for (int c = 0xC0; c <= 0xDE; ++c) {
    if (c != 0xD7) t[c] = static_cast<unsigned char>(c + 32);
  }
  t[0x8A] = 0x9A;  // S caron
  t[0x8C] = 0x9C;  // OE
  t[0x8E] = 0x9E;  // Z caron
  t[0x9F] = 0xFF;  // Y diaeresis
  return t;
}

constexpr std::array<unsigned char, 256> MakeUpperTable() {
  std::array<unsigned char, 256> lower = MakeLowerTable();
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<unsigned char>(c);
  for (int c = 0; c < 256; ++c) {
    if (lower[c] != c) t[lower[c]] = static_cast<unsigned char>(c);
  }
  return t;
}

inline constexpr std::array<unsigned char, 256> kLower = MakeLowerTable();
inline constexpr std::array<unsigned char, 256> kUpper = MakeUpperTable();

}  // namespace text_case_detail

constexpr char AnsiLowerChar(char c) {
  return static_cast<char>(text_case_detail::kLower[static_cast<unsigned char>(c)]);
}
constexpr char AnsiUpperChar(char c) {
  return static_cast<char>(text_case_detail::kUpper[static_cast<unsigned char>(c)]);
}

inline std::string AnsiLowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AnsiLowerChar(c);
  return out;
}

inline std::string AnsiUpperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AnsiUpperChar(c);
  return out;
}

// Equal without regard to letter case (Windows-1252 letters).
constexpr bool SameTextNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AnsiLowerChar(a[i]) != AnsiLowerChar(b[i])) return false;
  }
  return true;
}

// Equal without regard to the case of the ASCII letters only; content types and keywords.
constexpr bool SameAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// A hash that agrees with SameTextNoCase (FNV-1a over the lower-cased bytes).
constexpr std::uint64_t HashNoCase(std::string_view s) {
  std::uint64_t h = 14695981039346656037ULL;
  for (char c : s) {
    h ^= static_cast<unsigned char>(AnsiLowerChar(c));
    h *= 1099511628211ULL;
  }
  return h;
}

// Whether `text` holds a control character (below 0x20, or DEL): such text cannot go into one
// line of a header or a text file unchanged.
constexpr bool HasControlCharacter(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
  }
  return false;
}

}  // namespace korvane
