#include "engine/web_cookies.h"

#include "base/file_system.h"
#include "base/text_case.h"

namespace korvane {

std::string CookieFileOf(const std::string& project) {
  if (project.empty()) return {};
  constexpr std::string_view kProjectExtension = ".web";
  std::string base = project;
  if (base.size() > kProjectExtension.size() &&
      SameAsciiNoCase(std::string_view(base).substr(base.size() - kProjectExtension.size()),
                      kProjectExtension)) {
    base.resize(base.size() - kProjectExtension.size());
  }
  return base + ".cookies";
}

std::optional<std::string> LoadCookies(TFileSystem& fs, const std::string& file, TCookieJar& jar,
                                       std::int64_t now) {
  if (!fs.FileExists(file)) {
    if (fs.DirectoryExists(file)) return file + " is a folder, not a cookies file";
    return std::nullopt;
  }
  // Far more than any browser's export: a larger file is no cookies file.
  constexpr std::int64_t kMaxCookieFileBytes = 16 << 20;
  if (fs.FileSize(file) > kMaxCookieFileBytes) return file + " is too large to be a cookies file";
  const std::optional<std::string> text = fs.ReadFile(file);
  if (!text) return file + " cannot be read (" + fs.LastError() + ")";
  if (auto error = jar.Import(*text, now)) return file + ": " + *error;
  return std::nullopt;
}

std::optional<std::string> SaveCookies(TFileSystem& fs, const std::string& file,
                                       const TCookieJar& jar, std::int64_t now) {
  if (file.empty() || (jar.Size() == 0 && !fs.FileExists(file))) return std::nullopt;
  if (fs.ReplaceFile(file, jar.Export(now), {.OwnerOnly = true})) return std::nullopt;
  return "the cookies could not be kept in " + file + " (" + fs.LastError() + ")";
}

TClearedCookies ClearCookies(TFileSystem& fs, const std::string& file) {
  if (file.empty() || !fs.FileExists(file)) return {"The web keeps no cookies.", false};
  if (fs.RemoveFile(file)) return {"The web's cookies were cleared.", false};
  return {"The cookies could not be cleared: " + file + " (" + fs.LastError() + ")", true};
}

}  // namespace korvane
