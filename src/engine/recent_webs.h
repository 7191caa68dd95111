// TRecentWebs: the project files opened last, most recent first, kept as "webs.dat" in the work
// path (one name per line) and shown as the File menu's numbered entries.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

class TFileSystem;

class TRecentWebs {
 public:
  static constexpr std::size_t kMenuEntries = 6;
  static constexpr std::size_t kTitleMenuLength = 32;

  // Reads "webs.dat"; a missing or unreadable file gives an empty list.
  void Load(const TFileSystem& fs, const std::string& work_path);
  bool Save(TFileSystem& fs, const std::string& work_path) const;

  // Puts `project_file` at the head (once).
  void Add(const std::string& project_file);
  // Takes `project_file` out of the list (a web moved or deleted).
  void Remove(const std::string& project_file) { std::erase(files_, project_file); }
  const std::vector<std::string>& Files() const { return files_; }

  // The title stored in a project file, none when the file cannot be read.
  using TTitleFn = std::function<std::optional<std::string>(const std::string& project_file)>;
  // "&1 " ... "&6 " followed by the upper-cased title (cut to 32 characters followed by "..."),
  // or by the project file's folder when the title is empty or unreadable.
  std::vector<std::string> MenuEntries(const TTitleFn& title_of) const;

 private:
  std::vector<std::string> files_;
};

// The project file's folder without its final separator.
std::string ProjectFolder(const std::string& project_file);

}  // namespace korvane
