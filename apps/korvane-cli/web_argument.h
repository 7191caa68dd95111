// The web a command works on, named by its project file or by its folder (which holds
// "Local.Web"), as users name a folder to the programs that keep one.
#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <string>

#include "store/web_folder.h"

namespace korvane::cli {

// A folder becomes its project file; a name that is neither an existing file nor a folder with
// a project file is refused with the reason.
inline CLI::Validator WebProjectArgument() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        namespace fs = std::filesystem;
        std::error_code ec;
        if (fs::is_directory(value, ec)) {
          const fs::path project = fs::path(value) / std::string(kProjectFileName);
          if (!fs::is_regular_file(project, ec)) {
            return "the folder " + value + " holds no web (no " + std::string(kProjectFileName) +
                   ")";
          }
          value = project.string();
          return {};
        }
        if (!fs::is_regular_file(value, ec)) return "no such web project file: " + value;
        return {};
      },
      "WEB.web or FOLDER");
}

}  // namespace korvane::cli
