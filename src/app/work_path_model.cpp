#include "app/work_path_model.h"

#include "base/file_system.h"
#include "settings/profile.h"

namespace korvane {

TWorkPathDlg::TWorkPathDlg(std::string default_path)
    : WorkPathEdit(default_path), default_path_(std::move(default_path)) {}

TWorkPathDlg::TCloseStep TWorkPathDlg::TryClose(const TFileSystem& fs) {
  work_path_ = NormaliseFolder(WorkPathEdit);
  return fs.DirectoryExists(work_path_) ? kClose : kAskCreate;
}

bool TWorkPathDlg::AnswerCreate(TFileSystem& fs, TModalResult answer) {
  if (answer != mrYes) return false;
  // The program cannot go on without its work folder: a folder that could not be created keeps
  // the dialog open rather than letting the settings be written nowhere.
  return fs.MakeDirs(work_path_) && fs.DirectoryExists(work_path_);
}

}  // namespace korvane
