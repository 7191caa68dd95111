// The main window's commands that change a web's files: Reset, Copy, Move and Delete. The
// questions they ask go through hooks that the front end answers.
#pragma once

#include <string>
#include <string_view>

#include "app/web_tab_model.h"
#include "base/modal_result.h"
#include "engine/recent_webs.h"
#include "engine/web.h"

namespace korvane {

class TBookMarks;
class TParam;

inline constexpr std::string_view kResetQuestion =
    "This action will delete all created files as well as all links to URL\r\nContinue?";
inline constexpr std::string_view kResetCaption = "Reset Web";
inline constexpr std::string_view kDeleteFolderQuestion = "Delete associated directory?";
inline constexpr std::string_view kDeleteCaption = "Delete the Web ";
inline constexpr std::string_view kCopyCaption = "Copy Web";
inline constexpr std::string_view kMoveCaption = "Move Web";

// The questions of the commands and the place their deleted files go. Every question here is
// asked before something is destroyed: its safe answer (No, Cancel) is the default one.
class TMaintenanceHooks {
 public:
  virtual ~TMaintenanceHooks() = default;
  // A Yes/No question: true for Yes. No is the default answer.
  virtual bool Confirm(const std::string& text, const std::string& caption) = 0;
  // A Yes/No/Cancel question: mrYes, mrNo or mrCancel. Cancel is the default answer.
  virtual TModalResult AskYesNoCancel(const std::string& text, const std::string& caption) = 0;
  // Whether the desktop has a trash, from which a file deleted by mistake can be had back.
  virtual bool HasTrash() const { return false; }
  // Moves the file or folder `path` to the trash; false when it could not (it is then removed).
  virtual bool MoveToTrash(const std::string& path) {
    (void)path;
    return false;
  }
};

// The second line of a question before `count` files of `folder` are deleted: where they go.
std::string DeletionLine(std::size_t count, const std::string& folder, bool trash);

// "&Reset": when the web has captured files the user confirms first (the design's question, then
// the folder, the count and where the files go); then the form is stored into the web, its
// captured files, maps and log page go to the trash where there is one, the web is cleaned and
// shown again in `form`. True when the web was reset.
bool ResetWeb(TWEB& web, TWebForm& form, TMaintenanceHooks& hooks,
              std::vector<std::string>* not_deleted = nullptr);

// "&Copy..." and "&Move...", after the save dialog chose `destination`: the web is copied (or
// moved) there and becomes the copy; the recent webs follow.
TWebCopyResult CopyWeb(TWEB& web, const std::string& destination, bool move, TRecentWebs& recent,
                       TWebCopyProgress* progress);

// The question asked before a copy or move to `destination` writes over `replaced`, files already
// in its folder that may be the user's: how many, the first names, and the folder.
// How a copy or a move ended, in the words both front ends show; Text is empty when it went
// whole. Failed marks a text that says of a loss or a failure (not of a copy onto itself).
struct TCopyOutcome {
  std::string Text;
  bool Failed = false;
};
TCopyOutcome CopyOutcome(const TWebCopyResult& result, const std::string& destination, bool move);

std::string CopyReplaceQuestion(const std::vector<std::string>& replaced,
                                const std::string& destination, bool move);

struct TDeleteWebResult {
  bool Deleted = false;                 // false when the user cancelled: nothing was touched
  bool FolderRemoved = false;           // the web's folder is gone
  bool Trashed = false;                 // what went is in the trash, whole
  std::string Error;                    // a folder that could not be removed, empty when none
  std::vector<std::string> NotDeleted;  // files that could not be deleted
};

// What a delete left undone, in the words both front ends show (the folder's error, then each
// file that stayed with its reason); empty when the web went whole.
std::string DeleteOutcome(const TDeleteWebResult& result);

// Whether DeleteWeb may offer to delete `folder`: never the work path, the program's folder,
// the root or the home folder (compared without regard to letter case).
bool IsDeletableWebFolder(const std::string& folder, const std::string& work_path,
                          const std::string& program_folder);

// "&Delete": asks whether the folder goes too (unless it may not; the design's question, then
// what each answer deletes and where it goes), removes the web's bookmark, then: on Yes the
// folder goes (to the trash, whole, where there is one; else its files are deleted, never through
// a link); on No only the project file goes and the captured files stay; for the work path or
// the program's folder, which is never asked about, the web is cleaned and its project file goes.
// The project file leaves the recent webs. The caller then closes the web.
TDeleteWebResult DeleteWeb(TWEB& web, TParam& param, TBookMarks& bookmarks, TRecentWebs& recent,
                           TMaintenanceHooks& hooks, const std::string& program_folder);

}  // namespace korvane
