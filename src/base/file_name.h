// Checks on names that come from outside (project files, map lists) before they are used as file
// names inside a web's folder: only a plain name may be joined to the folder, so that nothing read
// from a file can make the program touch a file elsewhere.
#pragma once

#include <string_view>

namespace korvane {

// True for a non-empty name without a path separator ('/' or '\'), other than "." and "..",
// and without control characters.
constexpr bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) return false;
  }
  return true;
}

// `name` when it is plain, else the empty text.
constexpr std::string_view PlainFileNameOrEmpty(std::string_view name) {
  return IsPlainFileName(name) ? name : std::string_view();
}

}  // namespace korvane
