// The desktop program's command line: which project file, options file and start address it
// names, whether it asks for a capture, and what the main window does with them at start-up.
// Keywords are matched without regard to case; paths and the address are used as typed.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/new_web_model.h"
#include "store/mime_list.h"

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

// The start address kept in a project file, none when it cannot be read.
using TProjectUrlFn = std::function<std::optional<std::string>(const std::string& project_file)>;

// `default_path` is the settings' default capture folder. Project files and folders are found
// without regard to letter case. Without a project file named, the web of the proposed folder
// (WebFolderName) is loaded when `project_url` says it is the web of the address (or cannot
// tell); a folder that holds another web or other files is passed over for name-2, name-3, ...
TStartupPlan PlanStartup(const TCommandLine& command, const TFileSystem& fs,
                         const std::string& default_path, const TDefaultWebNameFn& default_web_name,
                         const TProjectUrlFn& project_url = {});

// Applies a MIMES list ("+all,-video") to `table`, refusing it whole when it names a type the
// table does not know: passed over, a misspelt name would capture what the user meant to leave
// out. Empty when applied, otherwise why not (`where` names the list's source).
std::string ApplyMimeList(std::string_view list, std::string_view where, TMIMELIST& table);

// Applies an options file's section "OPTIONS" to `options` (keys it lacks keep their values) and
// its "MIMES" key to `table`. The file is checked whole first: when it cannot be read, names a
// key that is no option or a type the table does not know, or holds a value an option cannot
// take, nothing is changed and the words say why; empty when it was applied.
std::string ApplyOptionsFile(const TFileSystem& fs, const std::string& path, TOPTIONS& options,
                             TMIMELIST& table);

}  // namespace korvane
