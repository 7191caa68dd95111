#include "store/local_names.h"

#include <array>
#include <vector>

#include "base/text_case.h"
#include "html/url.h"
#include "store/mime_list.h"
#include "store/web_folder.h"

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
  next_number_.clear();
  pending_.reset();
}

void TLocalNames::Load() {
  if (loaded_) return;
  loaded_ = true;
  for (const std::string& name : fs_.ListFiles(folder_)) FileCreated(name);
}

void TLocalNames::FileCreated(std::string_view name) {
  // The name handed out last is known to be taken now: there is no need to look for it on disk.
  if (pending_ && *pending_ == name) pending_.reset();
  if (names_.emplace(name).second) ++taken_[AnsiLowerCase(name)];
}

void TLocalNames::FileRemoved(std::string_view name) {
  if (names_.erase(std::string(name)) == 0) return;
  auto folded = taken_.find(AnsiLowerCase(name));
  if (folded != taken_.end() && --folded->second == 0) {
    taken_.erase(folded);
    // A number below a remembered one may be free again; counting restarts, in memory only.
    next_number_.clear();
  }
}

void TLocalNames::CheckPending() {
  if (!pending_) return;
  std::string name = std::move(*pending_);
  pending_.reset();
  if (!fs_.FileExists(folder_ + name)) FileRemoved(name);
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

std::string TLocalNames::MakeLocalFileName(std::string_view url, std::string_view extension) {
  Load();
  CheckPending();
  std::string ext;
  for (char c : extension.substr(0, kMimeExtensionMax)) {
    // The extension may come from a project file: it must not carry a path.
    ext.push_back(c == '/' || c == '\\' ? '_' : PortableChar(c));
  }
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
  pending_ = name;
  return folder_ + name;
}

}  // namespace korvane
