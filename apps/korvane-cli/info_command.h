// `korvane-cli info`, `urls` and `rules`: what a web holds, read from its project file.
#pragma once

#include <string>
#include <vector>

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
  std::vector<std::string> addresses;  // rules: the addresses to try
};

void AddInfoCommands(CLI::App& app, TInfoArgs& args);
int RunInfoCommand(const TInfoArgs& args);
int RunUrlsCommand(const TInfoArgs& args);
// `korvane-cli rules WEB.web [URL...]`: the web's address rules, and which decides for each URL.
int RunRulesCommand(const TInfoArgs& args);

}  // namespace korvane::cli
