// TWorkPathDlg: the first-run dialog as a model. The view shows WorkPathEdit (reset by Activate),
// offers "&Browse..." through the folder chooser (caption kBrowseCaption, no "&New directory"),
// and when the user closes calls TryClose; on kAskCreate it asks kCreateQuestion (title
// kCreateTitle, Yes/No) and passes the answer to AnswerCreate, which says whether it may close.
#pragma once

#include <string>

#include "base/modal_result.h"

namespace korvane {

class TFileSystem;

class TWorkPathDlg {
 public:
  // `default_path`: the work path proposed at every activation.
  explicit TWorkPathDlg(std::string default_path);

  static constexpr const char* kCaption = "First Korvane setup";
  static constexpr const char* kBrowseCaption = "Select directory";
  static constexpr const char* kCreateQuestion = "Create this directory?";
  static constexpr const char* kCreateTitle = "Directory no exist";

  std::string WorkPathEdit;
  void Activate() { WorkPathEdit = default_path_; }

  enum TCloseStep { kClose, kAskCreate };
  // Normalises the edit (trailing separators removed, exactly one put back) into WorkPath().
  TCloseStep TryClose(const TFileSystem& fs);
  // Yes creates the folder with its parents; true when the dialog may close (the folder exists).
  bool AnswerCreate(TFileSystem& fs, TModalResult answer);
  const std::string& WorkPath() const { return work_path_; }

 private:
  std::string default_path_;
  std::string work_path_;
};

}  // namespace korvane
