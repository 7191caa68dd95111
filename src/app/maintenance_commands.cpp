#include "app/maintenance_commands.h"

#include <cstdlib>
#include <filesystem>

#include "app/web_commands.h"
#include "base/file_name.h"
#include "base/text_case.h"
#include "engine/web_bookmark.h"
#include "engine/web_cookies.h"
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

// The web's folder is a link to a folder that is not ours to remove: the web's own files go
// from it (the project file and its password first), the link goes, and what stays is said.
void DeleteThroughLink(TWEB& web, TDeleteWebResult& result) {
  TFileSystem& fs = web.FileSystem();
  const std::string link = web.Path().substr(0, web.Path().size() - 1);
  std::error_code ec;
  const std::string real = std::filesystem::canonical(link, ec).string();
  std::vector<std::string> own;
  for (const std::string& name : fs.ListRemovable(web.Path())) {
    if (IsReservedFileName(name)) own.push_back(name);
  }
  for (std::string& failure : DeleteFolderFiles(fs, web.Path(), own)) {
    result.NotDeleted.push_back(std::move(failure));
  }
  for (const std::string& file : {web.FileName(), CookieFileOf(web.FileName())}) {
    if (fs.FileExists(file) && !fs.RemoveFile(file)) result.NotDeleted.push_back(fs.LastError());
  }
  const std::size_t stayed = fs.ListRemovable(web.Path()).size();
  if (!fs.RemoveFile(link)) result.NotDeleted.push_back(fs.LastError());
  result.Error = "The folder " + link +
                 " is a symbolic link: the link was removed, not the folder " +
                 (real.empty() ? std::string("it leads to") : real) + ", which keeps " +
                 std::to_string(stayed) + " file(s) that are not the web's";
}

// The files a Clean deletes that are the user's to want back: the captured files, the maps, the
// log page.
std::vector<std::string> CleanedFiles(TWEB& web) {
  TFileSystem& fs = web.FileSystem();
  std::vector<std::string> paths;
  auto add = [&](std::string_view name) {
    const std::string path = web.Path() + std::string(name);
    if (IsWebFileName(name) && fs.FileExists(path)) paths.push_back(path);
  };
  web.Tree().Explore([&](TWebFile& record, const std::string&) {
    if (record.State == wsPage || record.State == wsFile) add(record.GetFileName());
    return false;
  });
  for (int i = 0; i < web.MapList().Count(); ++i) add(web.MapList().Item(i).MapFile);
  add(kLogFileName);
  return paths;
}

// The files deleting the web's folder removes: those directly in it and the captured files in
// the site's own folders.
std::size_t FilesToDelete(TWEB& web) {
  TFileSystem& fs = web.FileSystem();
  std::size_t count = fs.ListRemovable(web.Path()).size();
  web.Tree().Explore([&](TWebFile& record, const std::string&) {
    const std::string& name = record.GetFileName();
    if (name.find('/') != std::string::npos && IsWebFileName(name) &&
        fs.FileExists(web.Path() + name)) {
      ++count;
    }
    return false;
  });
  return count;
}

// Moves `paths` to the trash where there is one; what did not go stays for the caller's removal.
// True when every one of them went.
bool TrashAll(const std::vector<std::string>& paths, TMaintenanceHooks& hooks) {
  if (!hooks.HasTrash()) return false;
  bool all = true;
  for (const std::string& path : paths) all = hooks.MoveToTrash(path) && all;
  return all;
}

}  // namespace

std::string DeletionLine(std::size_t count, const std::string& folder, bool trash) {
  return std::to_string(count) + " file(s) of " + folder +
         (trash ? " go to the trash." : " are deleted: there is no trash to have them back from.");
}

bool ResetWeb(TWEB& web, TWebForm& form, TMaintenanceHooks& hooks,
              std::vector<std::string>* not_deleted) {
  const std::vector<std::string> files = CleanedFiles(web);
  if (web.GetFileCount() > 0 || web.CapturedCount() > 0) {
    const std::string text = std::string(kResetQuestion) + "\r\n" +
                             DeletionLine(files.size(), web.Path(), hooks.HasTrash());
    if (!hooks.Confirm(text, std::string(kResetCaption))) return false;
  }
  StoreWeb(form, web);
  (void)TrashAll(files, hooks);
  std::vector<std::string> failed = web.Clean();
  if (not_deleted) *not_deleted = std::move(failed);
  form = ShowWeb(web);
  return true;
}

std::string CopyReplaceQuestion(const std::vector<std::string>& replaced,
                                const std::string& destination, bool move) {
  std::string text = std::to_string(replaced.size()) + " file(s) of " +
                     std::filesystem::path(destination).parent_path().string() +
                     " would be replaced (";
  for (std::size_t i = 0; i < replaced.size() && i < 5; ++i) text += (i ? ", " : "") + replaced[i];
  text += replaced.size() > 5 ? ", ...)" : ")";
  return text + (move ? ": move the web there?" : ": replace them?");
}

