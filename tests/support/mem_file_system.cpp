#include "support/mem_file_system.h"

#include <cerrno>

namespace korvane::testing {
namespace {

std::string Trimmed(std::string path) {
  while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
  return path;
}

std::string ParentOf(const std::string& path) {
  std::size_t slash = path.rfind(kPathSeparator);
  return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

// Data reaches the file system as it is appended, like a real file.
class TMemFile final : public TWritableFile {
 public:
  TMemFile(TMemFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  bool Append(std::string_view bytes) override {
    if (closed_ || fs_.InjectedFailure(path_)) return false;
    std::string& data = fs_.files[path_];
    if (fs_.write_budget >= 0 && static_cast<std::int64_t>(bytes.size()) > fs_.write_budget) {
      data.append(bytes.substr(0, static_cast<std::size_t>(fs_.write_budget)));
      fs_.write_budget = 0;
      fs_.last_status_ = TStatus::FromErrorNumber(ENOSPC, path_);
      return false;
    }
    if (fs_.write_budget >= 0) fs_.write_budget -= static_cast<std::int64_t>(bytes.size());
    data.append(bytes);
    return true;
  }
  bool Flush() override { return !closed_ && !fs_.InjectedFailure(path_); }
  bool Close() override {
    bool was_open = !closed_;
    closed_ = true;
    return was_open && !fs_.InjectedFailure(path_);
  }

 private:
  TMemFileSystem& fs_;
  std::string path_;
  bool closed_ = false;
};

bool TMemFileSystem::InjectedFailure(const std::string& path) {
  if (++operations != fail_operation) return false;
  failed_on = path;
  last_status_ =
      TStatus::Error(TStatus::TKind::kIoError, "input/output error (injected): " + path, EIO);
  return true;
}

bool TMemFileSystem::UnderReadOnly(const std::string& path) const {
  for (std::string p = Trimmed(path); !p.empty(); p = ParentOf(p)) {
    if (read_only.count(p)) return true;
    if (p == "/") break;
  }
  return false;
}

bool TMemFileSystem::Writable(const std::string& path) {
  if (UnderReadOnly(path)) return Failed(TStatus::FromErrorNumber(EROFS, path));
  if (unwritable.count(path)) return Failed(TStatus::FromErrorNumber(EACCES, path));
  if (!DirectoryExists(ParentOf(path))) return Failed(TStatus::FromErrorNumber(ENOENT, path));
  return !InjectedFailure(path);
}

bool TMemFileSystem::DirectoryExists(const std::string& path) const {
  return dirs.count(Trimmed(path)) > 0;
}

std::int64_t TMemFileSystem::FileSize(const std::string& path) const {
  auto it = files.find(path);
  return it == files.end() ? -1 : static_cast<std::int64_t>(it->second.size());
}

std::optional<std::string> TMemFileSystem::ReadFile(const std::string& path) const {
  auto it = files.find(path);
  if (it == files.end() || unreadable.count(path) > 0) {
    last_status_ = TStatus::FromErrorNumber(it == files.end() ? ENOENT : EACCES, path);
    return std::nullopt;
  }
  return it->second;
}

std::unique_ptr<TWritableFile> TMemFileSystem::OpenForWrite(const std::string& path) {
  if (on_open_for_write) on_open_for_write(path);
  if (!Writable(path)) return nullptr;
  files[path].clear();
  return std::make_unique<TMemFile>(*this, path);
}

std::unique_ptr<TWritableFile> TMemFileSystem::OpenForAppend(const std::string& path) {
  if (!Writable(path)) return nullptr;
  files[path];  // created when missing, kept otherwise
  return std::make_unique<TMemFile>(*this, path);
}

bool TMemFileSystem::RemoveFile(const std::string& path) {
  if (files.count(path) && InjectedFailure(path)) return false;
  if (unremovable.count(path)) return Failed(TStatus::FromErrorNumber(EACCES, path));
  return files.erase(path) > 0 || Failed(TStatus::FromErrorNumber(ENOENT, path));
}

bool TMemFileSystem::RenameFile(const std::string& from, const std::string& to) {
  auto it = files.find(from);
  // A file that cannot be written cannot be replaced by a rename either.
  if (it == files.end()) return Failed(TStatus::FromErrorNumber(ENOENT, from));
  if (fail_renames || unwritable.count(to)) return Failed(TStatus::FromErrorNumber(EACCES, to));
  if (InjectedFailure(to)) return false;
  files[to] = std::move(it->second);
  files.erase(from);
  return true;
}

bool TMemFileSystem::MakeDirs(const std::string& path) {
  if (!DirectoryExists(path) && UnderReadOnly(path)) {
    return Failed(TStatus::FromErrorNumber(EROFS, path));
  }
  for (std::string p = Trimmed(path); !p.empty() && !dirs.count(p); p = ParentOf(p)) {
    dirs.insert(p);
    if (p == "/") break;
  }
  return true;
}

bool TMemFileSystem::RemoveDir(const std::string& path) {
  std::string dir = Trimmed(path);
  // As rmdir: only an empty folder goes, one that holds a folder stays too.
  for (const auto& [name, data] : files) {
    if (ParentOf(name) == dir) return false;
  }
  for (const std::string& name : dirs) {
    if (name != dir && name != "/" && ParentOf(name) == dir) return false;
  }
  return dirs.erase(dir) > 0;
}

std::vector<std::string> TMemFileSystem::ListFiles(const std::string& dir) const {
  std::vector<std::string> names;
  std::string folder = Trimmed(dir);
  for (const auto& [name, data] : files) {
    if (ParentOf(name) == folder) names.push_back(name.substr(name.rfind(kPathSeparator) + 1));
  }
  return names;
}

std::vector<std::string> TMemFileSystem::ListFolders(const std::string& dir) const {
  std::vector<std::string> names;
  std::string folder = Trimmed(dir);
  for (const std::string& name : dirs) {
    if (name != "/" && ParentOf(name) == folder) {
      names.push_back(name.substr(name.rfind(kPathSeparator) + 1));
    }
  }
  return names;
}

}  // namespace korvane::testing
