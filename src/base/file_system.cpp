#include "base/file_system.h"

#include "base/text_case.h"

namespace korvane {

std::optional<std::string> FindNameNoCase(const TFileSystem& fs, const std::string& dir,
                                          std::string_view name) {
  std::optional<std::string> found;
  for (const auto& names : {fs.ListFiles(dir), fs.ListFolders(dir)}) {
    for (const std::string& entry : names) {
      if (entry == name) return entry;
      if (!found && SameTextNoCase(entry, name)) found = entry;
    }
  }
  return found;
}

bool TFileSystem::WriteFile(const std::string& path, std::string_view bytes) {
  auto file = OpenForWrite(path);
  if (!file) return false;
  bool ok = file->Append(bytes);
  return file->Close() && ok;
}

bool TFileSystem::ReplaceFile(const std::string& path, std::string_view bytes,
                              TWriteOptions options) {
  std::unique_ptr<TReplacementFile> file = BeginReplace(path, options);
  if (!file) return false;
  const bool written = file->Append(bytes);
  return file->Commit() && written;
}

namespace {

// A file system without its own way (the tests' in-memory one) replaces through its primitives.
class TPrimitiveReplacement final : public TReplacementFile {
 public:
  TPrimitiveReplacement(TFileSystem& fs, std::string path, std::unique_ptr<TWritableFile> file,
                        bool written)
      : fs_(fs), path_(std::move(path)), file_(std::move(file)), written_(written) {}
  ~TPrimitiveReplacement() override {
    if (file_) Discard();
  }
  bool Append(std::string_view bytes) override {
    written_ = file_ && file_->Append(bytes) && written_;
    return written_;
  }
  bool Commit() override {
    if (!file_) return false;
    const bool closed = file_->Close();
    const std::string temporary = path_ + std::string(kReplacementSuffix);
    if (!(written_ && closed) || !fs_.RenameFile(temporary, path_)) {
      Discard();
      return false;
    }
    file_.reset();
    return true;
  }

 private:
  void Discard() {
    file_.reset();
    // The replacement failed already; a temporary left behind is replaced at the next attempt.
    (void)fs_.RemoveFile(path_ + std::string(kReplacementSuffix));
  }

  TFileSystem& fs_;
  std::string path_;
  std::unique_ptr<TWritableFile> file_;
  bool written_;
};

}  // namespace

std::unique_ptr<TReplacementFile> TFileSystem::BeginReplace(const std::string& path,
                                                            TWriteOptions options) {
  const std::string temporary = path + std::string(kReplacementSuffix);
  auto file = OpenForWrite(temporary);
  if (!file) return nullptr;
  const bool written = !options.OwnerOnly || MakeOwnerOnly(temporary);
  return std::make_unique<TPrimitiveReplacement>(*this, path, std::move(file), written);
}

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != kPathSeparator) folder.push_back(kPathSeparator);
  return folder;
}

}  // namespace korvane
