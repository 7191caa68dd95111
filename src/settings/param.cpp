#include "settings/param.h"

#include <algorithm>

#include "base/file_system.h"
#include "base/ini_file.h"
#include "base/short_string.h"
#include "settings/navigator.h"
#include "settings/profile.h"

namespace korvane {
namespace {

constexpr std::size_t kBrowserListRead = 11;  // keys "0" to "10"

}  // namespace

TParam::TParam(TFileSystem& fs, TProfile& profile, TNavigatorPlatform& navigator,
               TSettingsDialogs* dialogs)
    : fs_(fs), profile_(profile), navigator_(navigator), dialogs_(dialogs) {}

std::string TParam::SettingsFileName() const { return work_path_ + "korvane.ini"; }

void TParam::EstablishWorkPath(bool establish) {
  std::string path = profile_.ReadWorkPath();
  if (!path.empty() && fs_.FileExists(NormaliseFolder(path) + "korvane.ini")) {
    work_path_ = NormaliseFolder(path);
    return;
  }
  std::string proposed = path.empty() ? profile_.DefaultWorkPath() : path;
  if (!establish) {
    work_path_ = ShortString(NormaliseFolder(proposed));
    return;
  }
  path = NormaliseFolder(dialogs_ ? dialogs_->AskWorkPath(proposed) : proposed);
  // A work path that cannot be made is said by the settings that cannot be written in it.
  (void)fs_.MakeDirs(path);
  work_path_ = ShortString(path);
  profile_.WriteWorkPath(work_path_);
}

bool IsUserAgentText(std::string_view text) {
  if (text.size() > 255) return false;
  for (char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

TSettingsLoad TParam::LoadSettings(bool establish) {
  EstablishWorkPath(establish);
  TIniFile ini;
  const bool exists = fs_.FileExists(SettingsFileName());
  const bool read = exists && ini.LoadFromFile(fs_, SettingsFileName());
  ReadKeys(ini);
  settings_error_.clear();
  if (!exists) return TSettingsLoad::kMissing;
  if (read) return TSettingsLoad::kLoaded;
  settings_error_ = "The settings cannot be read (" + fs_.LastError() + "): the defaults hold.";
  return TSettingsLoad::kUnreadable;
}

void TParam::ReadKeys(const TIniFile& ini) {
  auto text = [&](const char* section, const char* key, std::string_view fallback) {
    return ShortString(ini.ReadString(section, key, fallback));
  };
  MaxSockets = ini.ReadInteger("Options", "MaxSockets", 5);
  Timeout = ini.ReadInteger("Options", "Timeout", 30);
  UseProxy = ini.ReadBool("Options", "UseProxy", false);
  ProxyAdress = text("Options", "ProxyAdress", "");
  ProxyPort = ini.ReadInteger("Options", "ProxyPort", 80);
  TryCount = ini.ReadInteger("Options", "TryCount", 3);
  // A stop must end: a negative wait would be no wait, not a wait for ever.
  StopWaitSecs = std::max(0, ini.ReadInteger("Options", "StopWaitSecs", kDefaultStopWaitSecs));
  UserAgent = ini.ReadString("Options", "UserAgent", "");
  if (!IsUserAgentText(UserAgent)) UserAgent.clear();
  NativeFolderDialog = ini.ReadBool("Options", "NativeFolderDialog", true);
  Url = text("Web", "Url", "http://www.");
  Path = text("Web", "Path", work_path_);
  if (!Path.empty()) Path = WithSeparator(Path);
  AutoBrowser = ini.ReadBool("Browser", "Auto", true);
  ExeName = text("Browser", "ExeName", "");
  AutoLaunch = ini.ReadBool("Browser", "AutoLaunch", false);
  BookmarkFileName = text("Bookmark", "FileName", "");
  BookmarkFolder = text("Bookmark", "BookmarkFolder", "Local webs");
  AutoAddBookmark = ini.ReadBool("Bookmark", "AutoAddBookmark", false);
  UseBookmark = ini.ReadBool("Bookmark", "UseBookmark", true);
  LogState = ini.ReadBool("Log", "State", false);
  NoWriteDisk = ini.ReadBool("TeskUse", "NoWriteDisk", false);

  BrowserList.clear();
  for (std::size_t i = 0; i < kBrowserListRead; ++i) {
    std::string entry = text("BrowserList", std::to_string(i).c_str(), "");
    if (entry.empty()) break;
    BrowserList.push_back(std::move(entry));
  }
  DefaultOptions.LoadFromIni(ini, "DEFAULT");
  SommaireParams.LoadFromIni(ini, "sommaire");
}

void TParam::WriteKeys(TIniFile& ini) const {
  ini.WriteInteger("Options", "MaxSockets", MaxSockets);
  ini.WriteInteger("Options", "Timeout", Timeout);
  ini.WriteBool("Options", "UseProxy", UseProxy);
  ini.WriteString("Options", "ProxyAdress", ProxyAdress);
  ini.WriteInteger("Options", "ProxyPort", ProxyPort);
  ini.WriteInteger("Options", "TryCount", TryCount);
  // A key added since the original settings file: written only when it says something.
  if (StopWaitSecs != kDefaultStopWaitSecs || ini.HasKey("Options", "StopWaitSecs")) {
    ini.WriteInteger("Options", "StopWaitSecs", StopWaitSecs);
  }
  if (!UserAgent.empty() || ini.HasKey("Options", "UserAgent")) {
    ini.WriteString("Options", "UserAgent", UserAgent);
  }
  if (!NativeFolderDialog || ini.HasKey("Options", "NativeFolderDialog")) {
    ini.WriteBool("Options", "NativeFolderDialog", NativeFolderDialog);
  }
  ini.WriteString("Web", "Url", Url);
  ini.WriteString("Web", "Path", Path);
  ini.WriteBool("Browser", "Auto", AutoBrowser);
  ini.WriteString("Browser", "ExeName", ExeName);
  ini.WriteBool("Browser", "AutoLaunch", AutoLaunch);
  ini.WriteString("Bookmark", "FileName", BookmarkFileName);
  ini.WriteString("Bookmark", "BookmarkFolder", BookmarkFolder);
  ini.WriteBool("Bookmark", "AutoAddBookmark", AutoAddBookmark);
  ini.WriteBool("Bookmark", "UseBookmark", UseBookmark);
  ini.WriteBool("Log", "State", LogState);
  ini.WriteBool("TeskUse", "NoWriteDisk", NoWriteDisk);
  // Higher keys already in the file stay as they are.
  for (std::size_t i = 0; i < BrowserList.size(); ++i) {
    ini.WriteString("BrowserList", std::to_string(i), BrowserList[i]);
  }
  DefaultOptions.SaveToIni(ini, "default");
  SommaireParams.SaveToIni(ini, "sommaire");
}

bool TParam::SaveSettings() {
  // Start from the file as it is, so that keys this program does not know are kept.
  TIniFile ini;
  ini.LoadFromFile(fs_, SettingsFileName());
  WriteKeys(ini);
  settings_error_.clear();
  if (ini.SaveToFile(fs_, SettingsFileName())) return true;
  settings_error_ = "The settings could not be written (" + fs_.LastError() + ").";
  return false;
}

bool TParam::EditSettings(int page) { return dialogs_ && dialogs_->EditSettings(*this, page); }

bool TParam::FindNavigator() {
  navigator_looked_for_ = true;
  if (AutoBrowser) {
    ExeName.clear();
    std::string command = navigator_.DefaultHtmlOpenCommand();
    if (!command.empty()) ExeName = ShortString(ExeNameFromOpenCommand(command));
  }
  return !ExeName.empty() && fs_.FileExists(ExeName);
}

void TParam::OpenInNavigator(const std::string& target, bool activate) {
  if (AutoBrowser || ExeName.empty()) {
    if (std::optional<std::string> failure = navigator_.OpenWithDesktop(target)) {
      if (!failure->empty() && dialogs_) dialogs_->OpenFailed(target, *failure);
      return;
    }
  }
  if (!navigator_looked_for_) FindNavigator();
  if (!fs_.FileExists(ExeName)) {
    if (!dialogs_ || !dialogs_->AskErrorYesNo("Cannot load browser!", "\r\nChoose a browser?")) {
      return;
    }
    EditSettings(3);
    if (!fs_.FileExists(ExeName)) return;
  }
  const std::string page = ShortString(target);
  if (!navigator_.DdeOpenUrl(DdeServiceName(ExeName), page, activate) &&
      !navigator_.StartProgram(ExeName, page) && dialogs_) {
    dialogs_->OpenFailed(target, "The browser " + ExeName + " could not be started.");
  }
}

bool TParam::CanReadNavigatorPage() const { return navigator_.CanReadWindowInfo(); }

bool TParam::GetNavigatorWindowInfo(std::string& url, std::size_t url_max, std::string& title,
                                    std::size_t title_max) {
  url.clear();
  title.clear();
  std::optional<std::string> reply = navigator_.DdeGetWindowInfo(DdeServiceName(ExeName));
  if (!reply) return false;
  return ParseWindowInfoReply(*reply, url_max, title_max, url, title);
}

}  // namespace korvane
