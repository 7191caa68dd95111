// TDirectoryDlg: the folder chooser's decisions as a model: where it opens, what "&New directory"
// proposes, and creating the folder or the message shown when that fails. The view's folder tree
// reports the selected folder through Select and shows Folder() in its read-only box.
#pragma once

#include <optional>
#include <string>

#include "base/log_texts.h"

namespace korvane {

class TFileSystem;

struct TCreateFolderError {
  std::string Title = std::string(kCreateFolderErrorTitle);
  std::string Message = "Can not create the new folder!";
};

class TDirectoryDlg {
 public:
  // Opens on `start`, or the nearest folder above it that exists; on `program_folder` when there
  // is none.
  TDirectoryDlg(const TFileSystem& fs, std::string caption, const std::string& program_folder,
                const std::string& start, bool offers_new_directory = true);

  const std::string& Caption() const { return caption_; }
  bool OffersNewDirectory() const { return offers_new_directory_; }
  const std::string& Folder() const { return folder_; }
  void Select(std::string folder) { folder_ = std::move(folder); }

  // "&New directory": the prompt ("New directory...", "Enter directory name:") proposes this.
  std::string NewDirectoryProposal() const;
  static constexpr const char* kPromptCaption = "New directory...";
  static constexpr const char* kPromptLabel = "Enter directory name:";
  // Creates `name` (a relative one inside the selected folder) with its missing parents and
  // selects it; the error to show when it does not exist afterwards.
  std::optional<TCreateFolderError> NewDirectory(TFileSystem& fs, const std::string& name);

 private:
  std::string caption_;
  std::string folder_;
  bool offers_new_directory_;
};

}  // namespace korvane
