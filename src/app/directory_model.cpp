#include "app/directory_model.h"

#include "base/file_system.h"

namespace korvane {

TDirectoryDlg::TDirectoryDlg(const TFileSystem& fs, std::string caption,
                             const std::string& program_folder, const std::string& start,
                             bool offers_new_directory)
    : caption_(std::move(caption)),
      folder_(!start.empty() && fs.DirectoryExists(start) ? start : program_folder),
      offers_new_directory_(offers_new_directory) {}

std::string TDirectoryDlg::NewDirectoryProposal() const { return WithSeparator(folder_); }

std::optional<TCreateFolderError> TDirectoryDlg::NewDirectory(TFileSystem& fs,
                                                              const std::string& name) {
  // Whether it was made is what the check below finds.
  if (!name.empty() && !fs.DirectoryExists(name)) (void)fs.MakeDirs(name);
  if (name.empty() || !fs.DirectoryExists(name)) return TCreateFolderError{};
  folder_ = name;
  return std::nullopt;
}

}  // namespace korvane
