#include "store/web_folder.h"

#include "base/file_name.h"
#include "base/file_system.h"
#include "base/text_case.h"

namespace korvane {
namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

std::string IndexPageName(std::string_view base) { return std::string(base) + ".htm"; }

bool IsReservedFileName(std::string_view name) {
  for (std::string_view page : {kLogFileName, kNotFoundFileName, kBadLinkFileName, kHomePageName,
                                kNameJournalFileName, kIndexStyleName}) {
    if (SameTextNoCase(name, page)) return true;
  }
  return IsIndexPageName(name);
}

bool IsIndexPageName(std::string_view name) {
  if (name.size() < 4 || !SameTextNoCase(name.substr(name.size() - 4), ".htm")) return false;
  std::string_view stem = name.substr(0, name.size() - 4);
  for (std::string_view base : kIndexBases) {
    if (stem.size() < base.size() || !SameTextNoCase(stem.substr(0, base.size()), base)) continue;
    // The first page has no number; the next ones are numbered in hexadecimal.
    bool numbered = true;
    for (char c : stem.substr(base.size())) numbered = numbered && IsHexDigit(c);
    if (numbered) return true;
  }
  return false;
}

std::string FindFolderPage(const TFileSystem& fs, const std::string& folder,
                           std::string_view name) {
  const std::string prefix = WithSeparator(folder);
  if (fs.FileExists(prefix + std::string(name))) return prefix + std::string(name);
  const std::optional<std::string> found = FindNameNoCase(fs, prefix, name);
  if (!found || !fs.FileExists(prefix + *found)) return {};
  return prefix + *found;
}

std::vector<std::string> GeneratedPagesOf(const TFileSystem& fs, const std::string& folder) {
  std::vector<std::string> pages;
  for (std::string& name : fs.ListFiles(WithSeparator(folder))) {
    // The journal of new names is the project file's business: a saved web needs none.
    if (IsReservedFileName(name) && !SameTextNoCase(name, kNameJournalFileName)) {
      pages.push_back(std::move(name));
    }
  }
  return pages;
}

bool NoLinkOnTheWay(const TFileSystem& fs, const std::string& folder, std::string_view name) {
  const std::string prefix = WithSeparator(folder);
  for (std::size_t slash = name.find('/'); slash != std::string_view::npos;
       slash = name.find('/', slash + 1)) {
    if (fs.IsSymbolicLink(prefix + std::string(name.substr(0, slash)))) return false;
  }
  return true;
}

bool MakeFileFolders(TFileSystem& fs, const std::string& folder, std::string_view name) {
  if (!IsWebFileName(name)) return false;
  const std::string prefix = WithSeparator(folder);
  for (std::size_t slash = name.find('/'); slash != std::string_view::npos;
       slash = name.find('/', slash + 1)) {
    const std::string path = prefix + std::string(name.substr(0, slash));
    if (fs.IsSymbolicLink(path) || fs.FileExists(path)) return false;
    if (!fs.DirectoryExists(path) && !fs.MakeDirs(path)) return false;
  }
  return true;
}

namespace {

// The folders of `name` from the deepest up, each left when it still holds anything (a folder
// is removed only when empty: no listing is needed to know).
void RemoveEmptyFolders(TFileSystem& fs, const std::string& prefix, std::string_view name) {
  for (std::size_t slash = name.rfind('/'); slash != std::string_view::npos && slash > 0;
       slash = name.rfind('/', slash - 1)) {
    if (!fs.RemoveDir(prefix + std::string(name.substr(0, slash)))) return;
  }
}

}  // namespace

std::vector<std::string> DeleteFolderFiles(TFileSystem& fs, const std::string& folder,
                                           const std::vector<std::string>& names) {
  std::vector<std::string> failures;
  const std::string prefix = WithSeparator(folder);
  for (const std::string& name : names) {
    if (!IsWebFileName(name) || !NoLinkOnTheWay(fs, prefix, name)) continue;
    const std::string path = prefix + name;
    if (!fs.FileExists(path) && !fs.IsSymbolicLink(path)) continue;
    if (!fs.RemoveFile(path)) {
      failures.push_back(fs.LastError());
      continue;
    }
    if (name.find('/') != std::string::npos) RemoveEmptyFolders(fs, prefix, name);
  }
  return failures;
}

std::vector<std::string> DeleteFolderFiles(TFileSystem& fs, const std::string& folder) {
  return DeleteFolderFiles(fs, folder, fs.ListRemovable(folder));
}

}  // namespace korvane
