// TNameJournal keeps, in a file of the web's folder, the local names handed out to captured files
// since the web was last saved. A program killed between two saves leaves files that no saved
// record names: the next capture would take their addresses again under new names (the old
// names are taken on disk) and the old files would stay for ever. The journal lets it find them,
// and only them: each name in it was free when handed out, so its file is the program's own.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"

namespace korvane {

class TNameJournal {
 public:
  // `folder` is the web's folder, with or without its final separator.
  TNameJournal(TFileSystem& fs, std::string folder);

  // Notes `name` before its file is made, handed to the file system at once so that a kill
  // right after loses none. False when the journal cannot be written: the capture goes on, and
  // at worst a kill leaves that file behind, as it would without a journal.
  bool Note(std::string_view name);
  // The web was saved: every name noted is in its project file now. The journal file goes.
  void Clear();
  // The names noted since the journal was last cleared, by this process or a killed one.
  std::vector<std::string> Names() const;
  // Removes the file `name` of the folder when it is one that the program names (plain, none
  // of the folder's own pages), present and no symbolic link; true when it went.
  bool RemoveFile(const std::string& name);

 private:
  TFileSystem& fs_;
  std::string path_;
  std::unique_ptr<TWritableFile> file_;  // open from the first name noted after a save
  bool broken_ = false;                  // a write failed: nothing is noted until Clear
};

}  // namespace korvane
