// TWEB's maintenance: cleaning a web back to its start address, and copying or moving its files
// to another folder.
#include <filesystem>
#include <set>

#include "base/file_name.h"
#include "base/short_string.h"
#include "base/text_case.h"
#include "engine/web.h"

namespace korvane {
namespace {

bool IsCaptured(const TWebFile& record) { return record.State == wsPage || record.State == wsFile; }

// The folder of a project file, ending with a separator.
std::string FolderOfFile(const std::string& file_name) {
  std::filesystem::path folder = std::filesystem::path(file_name).parent_path();
  // A bare file name lies in the current folder, not at the root of the file system.
  if (folder.empty()) folder = ".";
  return WithSeparator(folder.string());
}

bool SameFolder(const std::string& a, const std::string& b) {
  auto normal = [](const std::string& f) {
    return WithSeparator(std::filesystem::path(f).lexically_normal().string());
  };
  return normal(a) == normal(b);
}

}  // namespace

bool TWEB::CleanExploreProc(TWebFile& record) {
  if (!record.GetFileName().empty()) clean_names_.push_back(record.GetFileName());
  return false;
}

std::vector<std::string> TWEB::Clean() {
  clean_names_.clear();
  tree_.Explore([this](TWebFile& record, const std::string&) { return CleanExploreProc(record); });
  std::vector<std::string> failed = DeleteFolderFiles(fs_, path_, clean_names_);
  clean_names_.clear();
  for (std::string& why : map_list_.DeleteMapFiles(fs_, path_)) failed.push_back(std::move(why));
  // Captured again, the same addresses take the same names.
  LocalNames().Remember(tree_);
  todo_.clear();
  tree_.Clear();
  referers_.clear();
  map_list_.Clear();
  ClearCount();
  total_size_ = 0;
  SetInitialUrl();
  // The log, the home page and the indexes spoke of the files just deleted: none may be offered.
  std::vector<std::string> generated = GeneratedPagesOf(fs_, path_);
  std::erase_if(generated, [](const std::string& name) {
    return SameTextNoCase(name, kNotFoundFileName) || SameTextNoCase(name, kBadLinkFileName);
  });
  for (std::string& why : DeleteFolderFiles(fs_, path_, generated))
    failed.push_back(std::move(why));
  CopyProgramPages();
  return failed;
}

bool TWEB::FileCountProc(const TWebFile& record) const {
  std::string_view name = WebFileNameOrEmpty(record.GetFileName());
  return IsCaptured(record) && !name.empty() && fs_.FileExists(path_ + std::string(name));
}

std::int32_t TWEB::GetFileCount() const {
  std::int32_t count = 0;
  tree_.Explore([this, &count](const TWebFile& record, const std::string&) {
    if (FileCountProc(record)) ++count;
    return false;
  });
  return count;
}

std::vector<std::string> TWEB::FilesBesideTheTree() const {
  std::vector<std::string> names = GeneratedPagesOf(fs_, path_);
  for (int i = 0; i < map_list_.Count(); ++i) {
    const std::string& map = map_list_.Item(i).MapFile;
    if (IsWebFileName(map) && fs_.FileExists(path_ + map)) names.push_back(map);
  }
  return names;
}

bool TWEB::CopyExploreProc(TWebFile& record) {
  std::string_view name = WebFileNameOrEmpty(record.GetFileName());
  if (IsCaptured(record) && !name.empty()) WebFileCopy(name);
  return false;
}

bool TWEB::WebFileCopy(std::string_view name) {
  const std::string source = path_ + std::string(name);
  if (!fs_.FileExists(source)) return true;
  if (copy_progress_) copy_progress_->FileCopied(std::string(name));
  const std::string target = copy_path_ + std::string(name);
  if (!MakeFileFolders(fs_, copy_path_, name)) {
    copy_failures_.emplace_back(name);
    return false;
  }
  std::optional<std::string> bytes = fs_.ReadFile(source);
  // A move deletes the source only when the whole copy is on disk: a short write (full disk)
  // would otherwise lose the file in both places.
  // Replaced whole: a file already there is never left cut short.
  const bool copied = bytes && fs_.ReplaceFile(target, *bytes) &&
                      fs_.FileSize(target) == static_cast<std::int64_t>(bytes->size());
  if (!copied) {
    copy_failures_.emplace_back(name);
    return false;
  }
  // A source that stays loses nothing: the copy is whole, and deleting the old folder lists it.
  if (move_files_) (void)DeleteFolderFiles(fs_, path_, {std::string(name)});
  return true;
}

std::vector<std::string> TWEB::CopyWouldReplace(const std::string& destination) {
  const std::string folder = ShortString(FolderOfFile(destination));
  std::set<std::string> clashes;
  if (SameFolder(path_, folder)) return {};
  auto check = [&](std::string_view name) {
    const std::string file(name);
    if (fs_.FileExists(path_ + file) &&
        (fs_.FileExists(folder + file) || fs_.IsSymbolicLink(folder + file))) {
      clashes.insert(file);
    }
  };
  tree_.Explore([&](TWebFile& record, const std::string&) {
    std::string_view name = WebFileNameOrEmpty(record.GetFileName());
    if (IsCaptured(record) && !name.empty()) check(name);
    return false;
  });
  for (const std::string& name : FilesBesideTheTree()) check(name);
  return {clashes.begin(), clashes.end()};
}

TWebCopyResult TWEB::WebCopy(const std::string& destination, bool move,
                             TWebCopyProgress* progress) {
  TWebCopyResult result;
  move_files_ = move;
  copy_path_ = ShortString(FolderOfFile(destination));
  copy_failures_.clear();
  // The copy is whole only with the pages that lead into it and the maps of its pictures.
  const std::vector<std::string> beside = FilesBesideTheTree();
  if (progress) {
    copy_progress_ = progress;
    progress->Start(GetFileCount() + static_cast<std::int32_t>(beside.size()));
  }
  if (!fs_.MakeDirs(copy_path_)) {
    result.FolderError = fs_.LastError();
    copy_progress_ = nullptr;
    return result;
  }
  // Copying a folder onto itself would truncate every file before reading it.
  result.SameFolder = SameFolder(path_, copy_path_);
  if (!result.SameFolder) {
    tree_.Explore([this](TWebFile& record, const std::string&) { return CopyExploreProc(record); });
    for (const std::string& name : beside) WebFileCopy(name);
  }
  SetPath(copy_path_);
  result.Saved = SaveToFile(destination);
  if (!result.Saved) result.SaveError = save_error_;
  result.Failed = std::move(copy_failures_);
  copy_failures_.clear();
  copy_progress_ = nullptr;
  return result;
}

}  // namespace korvane
