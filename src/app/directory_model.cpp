#include "app/directory_model.h"

#include "base/file_system.h"

namespace korvane {
namespace {

// A folder that is yet to be made (a new web's) opens the chooser on the nearest one above it
// that exists, so that the user is near it, not in the program's own folder, which is no place
// for user files.
std::string NearestFolder(const TFileSystem& fs, const std::string& start,
                          const std::string& fallback) {
  if (start.empty() || start.front() != kPathSeparator) return fallback;
  std::string folder = start;
  while (!fs.DirectoryExists(folder)) {
    while (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
    const std::size_t cut = folder.rfind(kPathSeparator);
    if (cut == std::string::npos || folder.size() <= 1) return fallback;
    folder.resize(cut == 0 ? 1 : cut);
  }
  return folder;
}

}  // namespace

TDirectoryDlg::TDirectoryDlg(const TFileSystem& fs, std::string caption,
                             const std::string& program_folder, const std::string& start,
                             bool offers_new_directory)
    : caption_(std::move(caption)),
      folder_(NearestFolder(fs, start, program_folder)),
      offers_new_directory_(offers_new_directory) {}

std::string TDirectoryDlg::NewDirectoryProposal() const { return WithSeparator(folder_); }

std::optional<TCreateFolderError> TDirectoryDlg::NewDirectory(TFileSystem& fs,
                                                              const std::string& typed) {
  // A relative name is made inside the selected folder, not wherever the program was started.
  const std::string name =
      typed.empty() || typed.front() == kPathSeparator ? typed : WithSeparator(folder_) + typed;
  // Whether it was made is what the check below finds.
  if (!name.empty() && !fs.DirectoryExists(name)) (void)fs.MakeDirs(name);
  if (name.empty() || !fs.DirectoryExists(name)) return TCreateFolderError{};
  folder_ = name;
  return std::nullopt;
}

}  // namespace korvane
