// `korvane-cli info` and `korvane-cli urls`: what a web holds, read from its project file.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace korvane::cli {

struct TInfoArgs {
  std::string web;
  bool captured = false;
  bool todo = false;
  bool not_found = false;
  bool filtered = false;
  bool errors = false;
};

void AddInfoCommands(CLI::App& app, TInfoArgs& args);
int RunInfoCommand(const TInfoArgs& args);
int RunUrlsCommand(const TInfoArgs& args);

}  // namespace korvane::cli
