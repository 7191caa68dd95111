// korvane-cli: captures web sites for reading off line, and inspects the webs it made.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "capture_command.h"
#include "info_command.h"
#include "keep_command.h"
#include "resolve_command.h"

namespace {

int Run(int argc, char** argv) {
  std::setlocale(LC_TIME, "");
  CLI::App app{"Korvane: capture web sites for reading off line", "korvane-cli"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("korvane-cli ") + KORVANE_VERSION);
  app.footer(
      "Exit status: 0 done (a capture kept files, or had nothing left to fetch; an update asked "
      "for every kept file again); 1 failed (nothing captured, a kept file an update could not "
      "ask for, a full disk, a project file not written, files not deleted, an error); 2 wrong "
      "arguments or a file that cannot be read.");
  std::string work_path;
  app.add_option("--work-path", work_path,
                 "Folder of korvane.ini and mime.def (else the one kept in the profile); it goes "
                 "before the command")
      ->check(CLI::Validator(
          [](std::string& value) -> std::string {
            std::error_code ec;
            const auto status = std::filesystem::status(value, ec);
            // A folder that does not exist yet is made; a file in its place never becomes one.
            if (!ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
              return value + " is not a folder";
            }
            return {};
          },
          "FOLDER"));

  korvane::cli::TCaptureArgs capture;
  korvane::cli::AddCaptureCommand(app, capture);
  korvane::cli::AddUpdateCommand(app, capture);
  korvane::cli::TInfoArgs info;
  korvane::cli::AddInfoCommands(app, info);
  korvane::cli::TResolveArgs resolve;
  korvane::cli::AddResolveCommand(app, resolve);
  korvane::cli::TKeepArgs keep;
  korvane::cli::AddKeepCommands(app, keep);

  try {
    // The parser takes the words last first.
    std::vector<std::string> words =
        korvane::cli::WithSwitchValues(std::vector<std::string>(argv + 1, argv + argc));
    std::reverse(words.begin(), words.end());
    app.parse(words);
  } catch (const CLI::ParseError& error) {
    // --help and --version end here too, with status 0; every refused argument is status 2, as
    // the help says, whatever number the parser gives its kind of error.
    return app.exit(error) == 0 ? 0 : 2;
  }
  capture.work_path = work_path;
  resolve.work_path = work_path;
  try {
    if (app.got_subcommand("capture")) return korvane::cli::RunCaptureCommand(capture);
    if (app.got_subcommand("update")) {
      capture.update = true;
      return korvane::cli::RunCaptureCommand(capture);
    }
    if (app.got_subcommand("info")) return korvane::cli::RunInfoCommand(info);
    if (app.got_subcommand("urls")) return korvane::cli::RunUrlsCommand(info);
    if (app.got_subcommand("rules")) return korvane::cli::RunRulesCommand(info);
    if (app.got_subcommand("resolve")) return korvane::cli::RunResolveCommand(resolve);
    if (int rc = korvane::cli::RunKeepCommand(app, keep, work_path); rc >= 0) return rc;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "korvane-cli: %s\n", error.what());
    return 1;
  }
  return 0;
}

}  // namespace

// What the commands throw is caught above; what escapes the setting up or the parsing of the
// command line (a check of an option that throws) ends the run with its words, not an abort.
int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "korvane-cli: %s\n", error.what());
    return 1;
  }
}
