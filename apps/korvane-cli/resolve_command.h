// `korvane-cli resolve WEB.web`: makes a captured web readable from disk (links rewritten to the
// local files, home page and indexes generated), as after every capture.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace korvane {
class TWEB;
class TSommaireParam;
}  // namespace korvane

namespace korvane::cli {

struct TResolveArgs {
  std::string web;
  std::string work_path;
};

void AddResolveCommand(CLI::App& app, TResolveArgs& args);
int RunResolveCommand(const TResolveArgs& args);

// Resolves the links of `web` with the index templates of the data folder, printing each site;
// Ctrl-C cancels between files. True when it finished, false when it was cancelled.
bool ResolveWeb(TWEB& web, const TSommaireParam& param);

}  // namespace korvane::cli
