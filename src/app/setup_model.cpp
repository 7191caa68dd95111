#include "app/setup_model.h"

#include <algorithm>

#include "base/file_system.h"
#include "base/number.h"
#include "pages/bookmarks.h"
#include "settings/param.h"

namespace korvane {

namespace {

std::string WithoutOuterSpaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::int32_t SpinValue(const std::string& text, std::int32_t min, std::int32_t max,
                       std::int32_t fallback) {
  return std::clamp(IntegerOr(text, fallback), min, max);
}

TParamForm::TParamForm(TParam& param, const TFileSystem& fs) : param_(param), fs_(fs) {
  SocketMaxEdit = std::to_string(param.MaxSockets);
  TimeoutEdit = std::to_string(param.Timeout);
  TryCountEdit = std::to_string(param.TryCount);
  StopWaitEdit = std::to_string(param.StopWaitSecs);
  ProxyUse = param.UseProxy;
  ProxyAdressEdit = param.ProxyAdress;
  ProxyPortEdit = std::to_string(param.ProxyPort);
  UserAgentEdit = param.UserAgent;
  DefaultPathEdit = param.Path;
  NativeFolderDialog = param.NativeFolderDialog;
  AutoLaunch = param.AutoLaunch;
  AutoBrowser = param.AutoBrowser;
  BrowserName = param.ExeName;
  // Shown from the last entry to the first, and stored as shown: the order turns round at every
  // OK, which the users of the list have always seen.
  BrowserItems.assign(param.BrowserList.rbegin(), param.BrowserList.rend());
  AutoAddBookmark = param.AutoAddBookmark;
  BookmarkFileEdit = param.BookmarkFileName;
  BookmarkFolderEdit = param.BookmarkFolder;
  const TSommaireParam& s = param.SommaireParams;
  ImgColEdit = std::to_string(s.ImgColByPage);
  ImgLigEdit = std::to_string(s.ImgLigByPage);
  ImgSizeEdit = std::to_string(s.ImgSize);
  ImgSizeMinEdit = std::to_string(s.ImgSizeMin);
  LigEdit = std::to_string(s.LigByPage);
  ImgRatio = s.ImgRatio;
}

void TParamForm::ShowPage(int page) {
  if (page >= 1 && page <= 4) page_ = page - 1;
}

void TParamForm::ProxyAdressExit() {
  if (ProxyUse && ProxyAdressEdit.empty()) ProxyUse = false;
}

void TParamForm::SetAutoBrowser(bool checked) {
  AutoBrowser = checked;
  if (!checked) return;
  param_.AutoBrowser = true;
  param_.FindNavigator();
  BrowserName = param_.ExeName;
}

void TParamForm::SelectBrowser(const std::string& path) {
  if (path.empty() || !fs_.FileExists(path)) {
    BrowserName = last_accepted_;
    return;
  }
  if (!last_accepted_.empty() &&
      std::find(BrowserItems.begin(), BrowserItems.end(), last_accepted_) == BrowserItems.end()) {
    BrowserItems.push_back(last_accepted_);
  }
  BrowserName = path;
  last_accepted_ = path;
  if (BrowserItems.size() > kMaxBrowsers) BrowserItems.pop_back();
}

std::string TParamForm::BookmarkProposal() const {
  if (!BookmarkFileEdit.empty()) return BookmarkFileEdit;
  std::string located = LocateNavigatorBookmarks(BrowserName, fs_);
  if (!located.empty()) return located;
  // With the user's other files: the program's folder is read-only once installed.
  return WithSeparator(param_.WorkPath()) + "bookmark.htm";
}

std::optional<std::string> TParamForm::ChooseBookmarkFile(TFileSystem& fs,
                                                          const std::string& path) {
  TBookMarks bookmarks(fs);
  if (fs.FileExists(path)) {
    bookmarks.SetFileName(path);
    int code = kBookmarksNoFile;
    try {
      code = bookmarks.Read();
    } catch (const TBookmarkConvertError&) {
      // A date that is not a number: not a file this program can keep.
    }
    bookmarks.Clear();
    if (code != kBookmarksRead) return kNotBookmarkFile;
  } else if (!CreateEmptyBookmarkFile(bookmarks, path)) {
    return "Cannot create file " + path;
  }
  BookmarkFileEdit = path;
  return std::nullopt;
}

bool TParamForm::Ok() {
  TParam& p = param_;
  p.MaxSockets = SpinValue(SocketMaxEdit, 1, 9, p.MaxSockets);
  p.Timeout = IntegerOr(TimeoutEdit, p.Timeout);
  p.TryCount = SpinValue(TryCountEdit, 1, 10, 1);
  p.StopWaitSecs = SpinValue(StopWaitEdit, 0, 3600, p.StopWaitSecs);
  p.UseProxy = ProxyUse;
  p.ProxyAdress = ProxyAdressEdit;
  // A port that is not a number keeps the old one rather than becoming port 0.
  p.ProxyPort = IntegerOr(ProxyPortEdit, p.ProxyPort);
  if (IsUserAgentText(UserAgentEdit)) p.UserAgent = WithoutOuterSpaces(UserAgentEdit);
  p.NativeFolderDialog = NativeFolderDialog;
  // An emptied box keeps the old folder: a bare separator would propose new webs at the root.
  if (!DefaultPathEdit.empty()) p.Path = WithSeparator(DefaultPathEdit);
  p.AutoLaunch = AutoLaunch;
  p.AutoBrowser = AutoBrowser;
  p.ExeName = BrowserName;
  p.BrowserList = BrowserItems;
  p.AutoAddBookmark = AutoAddBookmark;
  p.BookmarkFileName = BookmarkFileEdit;
  p.BookmarkFolder = BookmarkFolderEdit.empty() ? "Local webs" : BookmarkFolderEdit;
  TSommaireParam& s = p.SommaireParams;
  s.ImgColByPage = SpinValue(ImgColEdit, 2, 10, 2);
  s.ImgLigByPage = SpinValue(ImgLigEdit, 2, 10, 2);
  s.ImgSize = SpinValue(ImgSizeEdit, 16, 128, 16);
  s.ImgSizeMin = SpinValue(ImgSizeMinEdit, 0, 800, 0);
  s.LigByPage = SpinValue(LigEdit, 2, 50, 2);
  s.ImgRatio = ImgRatio;
  p.FindNavigator();
  return p.SaveSettings();
}

}  // namespace korvane
