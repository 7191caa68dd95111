#include "settings/profile.h"

#include <cstdlib>

#include "base/file_system.h"
#include "base/ini_file.h"
#include "base/short_string.h"

namespace korvane {
namespace {

constexpr const char* kSection = "KORVANE";
constexpr const char* kKey = "WORKPATH";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string ParentFolder(const std::string& file) {
  std::size_t slash = file.rfind(kPathSeparator);
  return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

}  // namespace

TIniProfile::TIniProfile(TFileSystem& fs, std::string file_name, std::string default_work_path)
    : fs_(fs), file_name_(std::move(file_name)), default_work_path_(std::move(default_work_path)) {}

TIniProfile TIniProfile::ForCurrentUser(TFileSystem& fs) {
  std::string home = Env("HOME");
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty()) config = home + "/.config";
  return TIniProfile(fs, config + "/korvane/profile.ini", NormaliseFolder(home + "/webs"));
}

std::string TIniProfile::ReadWorkPath() const {
  TIniFile ini;
  ini.LoadFromFile(fs_, file_name_);
  return ShortString(ini.ReadString(kSection, kKey, ""));
}

void TIniProfile::WriteWorkPath(const std::string& path) {
  TIniFile ini;
  ini.LoadFromFile(fs_, file_name_);
  ini.WriteString(kSection, kKey, path);
  // The work path is asked for again at the next start when it could not be kept.
  if (fs_.MakeDirs(ParentFolder(file_name_))) (void)ini.SaveToFile(fs_, file_name_);
}

TFixedProfile::TFixedProfile(const std::string& path) : path_(NormaliseFolder(path)) {}

std::string NormaliseFolder(std::string folder) {
  while (!folder.empty() && folder.back() == kPathSeparator) folder.pop_back();
  folder.push_back(kPathSeparator);
  return folder;
}

}  // namespace korvane
