// An in-memory file system for tests, with the failures a real disk can have: a disk that fills
// up after so many bytes, files that cannot be opened or removed, a rename that fails.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>

#include "base/file_system.h"

namespace korvane::testing {

class TMemFileSystem final : public TFileSystem {
 public:
  bool FileExists(const std::string& path) const override { return files.count(path) > 0; }
  bool DirectoryExists(const std::string& path) const override;
  std::int64_t FileSize(const std::string& path) const override;
  std::optional<std::string> ReadFile(const std::string& path) const override;
  std::unique_ptr<TWritableFile> OpenForWrite(const std::string& path) override;
  std::unique_ptr<TWritableFile> OpenForAppend(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  bool RenameFile(const std::string& from, const std::string& to) override;
  bool MakeDirs(const std::string& path) override;
  bool RemoveDir(const std::string& path) override;
  std::vector<std::string> ListFiles(const std::string& dir) const override;
  std::vector<std::string> ListFolders(const std::string& dir) const override;
  std::int64_t FreeSpace(const std::string&) const override { return free_space; }
  bool MakeOwnerOnly(const std::string& path) override {
    owner_only.insert(path);
    return true;
  }

  // Contents by full path; folders are kept without their trailing separator.
  std::map<std::string, std::string> files;
  std::set<std::string> dirs;
  std::set<std::string> owner_only;

  // Failure injection.
  std::int64_t free_space = 1LL << 40;
  std::int64_t write_budget = -1;     // bytes that can still be written; -1 for no limit
  std::set<std::string> unwritable;   // OpenForWrite fails
  std::set<std::string> unreadable;   // ReadFile fails (the file exists)
  std::set<std::string> unremovable;  // RemoveFile fails
  bool fail_renames = false;
  // Folders on a read-only mount: nothing is made or written below them.
  std::set<std::string> read_only;
  // The Nth operation that changes the disk (an open for writing, an append, a flush, a close, a
  // rename or a remove, counted from 1) fails once, as a system call may; 0 for none.
  std::int64_t fail_operation = 0;
  std::int64_t operations = 0;  // such operations so far
  std::string failed_on;        // the path of the operation that failed
  // Counts one such operation on `path`; true when it is the one to fail (its error is set).
  bool InjectedFailure(const std::string& path);
  // Told of every file opened for writing (to see when, and from where, files are written).
  std::function<void(const std::string& path)> on_open_for_write;

 private:
  friend class TMemFile;
  // Whether `path` may be opened for writing; the failure is set otherwise.
  bool Writable(const std::string& path);
  bool UnderReadOnly(const std::string& path) const;
};

}  // namespace korvane::testing