TCopyOutcome CopyOutcome(const TWebCopyResult& result, const std::string& destination, bool move) {
  if (!result.FolderError.empty()) {
    return {"The folder of " + destination + " cannot be made (" + result.FolderError +
                "): nothing was copied.",
            true};
  }
  if (result.SameFolder) return {"The web is already in that folder: nothing was copied.", false};
  std::string text;
  if (!result.Failed.empty()) {
    text = std::to_string(result.Failed.size()) + " file(s) could not be copied" +
           (move ? "; they stay in the web's former folder." : ".");
  }
  if (!result.Saved) {
    if (!text.empty()) text += " ";
    text += "The web could not be saved to " + destination + " (" + result.SaveError + ").";
  }
  return {text, !text.empty()};
}

TWebCopyResult CopyWeb(TWEB& web, const std::string& destination, bool move, TRecentWebs& recent,
                       TWebCopyProgress* progress) {
  if (move) recent.Remove(web.FileName());
  const std::string cookies = CookieFileOf(web.FileName());
  TWebCopyResult result = web.WebCopy(destination, move, progress);
  recent.Add(web.FileName());
  // A moved web keeps its session with the site; a copy, made to be read, takes none of it.
  TFileSystem& fs = web.FileSystem();
  const std::string moved = CookieFileOf(web.FileName());
  if (move && result.Saved && moved != cookies && fs.FileExists(cookies)) {
    const std::optional<std::string> bytes = fs.ReadFile(cookies);
    if (bytes && fs.ReplaceFile(moved, *bytes, {.OwnerOnly = true})) {
      (void)fs.RemoveFile(cookies);
    } else {
      result.Failed.push_back(std::filesystem::path(cookies).filename().string());
    }
  }
  return result;
}

std::string DeleteOutcome(const TDeleteWebResult& result) {
  std::string text = result.Error;
  if (text.empty() && !result.NotDeleted.empty()) {
    text = "The web is not wholly deleted: " + std::to_string(result.NotDeleted.size()) +
           " file(s) stayed:";
  }
  for (const std::string& why : result.NotDeleted) text += "\n  " + why;
  return text;
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
  TFileSystem& fs = web.FileSystem();
  const bool asked = IsDeletableWebFolder(web.Path(), param.WorkPath(), program_folder);
  bool remove_folder = false;
  if (asked) {
    const std::string project = std::filesystem::path(web.FileName()).filename().string();
    const std::string text =
        std::string(kDeleteFolderQuestion) +
        "\r\nYes: " + DeletionLine(FilesToDelete(web), web.Path(), hooks.HasTrash()) +
        " No: only the project file " + project + " goes; the captured files stay.";
    TModalResult answer = hooks.AskYesNoCancel(text, std::string(kDeleteCaption));
    if (answer == mrCancel) return result;
    remove_folder = answer == mrYes;
  }
  result.Deleted = true;
  RemoveWebBookmark(bookmarks, param, web);
  recent.Remove(web.FileName());
  if (remove_folder && !fs.IsSymbolicLink(web.Path()) && hooks.HasTrash() &&
      hooks.MoveToTrash(web.Path().substr(0, web.Path().size() - 1))) {
    // Whole, as it was: the web can be had back from the trash.
    result.FolderRemoved = result.Trashed = true;
    return result;
  }
  // Through a link, the web's own files go from the folder it leads to, and the folder stays.
  if (!asked || (remove_folder && fs.IsSymbolicLink(web.Path()))) {
    const std::vector<std::string> files = CleanedFiles(web);
    result.Trashed = TrashAll(files, hooks);
    result.NotDeleted = web.Clean();
  }
  if (remove_folder && fs.IsSymbolicLink(web.Path())) {
    DeleteThroughLink(web, result);
  } else if (remove_folder) {
    // The files in the site's own folders go with their records, and those folders with them.
    (void)web.Clean();
    const std::string index = web.Path() + "index" + kPathSeparator;
    // What stays in it keeps the web's folder too, and that failure is said below.
    if (fs.DirectoryExists(index)) (void)RemoveFolder(fs, index);
    result.FolderRemoved = RemoveFolder(fs, web.Path());
    if (result.FolderRemoved) result.NotDeleted.clear();
    if (!result.FolderRemoved) {
      result.Error = "Cannot remove the folder " + web.Path() + " (" + fs.LastError() +
                     "): it holds other folders or files that are not the web's";
    }
  } else if (fs.FileExists(web.FileName())) {
    // The web's cookies go with its project file: they may open a session on the site.
    std::vector<std::string> files = {web.FileName()};
    if (const std::string cookies = CookieFileOf(web.FileName()); fs.FileExists(cookies)) {
      files.push_back(cookies);
    }
    const bool trashed = TrashAll(files, hooks);
    result.Trashed = trashed && (asked || result.Trashed);
    for (const std::string& file : files) {
      if (!trashed && !fs.RemoveFile(file)) result.NotDeleted.push_back(fs.LastError());
    }
  }
  return result;
}

}  // namespace korvane
