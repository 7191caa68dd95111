// TParamForm: the setup dialog ("Korvane Setup") as a model over TParam. The view binds the edit
// texts and check boxes below, forwards the controls' events (SetProxyUse, ProxyAdressExit,
// SetAutoBrowser, SelectBrowser) and calls Ok() for "&OK"; "&Cancel" simply drops the model.
// Enabled states are read from the *Enabled() functions after every event.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

class TFileSystem;
class TParam;

class TParamForm {
 public:
  static constexpr std::size_t kMaxBrowsers = 10;

  TParamForm(TParam& param, const TFileSystem& fs);

  // EditSettings(page): 1 Communication ... 4 HTML Pages switch the notebook; 0 leaves it.
  void ShowPage(int page);
  int Page() const { return page_; }

  // Communication
  std::string SocketMaxEdit, TimeoutEdit, TryCountEdit;
  std::string StopWaitEdit;  // seconds a stop lets the transfers under way finish, 0 to 3600
  std::string ProxyAdressEdit, ProxyPortEdit;
  bool ProxyUse = false;
  void SetProxyUse(bool checked) { ProxyUse = checked; }
  // Leaving the address box empty while the proxy is on turns it off.
  void ProxyAdressExit();
  bool ProxyControlsEnabled() const { return ProxyUse; }
  // Empty for the program's own name; text that is not one line of printable ASCII (at most
  // 255 characters) keeps the name in use.
  std::string UserAgentEdit;

  // Directories
  std::string DefaultPathEdit;
  bool NativeFolderDialog = true;

  // Browser
  bool AutoLaunch = false;
  bool AutoBrowser = false;
  std::string BrowserName;
  std::vector<std::string> BrowserItems;
  // Checking searches for the navigator at once and stores the result into the settings, even if
  // the dialog is cancelled afterwards.
  void SetAutoBrowser(bool checked);
  bool BrowserControlsEnabled() const { return !AutoBrowser; }
  // A navigator chosen in the box or with "B&rowse...".
  void SelectBrowser(const std::string& path);
  bool AutoAddBookmark = false;
  std::string BookmarkFileEdit, BookmarkFolderEdit;
  // "Br&owse..." for the bookmark file: the file the chooser proposes (the edit's, else the one
  // beside the navigator, else "bookmark.htm" in the work folder).
  std::string BookmarkProposal() const;
  // The file chosen: one that exists must read as a bookmark file, one that does not is created
  // empty. On success the edit takes the path; otherwise the message to show, the edit unchanged.
  static constexpr const char* kNotBookmarkFile = "It is not a valid bookmarks file!";
  static constexpr const char* kNotBookmarkTitle = "Error";
  std::optional<std::string> ChooseBookmarkFile(TFileSystem& fs, const std::string& path);

  // HTML Pages
  std::string ImgColEdit, ImgLigEdit, ImgSizeEdit, ImgSizeMinEdit, LigEdit;
  bool ImgRatio = false;

  // "&OK": stores every field, finds the navigator, writes the settings. False when the settings
  // file could not be written (the values are kept in memory all the same).
  bool Ok();

 private:
  TParam& param_;
  const TFileSystem& fs_;
  int page_ = 0;
  std::string last_accepted_;
};

// A spin edit's value: the number typed kept within min..max, `fallback` when it is not a
// number.
std::int32_t SpinValue(const std::string& text, std::int32_t min, std::int32_t max,
                       std::int32_t fallback);

}  // namespace korvane
