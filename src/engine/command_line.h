// The desktop program's command line: which project file, options file and start address it
// names, whether it asks for a capture, and what the main window does with them at start-up.
// Keywords are matched without regard to case; paths and the address are used as typed.
#pragma once

#include <string>
#include <vector>

#include "engine/new_form.h"

namespace korvane {

class TFileSystem;
class TOPTIONS;

struct TCommandLine {
  bool Capture = false;  // "CAPTURE"
  std::string WebFile;   // an argument holding ".WEB"
  std::string IniFile;   // an argument holding ".INI"
  std::string Url;       // an argument holding "HTTP"
};

// `args` without the program's own name.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

struct TStartupPlan {
  enum TAction { kNothing, kLoad, kCreate };
  TAction Action = kNothing;
  std::string ProjectFile;
  std::string Folder;       // kCreate: the new web's folder (ends with a separator)
  std::string Url;          // kCreate: the start address
  std::string OptionsFile;  // kCreate: the options file, when it exists
  bool Capture = false;     // post the start message once the window is up
};

// `default_path` is the settings' default capture folder.
TStartupPlan PlanStartup(const TCommandLine& command, const TFileSystem& fs,
                         const std::string& default_path,
                         const TDefaultWebNameFn& default_web_name);

// Reads an options file's section "OPTIONS" into `options` (keys it lacks keep their values) and
// returns its "MIMES" key (the MIME selection), empty when the file cannot be read.
std::string ReadOptionsFile(const TFileSystem& fs, const std::string& path, TOPTIONS& options);

}  // namespace korvane
