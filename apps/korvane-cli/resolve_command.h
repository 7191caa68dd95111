// `korvane-cli resolve WEB.web`: makes a captured web readable from disk (links rewritten to the
// local files, home page and indexes generated), as after every capture.
#pragma once

#include <string>
#include <string_view>

#include "engine/capture_run.h"
#include "engine/resolve_links.h"

namespace CLI {
class App;
}

namespace korvane {
class TParam;
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

// One line per site; the files go by too fast to be worth printing.
class TConsoleResolveView final : public TResolveView {
 public:
  void SetSite(std::string_view site) override;
};

// The settings' index parameters and the index templates of the data folder.
TResolveSetup ResolveSetupFor(const TParam& param);

}  // namespace korvane::cli
