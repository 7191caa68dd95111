#include "store/name_journal.h"

#include <optional>

#include "base/file_name.h"
#include "store/web_folder.h"

namespace korvane {

TNameJournal::TNameJournal(TFileSystem& fs, std::string folder)
    : fs_(fs), path_(WithSeparator(std::move(folder)) + std::string(kNameJournalFileName)) {}

bool TNameJournal::Note(std::string_view name) {
  if (broken_) return false;
  if (!file_) file_ = fs_.OpenForAppend(path_);
  if (!file_) return false;
  std::string line(name);
  line.push_back('\n');
  if (file_->Append(line) && file_->Flush()) return true;
  // A failed write may have left half a line; another name appended to it would make a name
  // that is not ours. Nothing more is noted until the next save.
  (void)file_->Close();  // failing already: broken_ says it
  file_.reset();
  broken_ = true;
  return false;
}

void TNameJournal::Clear() {
  // Cleared after a save: a journal that stays names files the project file holds, which the
  // next capture's clean-up leaves alone.
  if (file_) (void)file_->Close();
  file_.reset();
  broken_ = false;
  if (fs_.FileExists(path_)) (void)fs_.RemoveFile(path_);
}

std::vector<std::string> TNameJournal::Names() const {
  std::vector<std::string> names;
  std::optional<std::string> bytes = fs_.ReadFile(path_);
  if (!bytes) return names;
  std::size_t start = 0;
  // Only whole lines: a last line without its end was cut by a failed write.
  for (std::size_t end; (end = bytes->find('\n', start)) != std::string::npos; start = end + 1) {
    names.push_back(bytes->substr(start, end - start));
  }
  return names;
}

bool TNameJournal::RemoveFile(const std::string& name) {
  // A damaged journal must not reach out of the folder or at the folder's own pages.
  if (!IsWebFileName(name) || IsReservedFileName(name)) return false;
  const std::string folder = path_.substr(0, path_.size() - kNameJournalFileName.size());
  const std::string path = folder + name;
  if (!NoLinkOnTheWay(fs_, folder, name) || fs_.IsSymbolicLink(path) || !fs_.FileExists(path)) {
    return false;
  }
  return fs_.RemoveFile(path);
}

}  // namespace korvane
