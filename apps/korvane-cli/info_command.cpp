#include "info_command.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>

#include "base/byte_count.h"
#include "base/ini_file.h"
#include "base/text_encoding.h"
#include "engine/web.h"
#include "html/start_address.h"
#include "html/url.h"
#include "store/address_rules.h"
#include "web_argument.h"

namespace korvane::cli {
namespace {

bool Load(TWEB& web, const std::string& file) {
  if (web.LoadFromFile(std::filesystem::absolute(file).string())) return true;
  std::fprintf(stderr, "%s is not a web project file that can be read: %s\n", file.c_str(),
               web.LoadError().c_str());
  return false;
}

// The text of a record in the URL list: its title (in UTF-8, as the terminal shows it), else its
// path and name.
std::string EntryText(const TWebFile& record, const std::string& url) {
  if (!record.GetDescription().empty()) return TextToUtf8(record.GetDescription());
  TUrl parts(url);
  if (record.ExternalDepth == 0) return parts.Path.substr(1) + parts.Document;
  return parts.Host + parts.Path + parts.Document;
}

const char* StateName(std::uint8_t state) {
  switch (state) {
    case wsPage:
    case wsFile:
      return "captured";
    case wsTodo:
    case wsLoading:
      return "to-explore";
    case wsError:
      return "error";
    case wsNotFound:
      return "not-found";
    case wsFiltered:
      return "filtered";
    default:
      return "unknown";
  }
}

}  // namespace

void AddInfoCommands(CLI::App& app, TInfoArgs& args) {
  CLI::App* info = app.add_subcommand("info", "Show a web's figures, options and last capture");
  info->add_option("web", args.web, "Project file of the web, or its folder")
      ->required()
      ->transform(WebProjectArgument());
  CLI::App* urls = app.add_subcommand(
      "urls",
      "List a web's addresses (pages, pictures and other files) by state: captured ones unless "
      "states are chosen");
  urls->add_option("web", args.web, "Project file of the web, or its folder")
      ->required()
      ->transform(WebProjectArgument());
  urls->add_flag("--captured", args.captured, "Captured addresses");
  urls->add_flag("--todo", args.todo, "Addresses to be explored");
  urls->add_flag("--not-found", args.not_found, "Addresses not found or in error");
  urls->add_flag("--errors", args.errors,
                 "Addresses that could not be kept (their causes are in the log page)");
  urls->add_flag("--filtered", args.filtered, "Filtered addresses");
  CLI::App* rules = app.add_subcommand(
      "rules", "List a web's address rules, and say which rule decides for each URL given");
  rules->add_option("web", args.web, "Project file of the web, or its folder")
      ->required()
      ->transform(WebProjectArgument());
  rules->add_option("urls", args.addresses, "Addresses to try against the rules");
}

int RunRulesCommand(const TInfoArgs& args) {
  TOPTIONS defaults;
  TWEB web(defaults);
  if (!Load(web, args.web)) return 2;
  std::string error;
  const std::optional<TAddressRules> rules =
      TAddressRules::Compile(web.Options().AddressRules, error);
  if (!rules) {
    std::fprintf(stderr, "the web's address rules cannot be used: %s\n", error.c_str());
    return 2;
  }
  if (rules->Count() == 0) std::printf("No address rules: the limits decide\n");
  for (std::size_t i = 0; i < rules->Count(); ++i) {
    std::printf("%zu %s\n", i + 1, rules->Rule(i).Text().c_str());
  }
  int status = 0;
  for (const std::string& typed : args.addresses) {
    const TAddressCheck address = CheckAddress(typed);
    if (!address.Accepted()) {
      std::fprintf(stderr, "%s\n", address.Refusal.c_str());
      status = 2;
      continue;
    }
    std::printf("%s: %s\n", address.Canonical.c_str(),
                rules->Explain(rules->Decide(address.Canonical)).c_str());
  }
  return status;
}

int RunInfoCommand(const TInfoArgs& args) {
  TOPTIONS defaults;
  TWEB web(defaults);
  if (!Load(web, args.web)) return 2;
  std::printf("Address       %s\nTitle         %s\nFolder        %s\nHome page     %s\n",
              web.Url().c_str(), TextToUtf8(web.Title()).c_str(), web.Path().c_str(),
              web.GetHomePage().c_str());
  // Counted from the records, as `urls` lists them: the stored counters of a damaged web may
  // say otherwise.
  const TRecordCounts counts = web.CountRecords();
  std::printf(
      "Links         %u\nCaptured      %u\nTo explore    %u\nNot found     %u\n"
      "Errors        %u\nFiltered      %u\nTotal size    %s\n",
      counts.Links, counts.Captured, counts.Todo, counts.NotFound, counts.Errors, counts.Filtered,
      FormatByteCount(web.TotalSize()).c_str());
  TIniFile options;
  TOPTIONS shown = web.Options();
  // Anyone looking over the shoulder, or at a shared terminal log, must not read it.
  if (!shown.Password.empty()) shown.Password = "(hidden)";
  // Extra headers often carry a token or a session cookie: only their names are shown.
  for (std::string& header : shown.RequestHeaders)
    header = header.substr(0, header.find(':')) + ": (hidden)";
  shown.SaveToIni(options, "Options");
  std::printf("\n%s", options.SaveToString().c_str());
  const TCaptureInfo& last = web.LastCaptureInfo();
  if (last.StartTime != 0) {
    std::printf(
        "\n[Last capture]\nStarted       %s\nEnded         %s\nReceived      %d Kb\n"
        "Captured      %d\nFiltered      %d\nNot found     %d\nErrors        %d\n",
        FormatDisplayDate(last.StartTime).c_str(), FormatDisplayDate(last.StopTime).c_str(),
        last.SizeKb, last.CapturedCount, last.FilteredCount, last.NotFoundCount, last.ErrorCount);
  }
  return 0;
}

int RunUrlsCommand(const TInfoArgs& args) {
  TOPTIONS defaults;
  TWEB web(defaults);
  if (!Load(web, args.web)) return 2;
  const bool any = args.captured || args.todo || args.not_found || args.filtered || args.errors;
  // Every kind of file, as info counts them: a picture that failed is as lost as a page.
  web.Tree().Explore([&](TWebFile& record, const std::string& url) {
    bool wanted = false;
    switch (record.State) {
      case wsPage:
      case wsFile:
        wanted = !any || args.captured;
        break;
      case wsTodo:
      case wsLoading:  // a program killed mid-transfer: fetched again at the next capture
        wanted = args.todo;
        break;
      case wsError:
        wanted = args.not_found || args.errors;
        break;
      case wsNotFound:
        wanted = args.not_found;
        break;
      case wsFiltered:
        wanted = args.filtered;
        break;
    }
    if (wanted) {
      std::printf("%-10s %s  %s  %s\n", StateName(record.State), url.c_str(),
                  record.GetFileName().c_str(), EntryText(record, url).c_str());
    }
    return false;
  });
  return 0;
}

}  // namespace korvane::cli
