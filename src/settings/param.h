// TParam: the program's global settings, kept in "korvane.ini" in the work path: the
// communication settings, the defaults offered for a new web, the navigator, the bookmarks, the
// default capture options and the index page parameters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pages/sommaire_param.h"
#include "store/options.h"

namespace korvane {

class TFileSystem;
class TIniFile;
class TNavigatorPlatform;
class TProfile;
class TParam;

// What the settings ask of the user. The desktop program shows its dialogs; without one (nullptr)
// the first-run folder is the profile's default and every question is answered no.
class TSettingsDialogs {
 public:
  virtual ~TSettingsDialogs() = default;
  // The first-run dialog: the work path the user chose, starting from `proposed`.
  virtual std::string AskWorkPath(const std::string& proposed) = 0;
  // The setup dialog on `page` (0 first page, 1 Communication, 2 Directories, 3 Browser, 4 HTML
  // Pages); true when the user pressed OK.
  virtual bool EditSettings(TParam& param, int page) = 0;
  // The error box of `kind` with `added_text` and the buttons Yes and No; true for Yes.
  virtual bool AskErrorYesNo(std::string_view kind, std::string_view added_text) = 0;
  // Tells the user that `target` could not be opened in the navigator, and `reason`.
  virtual void OpenFailed(const std::string& target, const std::string& reason) = 0;
};

// How loading the settings went.
enum class TSettingsLoad {
  kLoaded,      // "korvane.ini" was read
  kMissing,     // there was no "korvane.ini": the defaults hold, and saving creates the file
  kUnreadable,  // "korvane.ini" exists but cannot be read: the defaults hold
};

// Whether `text` can be a user agent: printable ASCII of one line, at most 255 bytes.
bool IsUserAgentText(std::string_view text);

class TParam {
 public:
  // The defaults; nothing is read or written until LoadSettings and SaveSettings.
  TParam(TFileSystem& fs, TProfile& profile, TNavigatorPlatform& navigator,
         TSettingsDialogs* dialogs);
  TParam(const TParam&) = delete;
  TParam& operator=(const TParam&) = delete;

  std::int32_t MaxSockets = 5;
  std::int32_t Timeout = 30;
  bool UseProxy = false;
  std::string ProxyAdress;
  std::int32_t ProxyPort = 80;
  std::int32_t TryCount = 3;
  // Seconds a stop that lets the transfers under way finish waits for them, at most.
  std::int32_t StopWaitSecs = kDefaultStopWaitSecs;
  static constexpr std::int32_t kDefaultStopWaitSecs = 60;
  // The name the requests give themselves; empty for the program's own. Only printable text of
  // one line is read (a header cannot be smuggled in through it).
  std::string UserAgent;
  // Folders are chosen in the desktop's own dialog where its platform theme has one.
  bool NativeFolderDialog = true;
  std::string Url = "http://www.";
  std::string Path;  // default capture folder, ends with a separator
  bool AutoBrowser = true;
  std::string ExeName;
  bool AutoLaunch = false;
  std::string BookmarkFileName;
  std::string BookmarkFolder = "Local webs";
  bool AutoAddBookmark = false;
  bool UseBookmark = true;
  bool LogState = false;
  bool NoWriteDisk = false;
  std::vector<std::string> BrowserList;
  TOPTIONS DefaultOptions;
  TSommaireParam SommaireParams;

  // The folder of "korvane.ini" and "mime.def"; ends with a separator.
  const std::string& WorkPath() const { return work_path_; }
  std::string SettingsFileName() const;

  // Establishes the work path (the first run asks for it, creates the folder and writes it into
  // the profile) and reads "korvane.ini" from it. With `establish` false nothing is created or
  // asked: a profile without a work path gives the default one, for commands that only read.
  TSettingsLoad LoadSettings(bool establish = true);
  // False when "korvane.ini" could not be written (the previous file is then left whole).
  bool SaveSettings();
  // Why the last LoadSettings or SaveSettings failed, in a sentence a user reads; empty when the
  // file was read or written.
  const std::string& SettingsError() const { return settings_error_; }
  bool EditSettings(int page);
  // Finds the navigator when AutoBrowser is set (which may start the desktop's own tools); true
  // when ExeName names an existing file. Looked for only when needed, then kept.
  bool FindNavigator();
  // Opens a local file or an address in the navigator, looking for it first if not yet done.
  // With no navigator chosen in the setup (the automatic search on, or no program named) the
  // desktop's own way of opening it is used where the platform has one. A failure is told to
  // the user through OpenFailed.
  void OpenInNavigator(const std::string& target, bool activate);
  // Whether the navigator can be asked for its page (GetNavigatorWindowInfo can succeed).
  bool CanReadNavigatorPage() const;
  bool GetNavigatorWindowInfo(std::string& url, std::size_t url_max, std::string& title,
                              std::size_t title_max);

 private:
  void EstablishWorkPath(bool establish);
  void ReadKeys(const TIniFile& ini);
  void WriteKeys(TIniFile& ini) const;

  TFileSystem& fs_;
  std::string settings_error_;
  TProfile& profile_;
  TNavigatorPlatform& navigator_;
  TSettingsDialogs* dialogs_;
  std::string work_path_;
  bool navigator_looked_for_ = false;
};

}  // namespace korvane
