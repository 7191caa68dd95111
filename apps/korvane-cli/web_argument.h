// The web a command works on, named by its project file or by its folder (which holds
// "Local.Web"), as users name a folder to the programs that keep one.
#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <string>

#include "store/web_folder.h"

namespace korvane::cli {

// The project file of the web whose folder is `folder`, or empty when it is no folder holding one.
inline std::string ProjectFileInFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path project = fs::path(folder) / std::string(kProjectFileName);
  return fs::is_regular_file(project, ec) ? project.string() : std::string();
}

// A folder becomes its project file; a name that is neither an existing file nor a folder with
// a project file is refused with the reason.
inline CLI::Validator WebProjectArgument() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        namespace fs = std::filesystem;
        std::error_code ec;
        if (fs::is_directory(value, ec)) {
          std::string project = ProjectFileInFolder(value);
          if (project.empty()) {
            return "the folder " + value + " holds no web (no " + std::string(kProjectFileName) +
                   ")";
          }
          value = std::move(project);
          return {};
        }
        if (!fs::is_regular_file(value, ec)) return "no such web project file: " + value;
        return {};
      },
      "WEB.web or FOLDER");
}

}  // namespace korvane::cli
