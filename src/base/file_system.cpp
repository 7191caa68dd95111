#include "base/file_system.h"

namespace korvane {

bool TFileSystem::WriteFile(const std::string& path, std::string_view bytes) {
  auto file = OpenForWrite(path);
  if (!file) return false;
  bool ok = file->Append(bytes);
  return file->Close() && ok;
}

// A file system without its own way (the tests' in-memory one) replaces through its primitives.
bool TFileSystem::ReplaceFile(const std::string& path, std::string_view bytes,
                              TWriteOptions options) {
  const std::string temporary = path + std::string(kReplacementSuffix);
  auto file = OpenForWrite(temporary);
  if (!file) return false;
  bool written = !options.OwnerOnly || MakeOwnerOnly(temporary);
  written = file->Append(bytes) && written;
  written = file->Close() && written;
  if (!written || !RenameFile(temporary, path)) {
    const std::string error = last_error_;
    (void)RemoveFile(temporary);
    last_error_ = error;
    return false;
  }
  return true;
}

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != kPathSeparator) folder.push_back(kPathSeparator);
  return folder;
}

}  // namespace korvane
