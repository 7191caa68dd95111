#include "base/data_folder.h"

#include <cstdlib>
#include <filesystem>

#include "base/file_system.h"

namespace korvane {

std::string DataFolder() {
  if (const char* env = std::getenv("KORVANE_DATA_DIR"); env && *env) return WithSeparator(env);
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    std::filesystem::path installed = exe.parent_path().parent_path() / "share" / "korvane";
    if (std::filesystem::is_directory(installed, ec)) return WithSeparator(installed.string());
  }
  return WithSeparator(KORVANE_SOURCE_DATA_DIR);
}

}  // namespace korvane
