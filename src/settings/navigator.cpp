#include "settings/navigator.h"

#include <algorithm>

#include "base/text_case.h"

namespace korvane {
namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) < 33) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) < 33) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string ExeNameFromOpenCommand(std::string_view command) {
  command = command.substr(0, command.find(' '));
  if (command.size() >= 2 && command.front() == '"' && command.back() == '"') {
    command = command.substr(1, command.size() - 2);
  }
  return std::string(command);
}

std::string DdeServiceName(std::string_view exe_name) {
  std::size_t slash = exe_name.find_last_of("/\\");
  if (slash != std::string_view::npos) exe_name.remove_prefix(slash + 1);
  exe_name = exe_name.substr(0, exe_name.find('.'));
  std::string service(exe_name);
  std::transform(service.begin(), service.end(), service.begin(), AsciiUpper);
  return service;
}

std::vector<std::string> SplitQuotedList(std::string_view text) {
  std::vector<std::string> list;
  std::string current;
  bool in_string = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (!in_string) {
      if (c == '"') in_string = true;
    } else if (c == '\\') {
      if (i + 1 < text.size()) current.push_back(text[++i]);
    } else if (c == '"') {
      list.push_back(std::move(current));
      current.clear();
      in_string = false;
    } else {
      current.push_back(c);
    }
  }
  return list;
}

bool ParseWindowInfoReply(std::string_view reply, std::size_t url_max, std::size_t title_max,
                          std::string& url, std::string& title) {
  url.clear();
  title.clear();
  std::vector<std::string> list = SplitQuotedList(reply);
  if (list.empty()) return false;
  url = list[0].substr(0, url_max);
  if (list.size() > 1) {
    std::string_view t = TrimBlanks(list[1]);
    t = t.substr(0, title_max);
    constexpr std::string_view kPrefix = "netscape - ";
    if (SameAsciiNoCase(t.substr(0, kPrefix.size()), kPrefix)) {
      t.remove_prefix(kPrefix.size());
      if (t.size() >= 2 && t.front() == '[' && t.back() == ']') t = t.substr(1, t.size() - 2);
    }
    title = std::string(t);
  }
  return true;
}

}  // namespace korvane
