// Checks on names that come from outside (project files, map lists) before they are used as file
// names inside a web's folder: only a plain name may be joined to the folder, so that nothing read
// from a file can make the program touch a file elsewhere.
#pragma once

#include <string>
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

// The longest name a record's file may have inside its web's folder, separators included: short
// enough for the project file's field and for the path limits of the file systems webs live on.
inline constexpr std::size_t kWebFileNameMax = 250;

// True for a plain name, or for plain names joined by '/' (a file in the site's own folders): no
// empty part, no "." or "..", no leading separator, at most kWebFileNameMax bytes. Nothing such a
// name is joined to can lead out of the folder.
constexpr bool IsWebFileName(std::string_view name) {
  if (name.empty() || name.size() > kWebFileNameMax) return false;
  for (std::size_t start = 0;;) {
    const std::size_t slash = name.find('/', start);
    if (!IsPlainFileName(name.substr(start, slash - start))) return false;
    if (slash == std::string_view::npos) return true;
    start = slash + 1;
  }
}

// `name` when IsWebFileName holds, else the empty text.
constexpr std::string_view WebFileNameOrEmpty(std::string_view name) {
  return IsWebFileName(name) ? name : std::string_view();
}

// The folder part of a web file name, with its final '/' ("" for a plain name).
constexpr std::string_view WebFileFolder(std::string_view name) {
  const std::size_t slash = name.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : name.substr(0, slash + 1);
}

// The link from the page stored as `from` to the file stored as `to`, both web file names: a
// relative path ("../img/a.png") with every byte that could be read as part of an address
// percent-encoded. Between two plain names (the flat folder) it is `to` itself.
std::string LinkBetweenFiles(std::string_view from, std::string_view to);

}  // namespace korvane
