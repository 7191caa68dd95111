// `korvane-cli capture`: creates a web on an address and a folder and captures it, or captures
// an existing web again from its project file.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace korvane::cli {

struct TCaptureArgs {
  std::string target;  // an address, or a project file (".web")
  std::string folder;  // the new web's folder
  std::string title;
  std::string options_file;  // section "OPTIONS", with "MIMES"
  std::string mimes;         // the file types to capture or not, as MIMES spells them
  std::string work_path;
  bool replace = false;  // delete the files already in a new web's folder (asked, or --yes)
  bool yes = false;      // do not ask before deleting them
  bool verbose = false;
  // Capture options given as flags, by their settings-file key.
  std::map<std::string, std::string> options;
  // Address rules in the order given (--include, --exclude and the lines of --rules files),
  // each as the web stores it; when any is given they replace the web's rules.
  std::vector<std::string> rules;
  bool rules_given = false;
  // --header lines, "Name: value"; when any is given they replace the web's extra headers.
  std::vector<std::string> headers;
  bool headers_given = false;
  // Communication settings for this run.
  int sockets = 0;
  int tries = 0;
  int timeout = 0;
  int stop_wait = -1;       // the settings' wait when not given
  std::string user_agent;   // the settings' when empty
  std::string cookie_file;  // a cookies.txt to start with; none when empty
  std::string proxy;
  bool no_proxy = false;
  std::string no_write_disk;
  // `update WEB`: every kept file asked for again; --delete-gone deletes those gone.
  bool update = false;
  bool delete_gone = false;
};

void AddCaptureCommand(CLI::App& app, TCaptureArgs& args);
// `update WEB`, which runs as a capture of the web with `args.update` set.
void AddUpdateCommand(CLI::App& app, TCaptureArgs& args);
int RunCaptureCommand(const TCaptureArgs& args);

// The words of a command line, with "on" given to every switch of the capture that stands
// before a word that is none of a switch's values: "--no-pictures URL DIR" would otherwise take
// the address for the switch's value, and "--footer off" still says off.
std::vector<std::string> WithSwitchValues(std::vector<std::string> words);

}  // namespace korvane::cli
