#include "engine/recent_webs.h"

#include <algorithm>
#include <cctype>

#include "base/file_system.h"

namespace korvane {
namespace {

constexpr const char* kFileName = "webs.dat";

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

}  // namespace

std::string ProjectFolder(const std::string& project_file) {
  const std::size_t sep = project_file.rfind(kPathSeparator);
  return sep == std::string::npos ? std::string() : project_file.substr(0, sep);
}

void TRecentWebs::Load(const TFileSystem& fs, const std::string& work_path) {
  files_.clear();
  const auto text = fs.ReadFile(WithSeparator(work_path) + kFileName);
  if (!text) return;
  std::size_t start = 0;
  while (start < text->size() && files_.size() < kMenuEntries) {
    std::size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    std::string line = text->substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && std::find(files_.begin(), files_.end(), line) == files_.end()) {
      files_.push_back(line);
    }
    start = end + 1;
  }
}

bool TRecentWebs::Save(TFileSystem& fs, const std::string& work_path) const {
  std::string text;
  for (const std::string& f : files_) text += f + "\r\n";
  return fs.WriteFile(WithSeparator(work_path) + kFileName, text);
}

void TRecentWebs::Add(const std::string& project_file) {
  if (project_file.empty()) return;
  std::erase(files_, project_file);
  files_.insert(files_.begin(), project_file);
  // Only the menu's entries are ever used; older names would just grow the file.
  if (files_.size() > kMenuEntries) files_.resize(kMenuEntries);
}

std::vector<std::string> TRecentWebs::MenuEntries(const TTitleFn& title_of) const {
  std::vector<std::string> entries;
  for (std::size_t i = 0; i < files_.size() && i < kMenuEntries; ++i) {
    std::string title = title_of ? title_of(files_[i]).value_or("") : "";
    if (title.size() > kTitleMenuLength) title = title.substr(0, kTitleMenuLength) + "...";
    const std::string shown = title.empty() ? ProjectFolder(files_[i]) : Upper(title);
    entries.push_back("&" + std::to_string(i + 1) + " " + shown);
  }
  return entries;
}

}  // namespace korvane
