#include "store/local_names.h"

#include <array>
#include <vector>

#include "base/file_name.h"
#include "base/text_case.h"
#include "html/url.h"
#include "store/mime_list.h"
#include "store/site_names.h"
#include "store/web_folder.h"
#include "store/web_tree.h"

namespace korvane {
namespace {

constexpr std::size_t kBaseMax = 8;

// Names must work from disk in every browser and on Windows.
char PortableChar(char c) {
  auto u = static_cast<unsigned char>(c);
  if (u < 0x20 || u >= 0x7F || c == '%' || c == '<' || c == '>' || c == ':' || c == '|') {
    return '_';
  }
  return c;
}

std::string_view CutBefore(std::string_view s, char c) {
  std::size_t at = s.find(c);
  return at == std::string_view::npos ? s : s.substr(0, at);
}

std::size_t DigitCount(std::uint32_t n) {
  std::size_t digits = 1;
  while (n >= 10) {
    n /= 10;
    ++digits;
  }
  return digits;
}

}  // namespace

std::string LocalBaseName(std::string_view url) {
  TUrl parsed(url);
  std::string_view doc = parsed.Document;
  doc = CutBefore(CutBefore(CutBefore(doc, '.'), ' '), '?');
  std::string base;
  for (char c : doc) {
    if (c == '=' || c == '*' || c == ',' || c == '+' || c == '"') continue;
    base.push_back(PortableChar(c));
    if (base.size() == kBaseMax) break;
  }
  return base.empty() ? "INDEX" : base;
}

std::string DefaultWebName(std::string_view url) {
  TUrl parsed(url);
  std::string name;
  // Directories from the last to the first; the root "/" is never longer than one character.
  std::vector<std::string_view> directories;
  std::string_view path = parsed.Path;
  for (std::size_t start = 0, i = 0; i < path.size(); ++i) {
    if (path[i] != '/' && path[i] != '\\') continue;
    directories.push_back(path.substr(start, i + 1 - start));
    start = i + 1;
  }
  for (auto it = directories.rbegin(); it != directories.rend(); ++it) {
    if (it->size() > 1) {
      name = it->substr(0, it->size() - 1);
      break;
    }
  }
  if (name.empty()) {
    std::string_view host = parsed.Host;
    std::size_t last_dot = host.rfind('.');
    if (last_dot != std::string_view::npos) host = host.substr(0, last_dot);
    for (std::size_t dot = host.find('.'); dot != std::string_view::npos; dot = host.find('.')) {
      host.remove_prefix(dot + 1);
    }
    name = host;
  }
  name.resize(std::min(name.size(), kBaseMax));
  for (char& c : name) c = PortableChar(c);
  return AnsiUpperCase(name);
}

TLocalNames::TLocalNames(TFileSystem& fs, std::string folder)
    : fs_(fs), folder_(WithSeparator(std::move(folder))) {}

void TLocalNames::Reset() {
  loaded_ = false;
  names_.clear();
  taken_.clear();
  site_folders_.clear();
  next_number_.clear();
  owners_.clear();
}

void TLocalNames::Load() {
  if (loaded_) return;
  loaded_ = true;
  for (const std::string& name : fs_.ListFiles(folder_)) FileCreated(name);
}

void TLocalNames::FileCreated(std::string_view name) {
  if (names_.emplace(name).second) ++taken_[AnsiLowerCase(name)];
}

void TLocalNames::FileRemoved(std::string_view name) {
  if (names_.erase(std::string(name)) == 0) return;
  const std::string folded_name = AnsiLowerCase(name);
  auto folded = taken_.find(folded_name);
  if (folded != taken_.end() && --folded->second == 0) {
    taken_.erase(folded);
    owners_.erase(folded_name);
    // A number below a remembered one may be free again; counting restarts, in memory only.
    next_number_.clear();
  }
}

bool TLocalNames::Taken(const std::string& folded_name) const {
  return IsReservedFileName(folded_name) || taken_.count(folded_name) > 0;
}

std::string TLocalNames::Candidate(std::string_view base, std::uint32_t n,
                                   std::string_view ext) const {
  std::string name(base.substr(0, n == 0 ? kBaseMax : kBaseMax - DigitCount(n)));
  if (n > 0) name.append(std::to_string(n));
  name.push_back('.');
  name.append(ext);
  return name;
}

std::string TLocalNames::SafeExtension(std::string_view extension) const {
  std::string ext;
  for (char c : extension.substr(0, kMimeExtensionMax)) {
    // The extension may come from a project file: it must not carry a path.
    ext.push_back(c == '/' || c == '\\' ? '_' : PortableChar(c));
  }
  return ext;
}

std::string TLocalNames::MakeLocalFileName(std::string_view url, std::string_view extension) {
  Load();
  const std::string ext = SafeExtension(extension);
  std::string base = LocalBaseName(url);
  std::string name = Candidate(base, 0, ext);
  std::string folded = AnsiLowerCase(name);
  // A file made since the listing by someone else is seen at least under its exact name.
  if (Taken(folded) || fs_.FileExists(folder_ + name)) {
    std::string key = AnsiLowerCase(base) + "." + AnsiLowerCase(ext);
    std::uint32_t& n = next_number_.try_emplace(key, 1).first->second;
    for (;; ++n) {
      name = Candidate(base, n, ext);
      folded = AnsiLowerCase(name);
      if (Taken(folded)) continue;
      if (!fs_.FileExists(folder_ + name)) break;
      FileCreated(name);
    }
  }
  FileCreated(name);
  return folder_ + name;
}

// A name a record may be stored under again: one a naming rule could have given it for this
// type, never one of the folder's own pages nor a path that leads out of the folder.
bool TLocalNames::Reusable(const std::string& name, std::string_view ext,
                           std::string_view content_type) const {
  if (name.find('/') != std::string::npos) {
    const std::string_view file = std::string_view(name).substr(WebFileFolder(name).size());
    const std::size_t dot = file.rfind('.');
    return IsWebFileName(name) && dot != std::string_view::npos &&
           ExtensionFitsType(file.substr(dot + 1), ext, content_type);
  }
  if (!IsPlainFileName(name) || IsReservedFileName(name)) return false;
  const std::size_t dot = name.find('.');
  return dot != std::string::npos && dot > 0 && SameTextNoCase(name.substr(dot + 1), ext);
}

std::string TLocalNames::Claim(const TWebFile& record, const std::string& name) {
  FileCreated(name);
  owners_[AnsiLowerCase(name)] = &record;
  return folder_ + name;
}

// Taken: handed out, on disk as a file or a folder, or below a folder that is a file.
bool TLocalNames::SiteNameTaken(const std::string& name) const {
  const std::string folded = AnsiLowerCase(name);
  if (taken_.count(folded) > 0 || site_folders_.count(folded) > 0) return true;
  const std::string path = folder_ + name;
  return fs_.FileExists(path) || fs_.DirectoryExists(path);
}

// The address's own path, numbered when another address took it; a flat name when the path is
// unusable: too long, or a folder of it is a file (http://h/a.png beside http://h/a.png/b).
std::string TLocalNames::MakeSiteFileName(std::string_view url, std::string_view ext,
                                          std::string_view content_type) {
  const std::string base = SiteFileName(url, ext, content_type);
  bool usable = !base.empty() && !IsReservedFileName(base.substr(0, base.find('/')));
  for (std::size_t slash = base.find('/'); usable && slash != std::string::npos;
       slash = base.find('/', slash + 1)) {
    const std::string folder = base.substr(0, slash);
    usable = taken_.count(AnsiLowerCase(folder)) == 0 && !fs_.FileExists(folder_ + folder) &&
             !fs_.IsSymbolicLink(folder_ + folder);
  }
  if (!usable) return MakeLocalFileName(url, ext);
  std::string name = base;
  for (unsigned n = 2; SiteNameTaken(name); ++n) name = NumberedSiteName(base, n);
  for (std::size_t slash = name.find('/'); slash != std::string::npos;
       slash = name.find('/', slash + 1)) {
    site_folders_.insert(AnsiLowerCase(name.substr(0, slash)));
  }
  FileCreated(name);
  return folder_ + name;
}

std::string TLocalNames::NameFor(const TWebFile& record, std::string_view url,
                                 std::string_view extension, std::string_view content_type) {
  Load();
  const std::string ext = SafeExtension(extension);
  last_was_new_ = false;
  const std::string& own = record.GetFileName();
  if (Reusable(own, ext, content_type)) {
    const std::string folded = AnsiLowerCase(own);
    auto owner = owners_.find(folded);
    const bool mine = owner != owners_.end() && owner->second == &record;
    if (mine || (owner == owners_.end() && !Taken(folded))) return Claim(record, own);
  }
  last_was_new_ = true;
  if (auto before = remembered_.find(std::string(url)); before != remembered_.end()) {
    const std::string name = std::move(before->second);
    remembered_.erase(before);
    if (Reusable(name, ext, content_type) && owners_.count(AnsiLowerCase(name)) == 0) {
      return Claim(record, name);
    }
  }
  const std::string path =
      site_ ? MakeSiteFileName(url, ext, content_type) : MakeLocalFileName(url, ext);
  return Claim(record, path.substr(folder_.size()));
}

void TLocalNames::Release(const TWebFile& record) {
  const std::string& name = record.GetFileName();
  auto owner = owners_.find(AnsiLowerCase(name));
  if (owner == owners_.end() || owner->second != &record) return;
  // A file still there (not removed, or the record's file of an earlier capture, which a body
  // that failed did not replace) is still the record's.
  if (fs_.FileExists(folder_ + name)) return;
  owners_.erase(owner);
  FileRemoved(name);
}

void TLocalNames::RecordReplaced(const TWebFile& destroyed, const TWebFile* replacement) {
  const std::string& name = destroyed.GetFileName();
  if (name.empty()) return;
  auto owner = owners_.find(AnsiLowerCase(name));
  if (owner == owners_.end() || owner->second != &destroyed) return;
  const bool same = replacement && SameTextNoCase(replacement->GetFileName(), name);
  owner->second = same ? replacement : nullptr;
}

void TLocalNames::ClaimNamesOf(TWebTree& tree) {
  Load();
  tree.Explore([this](const TWebFile& record, const std::string&) {
    const std::string& name = record.GetFileName();
    if (!IsWebFileName(name) || IsReservedFileName(name)) return false;
    FileCreated(name);
    auto [owner, added] = owners_.try_emplace(AnsiLowerCase(name), &record);
    if (!added && owner->second != &record) owner->second = nullptr;
    return false;
  });
}

void TLocalNames::Remember(TWebTree& tree) {
  tree.Explore([this](const TWebFile& record, const std::string& url) {
    const std::string& name = record.GetFileName();
    if (IsWebFileName(name) && !IsReservedFileName(name)) remembered_.emplace(url, name);
    return false;
  });
  // The records go; their names stay taken, for their addresses to take again.
  owners_.clear();
}

}  // namespace korvane
