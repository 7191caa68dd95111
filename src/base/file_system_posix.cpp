// The real file system on POSIX systems.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/file_system.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

class TStdioFile final : public TWritableFile {
 public:
  explicit TStdioFile(std::FILE* file) : file_(file) {}
  ~TStdioFile() override {
    if (file_) std::fclose(file_);
  }
  bool Append(std::string_view bytes) override {
    return file_ && std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
  }
  bool Close() override {
    if (!file_) return false;
    bool ok = std::fflush(file_) == 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
  }

 private:
  std::FILE* file_;
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
  std::optional<std::string> ReadFile(const std::string& path) const override {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return std::move(bytes).str();
  }
  std::unique_ptr<TWritableFile> OpenForWrite(const std::string& path) override {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return nullptr;
    return std::make_unique<TStdioFile>(file);
  }
  std::unique_ptr<TWritableFile> OpenForAppend(const std::string& path) override {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) return nullptr;
    return std::make_unique<TStdioFile>(file);
  }
  bool RemoveFile(const std::string& path) override {
    std::error_code ec;
    return fs::remove(path, ec) && !ec;
  }
  bool RenameFile(const std::string& from, const std::string& to) override {
    return std::rename(from.c_str(), to.c_str()) == 0;
  }
  bool MakeDirs(const std::string& path) override {
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
  }
  bool RemoveDir(const std::string& path) override {
    std::error_code ec;
    return fs::remove(path, ec) && !ec;
  }
  bool IsSymbolicLink(const std::string& path) const override {
    std::error_code ec;
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();  // "dir/" would follow the link
    return fs::is_symlink(fs::symlink_status(p, ec)) && !ec;
  }
  std::vector<std::string> ListFiles(const std::string& dir) const override {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code type_ec;
      if (it->is_regular_file(type_ec)) names.push_back(it->path().filename().string());
    }
    return names;
  }
  std::int64_t FreeSpace(const std::string& path) const override {
    std::error_code ec;
    fs::space_info info = fs::space(path, ec);
    return ec ? -1 : static_cast<std::int64_t>(info.available);
  }
  void MakeOwnerOnly(const std::string& path) override { ::chmod(path.c_str(), 0600); }
};

}  // namespace

bool TFileSystem::WriteFile(const std::string& path, std::string_view bytes) {
  auto file = OpenForWrite(path);
  if (!file) return false;
  bool ok = file->Append(bytes);
  return file->Close() && ok;
}

TFileSystem& RealFileSystem() {
  static TPosixFileSystem real;
  return real;
}

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != kPathSeparator) folder.push_back(kPathSeparator);
  return folder;
}

}  // namespace korvane
