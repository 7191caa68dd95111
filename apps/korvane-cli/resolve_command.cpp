#include "resolve_command.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "base/byte_count.h"
#include "base/data_folder.h"
#include "base/file_system.h"
#include "engine/resolve_links.h"
#include "engine/web.h"
#include "environment.h"
#include "web_argument.h"

namespace korvane::cli {
namespace {

volatile std::sig_atomic_t resolve_interrupted = 0;

void OnResolveInterrupt(int) { resolve_interrupted = 1; }

// Resolves the links of `web`, printing each site; Ctrl-C cancels between files. True when it
// finished, false when it was cancelled.
bool ResolveWeb(TWEB& web, const TResolveSetup& setup) {
  resolve_interrupted = 0;
  struct sigaction action {
  }, previous{};
  action.sa_handler = OnResolveInterrupt;
  sigaction(SIGINT, &action, &previous);
  TConsoleResolveView view;
  TResolveLinks work(web, setup.Param, web.FileSystem(), setup.TemplateFolder, &view);
  while (work.Step()) {
    if (resolve_interrupted) work.Cancel();
  }
  TModalResult result = work.Result();
  sigaction(SIGINT, &previous, nullptr);
  if (result == mrCancel) std::printf("Resolving links was cancelled\n");
  return result == mrOk;
}

}  // namespace

void TConsoleResolveView::SetSite(std::string_view site) {
  std::printf("Resolving %.*s\n", static_cast<int>(site.size()), site.data());
  std::fflush(stdout);  // seen as it happens, also through a pipe
}

TResolveSetup ResolveSetupFor(const TParam& param) { return ResolveSetupOf(param, DataFolder()); }

void AddResolveCommand(CLI::App& app, TResolveArgs& args) {
  CLI::App* cmd = app.add_subcommand(
      "resolve", "Rewrite a captured web's links to its local files and write its index pages");
  cmd->add_option("web", args.web, "Project file of the web, or its folder")
      ->required()
      ->transform(WebProjectArgument());
}

int RunResolveCommand(const TResolveArgs& args) {
  TEnvironment env(args.work_path);
  TWEB web(env.Param().DefaultOptions);
  if (!web.LoadFromFile(std::filesystem::absolute(args.web).string())) {
    std::fprintf(stderr, "%s is not a web project file that can be read: %s\n", args.web.c_str(),
                 web.LoadError().c_str());
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const bool finished = ResolveWeb(web, ResolveSetupFor(env.Param()));
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  // The total size and the maps found in pages are kept with the web.
  if (!web.SaveToFile(web.FileName())) {
    std::fprintf(stderr, "cannot write the project file (%s)\n", web.SaveError().c_str());
    return 1;
  }
  if (!finished) return 1;
  std::printf("Resolved in %.3f s; %s in the web; home page %s_Home.htm\n", spent.count(),
              FormatByteCount(web.TotalSize()).c_str(), web.Path().c_str());
  return 0;
}

}  // namespace korvane::cli
