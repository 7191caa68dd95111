// The file system as the engine sees it. Captured bodies, project files, index pages and web
// maintenance go through this interface so that tests can run on an in-memory file system and
// inject failures (a full disk, a file that cannot be written).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace korvane {

// A file being written from the start. Append may fail midway (disk full); the caller then
// closes the file and removes it.
class TWritableFile {
 public:
  virtual ~TWritableFile() = default;
  [[nodiscard]] virtual bool Append(std::string_view bytes) = 0;
  // Hands what was appended to the file system (a file may gather small appends): after it, a
  // killed process loses none of it.
  [[nodiscard]] virtual bool Flush() { return true; }
  // Flushes and closes; false when the data could not all be written.
  [[nodiscard]] virtual bool Close() = 0;
};

// How ReplaceFile writes.
struct TWriteOptions {
  bool OwnerOnly = false;  // readable by its owner only from the moment it exists (a password)
  // Flushed to the disk, with its folder, before ReplaceFile returns: for the files a user would
  // lose work with (the project file, the settings, maps, bookmarks), not for pages that can be
  // generated or rewritten again.
  bool Durable = false;
};

// The new file of a replacement (see TFileSystem::BeginReplace), written piece by piece so that
// a large page need not be held whole in memory. Commit puts it in the place of the old file;
// destroyed without a Commit, it is removed and the old file stays as it was.
class TReplacementFile {
 public:
  virtual ~TReplacementFile() = default;
  [[nodiscard]] virtual bool Append(std::string_view bytes) = 0;
  // Closes the new file (flushed when Durable) and renames it over the old one; false, with the
  // old file as it was and the new one gone, when any step failed.
  [[nodiscard]] virtual bool Commit() = 0;
};

class TFileSystem {
 public:
  virtual ~TFileSystem() = default;

  virtual bool FileExists(const std::string& path) const = 0;
  virtual bool DirectoryExists(const std::string& path) const = 0;
  // The file's size in bytes, or -1 when it does not exist.
  virtual std::int64_t FileSize(const std::string& path) const = 0;
  // The whole file, or nothing when it cannot be read.
  virtual std::optional<std::string> ReadFile(const std::string& path) const = 0;
  // Creates or truncates `path`; nullptr when it cannot be opened. A symbolic link in the place of
  // `path` is never followed (opening fails): a link planted in a web's folder cannot make the
  // program write elsewhere.
  virtual std::unique_ptr<TWritableFile> OpenForWrite(const std::string& path) = 0;
  // Opens `path` for writing at its end, creating it when missing; nullptr when it cannot be. A
  // symbolic link is not followed either.
  virtual std::unique_ptr<TWritableFile> OpenForAppend(const std::string& path) = 0;
  // Writes the whole file in one go (create or truncate).
  [[nodiscard]] bool WriteFile(const std::string& path, std::string_view bytes);
  // Replaces `path` by `bytes` in one step: a new file beside it is written (and flushed when
  // Durable) and renamed over `path`, so that a full disk or a crash leaves the old file or the
  // new one, never a mix. On failure `path` is as it was and the new file is gone.
  [[nodiscard]] bool ReplaceFile(const std::string& path, std::string_view bytes,
                                 TWriteOptions options = {});
  // The same replacement written piece by piece; nullptr when the new file cannot be created.
  virtual std::unique_ptr<TReplacementFile> BeginReplace(const std::string& path,
                                                         TWriteOptions options = {});
  // Why the last operation that failed failed: its kind, and the words a user reads ("the disk
  // is full: /w/a.htm").
  const TStatus& LastStatus() const { return last_status_; }
  const std::string& LastError() const { return last_status_.Words(); }
  [[nodiscard]] virtual bool RemoveFile(const std::string& path) = 0;
  // Replaces `to` by `from` in one step where the platform allows it.
  [[nodiscard]] virtual bool RenameFile(const std::string& from, const std::string& to) = 0;
  // Creates the folder and its missing parents; true when it exists afterwards.
  [[nodiscard]] virtual bool MakeDirs(const std::string& path) = 0;
  [[nodiscard]] virtual bool RemoveDir(const std::string& path) = 0;
  // True when `path` itself is a symbolic link (whatever it points at). Deleting a folder's
  // contents must not reach through one into another folder.
  virtual bool IsSymbolicLink(const std::string& path) const {
    (void)path;
    return false;
  }
  // Names (not paths) of the regular files directly in `dir`.
  virtual std::vector<std::string> ListFiles(const std::string& dir) const = 0;
  // The regular files and the symbolic links (whatever they point at) directly in `dir`: what
  // emptying the folder removes.
  virtual std::vector<std::string> ListRemovable(const std::string& dir) const {
    return ListFiles(dir);
  }
  // Names of the folders directly in `dir` (a link to a folder included).
  virtual std::vector<std::string> ListFolders(const std::string& dir) const {
    (void)dir;
    return {};
  }
  // Bytes free for the user on the volume holding `path`, or -1 when unknown.
  virtual std::int64_t FreeSpace(const std::string& path) const = 0;
  // Restricts the file to its owner; false when its mode could not be changed.
  [[nodiscard]] virtual bool MakeOwnerOnly(const std::string& path) = 0;

 protected:
  // Always false, for `return Failed(...)`.
  bool Failed(TStatus status) const {
    last_status_ = std::move(status);
    return false;
  }

  // Set by const operations too (a read that fails): it is what the last failure was, not a
  // part of the file system's state.
  mutable TStatus last_status_;
};

// The suffix of the new file that ReplaceFile writes beside the file it replaces.
inline constexpr std::string_view kReplacementSuffix = ".tmp";

// The entry of `dir` (a file or a folder) whose name is `name` in any letter case, as it is spelt
// on disk: `name` itself when it is there, else the first other spelling listed; none when there
// is none. The webs were made where names that differ only in case are one file.
std::optional<std::string> FindNameNoCase(const TFileSystem& fs, const std::string& dir,
                                          std::string_view name);

// The machine's own file system.
TFileSystem& RealFileSystem();

// The native folder separator, and `folder` with one at its end.
inline constexpr char kPathSeparator = '/';
std::string WithSeparator(std::string folder);

}  // namespace korvane
