// The real file system on POSIX systems. Files are written through descriptors, so that a write
// can refuse a symbolic link, create a file owner-only at once, and be flushed to the disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/file_system.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

constexpr int kWriteFlags = O_WRONLY | O_CLOEXEC | O_NOFOLLOW;

// Writes everything, retrying short writes; false with errno set otherwise.
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

class TFdFile final : public TWritableFile {
 public:
  TFdFile(int fd, std::string path, TStatus& last_status)
      : fd_(fd), path_(std::move(path)), last_status_(last_status) {}
  ~TFdFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Append(std::string_view bytes) override {
    if (fd_ < 0) return false;
    // Small writes (a log line) are gathered; a body arrives in packets of several KB.
    if (buffer_.size() + bytes.size() <= kBufferBytes) {
      buffer_.append(bytes);
      return true;
    }
    return Flush() && Write(bytes);
  }
  bool Close() override {
    if (fd_ < 0) return false;
    bool ok = Flush();
    if (::close(fd_) != 0 && ok) ok = Failed();
    fd_ = -1;
    return ok;
  }
  bool Flush() override {
    if (buffer_.empty()) return true;
    bool ok = Write(buffer_);
    buffer_.clear();
    return ok;
  }

 private:
  static constexpr std::size_t kBufferBytes = 8192;

  bool Write(std::string_view bytes) { return WriteAll(fd_, bytes) || Failed(); }
  bool Failed() {
    last_status_ = TStatus::FromErrorNumber(errno, path_);
    return false;
  }

  int fd_;
  std::string path_;
  TStatus& last_status_;
  std::string buffer_;
};

// The new file of a replacement. Pieces go to the disk as they come: a page is not gathered
// here, so that it is never held in memory twice.
class TFdReplacement final : public TReplacementFile {
 public:
  TFdReplacement(int fd, std::string path, bool durable, TStatus& last_status)
      : fd_(fd), path_(std::move(path)), durable_(durable), last_status_(last_status) {}
  ~TFdReplacement() override {
    if (fd_ >= 0) Discard(errno);
  }
  bool Append(std::string_view bytes) override {
    if (fd_ < 0 || !ok_) return false;
    ok_ = WriteAll(fd_, bytes);
    if (!ok_) {
      error_ = errno;
      last_status_ = TStatus::FromErrorNumber(error_, path_);
    }
    return ok_;
  }
  bool Commit() override {
    if (fd_ < 0) return false;
    if (ok_ && durable_ && ::fsync(fd_) != 0) Failed();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && ok_) Failed();
    const std::string temporary = path_ + std::string(kReplacementSuffix);
    if (!ok_ || ::rename(temporary.c_str(), path_.c_str()) != 0) {
      if (ok_) Failed();
      ::unlink(temporary.c_str());
      last_status_ = TStatus::FromErrorNumber(error_, path_);
      return false;
    }
    if (durable_) SyncFolder(FolderOf(path_));
    return true;
  }

  // The rename is durable only once the folder's entry is on the disk too.
  static void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Best effort: some file systems cannot sync a folder (EINVAL), and the file itself is on the
    // disk already; the old file is never lost either way.
    (void)::fsync(fd);
    ::close(fd);
  }

 private:
  void Failed() {
    ok_ = false;
    error_ = errno;
  }
  void Discard(int saved_errno) {
    ::close(fd_);
    fd_ = -1;
    ::unlink((path_ + std::string(kReplacementSuffix)).c_str());
    errno = saved_errno;
  }

  int fd_;
  std::string path_;
  bool durable_;
  TStatus& last_status_;
  bool ok_ = true;
  int error_ = 0;
};

