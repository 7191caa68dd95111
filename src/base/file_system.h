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

namespace korvane {

// A file being written from the start. Append may fail midway (disk full); the caller then
// closes the file and removes it.
class TWritableFile {
 public:
  virtual ~TWritableFile() = default;
  [[nodiscard]] virtual bool Append(std::string_view bytes) = 0;
  // Flushes and closes; false when the data could not all be written.
  [[nodiscard]] virtual bool Close() = 0;
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
  // Creates or truncates `path`; nullptr when it cannot be opened.
  virtual std::unique_ptr<TWritableFile> OpenForWrite(const std::string& path) = 0;
  // Opens `path` for writing at its end, creating it when missing; nullptr when it cannot be.
  virtual std::unique_ptr<TWritableFile> OpenForAppend(const std::string& path) = 0;
  // Writes the whole file in one go (create or truncate).
  [[nodiscard]] bool WriteFile(const std::string& path, std::string_view bytes);
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
  // Bytes free for the user on the volume holding `path`, or -1 when unknown.
  virtual std::int64_t FreeSpace(const std::string& path) const = 0;
  // Restricts the file to its owner (project files hold a password).
  virtual void MakeOwnerOnly(const std::string& path) = 0;
};

// The machine's own file system.
TFileSystem& RealFileSystem();

// The native folder separator, and `folder` with one at its end.
inline constexpr char kPathSeparator = '/';
std::string WithSeparator(std::string folder);

}  // namespace korvane
