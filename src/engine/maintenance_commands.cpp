#include "engine/maintenance_commands.h"

#include <cstdlib>
#include <filesystem>

#include "base/text_case.h"
#include "engine/web_commands.h"
#include "engine/web_bookmark.h"
#include "pages/bookmarks.h"
#include "settings/param.h"

namespace korvane {
namespace {

std::string NormalFolder(const std::string& folder) {
  return WithSeparator(std::filesystem::path(folder).lexically_normal().string());
}

// Empties `folder`, then removes it. A folder that is a link is removed as a link: what it points
// at belongs to someone else.
bool RemoveFolder(TFileSystem& fs, const std::string& folder) {
  if (fs.IsSymbolicLink(folder)) return fs.RemoveFile(folder.substr(0, folder.size() - 1));
  return DeleteFolderFiles(fs, folder).empty() && fs.RemoveDir(folder);
}

}  // namespace

bool ResetWeb(TWEB& web, TWebForm& form, TMaintenanceHooks& hooks,
              std::vector<std::string>* not_deleted) {
  if (web.GetFileCount() > 0 || web.CapturedCount > 0) {
    if (!hooks.Confirm(std::string(kResetQuestion), std::string(kResetCaption))) return false;
  }
  StoreWeb(form, web);
  std::vector<std::string> failed = web.Clean();
  if (not_deleted) *not_deleted = std::move(failed);
  form = ShowWeb(web);
  return true;
}

TWebCopyResult CopyWeb(TWEB& web, const std::string& destination, bool move, TRecentWebs& recent,
                       TWebCopyProgress* progress) {
  if (move) recent.Remove(web.FileName);
  TWebCopyResult result = web.WebCopy(destination, move, progress);
  recent.Add(web.FileName);
  return result;
}

bool IsDeletableWebFolder(const std::string& folder, const std::string& work_path,
                          const std::string& program_folder) {
  const std::string f = NormalFolder(folder);
  if (folder.empty() || f == NormalFolder("/")) return false;
  if (const char* home = std::getenv("HOME"); home && SameTextNoCase(f, NormalFolder(home))) {
    return false;
  }
  return !SameTextNoCase(f, NormalFolder(work_path)) &&
         !SameTextNoCase(f, NormalFolder(program_folder));
}

TDeleteWebResult DeleteWeb(TWEB& web, TParam& param, TBookMarks& bookmarks, TRecentWebs& recent,
                           TMaintenanceHooks& hooks, const std::string& program_folder) {
  TDeleteWebResult result;
  bool remove_folder = false;
  if (IsDeletableWebFolder(web.Path, param.WorkPath(), program_folder)) {
    TModalResult answer =
        hooks.AskYesNoCancel(std::string(kDeleteFolderQuestion), std::string(kDeleteCaption));
    if (answer == mrCancel) return result;
    remove_folder = answer == mrYes;
  }
  result.Deleted = true;
  RemoveWebBookmark(bookmarks, param, web);
  result.NotDeleted = web.Clean();
  TFileSystem& fs = web.FileSystem();
  if (remove_folder) {
    const std::string index = web.Path + "index" + kPathSeparator;
    if (fs.DirectoryExists(index)) (void)RemoveFolder(fs, index);
    result.FolderRemoved = RemoveFolder(fs, web.Path);
    if (result.FolderRemoved) result.NotDeleted.clear();
    if (!result.FolderRemoved) {
      result.Error = "Cannot remove the folder " + web.Path + " (" + fs.LastError() + ")";
    }
  } else if (fs.FileExists(web.FileName) && !fs.RemoveFile(web.FileName)) {
    result.NotDeleted.push_back(fs.LastError());
  }
  recent.Remove(web.FileName);
  return result;
}

}  // namespace korvane
