// The commands that keep webs: clean, copy, move, delete, bookmark, add-url and force. Each
// works on a web's project file as the main window's "&Web" menu does, asks before it destroys
// files unless --yes is given, and saves the web as the main window would.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace korvane::cli {

struct TKeepArgs {
  std::string web;
  std::string destination;  // copy, move
  std::string url;          // add-url, force
  std::string bookmark_file;
  bool yes = false;
  bool with_folder = false;
};

void AddKeepCommands(CLI::App& app, TKeepArgs& args);
// The command that `app` parsed, when it is one of these; -1 when it is not.
int RunKeepCommand(const CLI::App& app, const TKeepArgs& args, const std::string& work_path);

}  // namespace korvane::cli
