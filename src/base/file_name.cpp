#include "base/file_name.h"

#include <vector>

#include "base/percent_escape.h"

namespace korvane {
namespace {

// Bytes a relative link may hold as they are: those that read the same in any part of a path.
// ':' is not one of them: before the first '/' it would read as a scheme.
bool KeptInLink(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return c != 0 &&
         std::string_view("-._~!$&'()*+,;=@/").find(static_cast<char>(c)) != std::string_view::npos;
}

void AppendEncoded(std::string& out, std::string_view part) {
  for (char ch : part) {
    const auto c = static_cast<unsigned char>(ch);
    if (KeptInLink(c)) {
      out.push_back(ch);
    } else {
      AppendPercentEscape(out, c);
    }
  }
}

std::vector<std::string_view> Folders(std::string_view folder) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0; start < folder.size();) {
    const std::size_t slash = folder.find('/', start);
    parts.push_back(folder.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

}  // namespace

std::string LinkBetweenFiles(std::string_view from, std::string_view to) {
  const std::string_view from_folder = WebFileFolder(from);
  const std::string_view to_folder = WebFileFolder(to);
  if (from_folder.empty() && to_folder.empty()) return std::string(to);
  const std::vector<std::string_view> up = Folders(from_folder);
  const std::vector<std::string_view> down = Folders(to_folder);
  std::size_t common = 0;
  while (common < up.size() && common < down.size() && up[common] == down[common]) ++common;
  std::string link;
  for (std::size_t i = common; i < up.size(); ++i) link += "../";
  for (std::size_t i = common; i < down.size(); ++i) {
    AppendEncoded(link, down[i]);
    link.push_back('/');
  }
  AppendEncoded(link, to.substr(to_folder.size()));
  return link;
}

}  // namespace korvane