class TPosixFileSystem final : public TFileSystem {
 public:
  bool FileExists(const std::string& path) const override {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
  }
  bool DirectoryExists(const std::string& path) const override {
    std::error_code ec;
    return fs::is_directory(path, ec);
  }
  std::int64_t FileSize(const std::string& path) const override {
    std::error_code ec;
    auto size = fs::file_size(path, ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
  }
  // Read in one piece of the file's own size: a stream would grow its buffer by doubling and
  // copy it once more, three times a large page in memory.
  std::optional<std::string> ReadFile(const std::string& path) const override {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      last_status_ = TStatus::FromErrorNumber(errno, path);
      return std::nullopt;
    }
    struct stat info {};
    std::string bytes;
    // One byte more than the file holds: the read that finds its end needs room, not growth.
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
      bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
    }
    std::size_t filled = 0;
    bool ok = true;
    while (ok) {
      if (filled == bytes.size()) bytes.resize(bytes.size() + 4096);  // grew, or no size known
      const ssize_t n = ::read(fd, bytes.data() + filled, bytes.size() - filled);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = n == 0;
        if (!ok) last_status_ = TStatus::FromErrorNumber(errno, path);
        break;
      }
      filled += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    bytes.resize(filled);
    return bytes;
  }
  std::unique_ptr<TWritableFile> OpenForWrite(const std::string& path) override {
    return Open(path, kWriteFlags | O_CREAT | O_TRUNC, 0666);
  }
  std::unique_ptr<TWritableFile> OpenForAppend(const std::string& path) override {
    return Open(path, kWriteFlags | O_CREAT | O_APPEND, 0666);
  }
  std::unique_ptr<TReplacementFile> BeginReplace(const std::string& path,
                                                 TWriteOptions options) override {
    const std::string temporary = path + std::string(kReplacementSuffix);
    const mode_t mode = options.OwnerOnly ? 0600 : 0666;
    // A new file of our own: a file or a link of that name left by a crash is removed first.
    int fd = ::open(temporary.c_str(), kWriteFlags | O_CREAT | O_EXCL, mode);
    if (fd < 0 && errno == EEXIST && ::unlink(temporary.c_str()) == 0) {
      fd = ::open(temporary.c_str(), kWriteFlags | O_CREAT | O_EXCL, mode);
    }
    if (fd < 0) {
      last_status_ = TStatus::FromErrorNumber(errno, temporary);
      return nullptr;
    }
    return std::make_unique<TFdReplacement>(fd, path, options.Durable, last_status_);
  }
  bool RemoveFile(const std::string& path) override {
    if (::unlink(path.c_str()) == 0) return true;
    return Fail(path);
  }
  bool RenameFile(const std::string& from, const std::string& to) override {
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    return Fail(to);
  }
  bool MakeDirs(const std::string& path) override {
    std::error_code ec;
    fs::create_directories(path, ec);
    const int error_number = ec.value();
    if (fs::is_directory(path, ec)) return true;
    // The reason is the system's (a read-only mount, a file in the way), not "no such folder".
    return Failed(TStatus::FromErrorNumber(error_number != 0 ? error_number : ENOTDIR, path));
  }
  bool RemoveDir(const std::string& path) override {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (::rmdir(p.c_str()) == 0) return true;
    return Fail(p);
  }
  bool IsSymbolicLink(const std::string& path) const override {
    std::error_code ec;
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();  // "dir/" would follow the link
    return fs::is_symlink(fs::symlink_status(p, ec)) && !ec;
  }
  std::vector<std::string> ListFiles(const std::string& dir) const override {
    return List(dir, false);
  }
  std::vector<std::string> ListRemovable(const std::string& dir) const override {
    return List(dir, true);
  }
  std::vector<std::string> ListFolders(const std::string& dir) const override {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code type_ec;
      if (it->is_directory(type_ec)) names.push_back(it->path().filename().string());
    }
    return names;
  }
  std::int64_t FreeSpace(const std::string& path) const override {
    std::error_code ec;
    fs::space_info info = fs::space(path, ec);
    return ec ? -1 : static_cast<std::int64_t>(info.available);
  }
  bool MakeOwnerOnly(const std::string& path) override {
    if (::chmod(path.c_str(), 0600) == 0) return true;
    return Fail(path);
  }

 private:
  std::unique_ptr<TWritableFile> Open(const std::string& path, int flags, mode_t mode) {
    int fd = ::open(path.c_str(), flags, mode);
    if (fd < 0) {
      last_status_ = TStatus::FromErrorNumber(errno, path);
      return nullptr;
    }
    return std::make_unique<TFdFile>(fd, path, last_status_);
  }
  bool Fail(const std::string& path) { return Failed(TStatus::FromErrorNumber(errno, path)); }
  static std::vector<std::string> List(const std::string& dir, bool with_links) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code type_ec;
      // is_regular_file follows a link: a link to a file is listed as a file.
      const bool listed = it->is_regular_file(type_ec) || (with_links && it->is_symlink(type_ec));
      if (listed) names.push_back(it->path().filename().string());
    }
    return names;
  }
};

}  // namespace

TFileSystem& RealFileSystem() {
  static TPosixFileSystem real;
  return real;
}

}  // namespace korvane
