#include "capture_command.h"

#include <signal.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "app/command_line.h"
#include "app/error_box_model.h"
#include "app/web_commands.h"
#include "base/byte_count.h"
#include "base/file_system.h"
#include "base/ini_file.h"
#include "base/message_pump.h"
#include "base/number.h"
#include "base/request_header.h"
#include "base/short_string.h"
#include "base/text_case.h"
#include "base/text_encoding.h"
#include "engine/capture_run.h"
#include "engine/web.h"
#include "engine/web_bookmark.h"
#include "environment.h"
#include "html/start_address.h"
#include "pages/bookmarks.h"
#include "resolve_command.h"
#include "store/address_rules.h"
#include "store/mime_list.h"
#include "store/options.h"
#include "store/web_folder.h"
#include "terminal_view.h"
#include "web_argument.h"

namespace korvane::cli {
namespace {

namespace fs = std::filesystem;

// kSize: kilobytes, which may also be written with a unit (K, M or G). kRate: bytes per second,
// which may also be written with a unit (K or M).
enum class TKind { kBool, kInt, kSize, kText, kRate };

struct TOptionFlag {
  const char* flag;
  const char* key;
  TKind kind;
  const char* help;
  // The project file keeps the options of the original set in 16 bits: a larger value would
  // silently become this one.
  std::int64_t largest = INT16_MAX;
};

// A count from 0 to `largest`, and for sizes in KB also "500K", "10M" or "2G". The value is
// rewritten as the plain number (of KB); the error says what is expected.
// A rate is counted in bytes, so its K is 1,024 of them.
std::string WholeNumberOrWhy(std::string& value, TKind kind, std::int64_t largest) {
  const bool size = kind == TKind::kSize || kind == TKind::kRate;
  const std::int64_t kilo = kind == TKind::kRate ? 1024 : 1;
  std::string digits = value;
  std::int64_t scale = 1;
  if (size && !digits.empty()) {
    switch (digits.back()) {
      case 'k':
      case 'K':
        scale = kilo;
        digits.pop_back();
        break;
      case 'm':
      case 'M':
        scale = kilo * 1024;
        digits.pop_back();
        break;
      case 'g':
      case 'G':
        if (kind == TKind::kRate) break;
        scale = 1024 * 1024;
        digits.pop_back();
        break;
      default:
        break;
    }
  }
  const bool digits_only =
      !digits.empty() && digits.size() <= 10 &&
      std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (digits_only && std::stoll(digits) * scale <= largest) {
    value = std::to_string(std::stoll(digits) * scale);
    return {};
  }
  const std::string range = "from 0 to " + std::to_string(largest);
  if (kind == TKind::kRate) {
    return "\"" + value + "\" is not a rate " + range +
           " bytes per second (a number of bytes, or with K or M)";
  }
  return "\"" + value + "\" is not " +
         (size ? "a size " + range + " KB (a number of KB, or with K, M or G)"
               : "a whole number " + range);
}

// Every capture option of a web, as a flag.
constexpr TOptionFlag kOptionFlags[] = {
    {"--depth", "InternalLinkDepth", TKind::kInt, "Link levels followed in the main web (100)"},
    {"--path-limit", "InternalPathLimit", TKind::kBool,
     "Follow only addresses under the start address's folder (on)"},
    {"--external-webs", "ExternalWebDepth", TKind::kInt,
     "Hops from web to web; 0 never leaves the main web (0)"},
    {"--external-depth", "ExternalLinkDepth", TKind::kInt,
     "Link levels followed inside each external web (0)"},
    {"--external-path-limit", "ExternalPathLimit", TKind::kBool,
     "External webs: keep to their first path (on; kept with the web, not applied)"},
    {"--no-pictures", "RefLimit", TKind::kBool, "Capture no pictures or backgrounds (off)"},
    {"--backgrounds-only", "BackgroundOnlyFlag", TKind::kBool,
     "Of the pictures of pages, capture backgrounds only (off)"},
    {"--check-machine", "CheckDomainMachineFlag", TKind::kBool,
     "Another machine of the same domain is another web (off)"},
    // The project file keeps a limit beyond a word beside it (TOPTIONS::ExtendedEntries).
    {"--max-files", "MaxFileCount", TKind::kInt, "Stop after this many captured files (0: none)",
     INT32_MAX},
    {"--max-file-size", "MaxFileSize", TKind::kSize,
     "Largest file kept, in KB or with K, M or G (0: none)"},
    {"--min-file-size", "MinFileSize", TKind::kSize,
     "Smallest file kept, in KB or with K, M or G (0: none)"},
    {"--max-disk", "MaxDiskSize", TKind::kSize,
     "Stop when the web holds this many KB, or with K, M or G (0: none)"},
    {"--max-time", "MaxTime", TKind::kInt, "Stop after this many minutes (0: none)"},
    {"--footer", "RealLinkFlag", TKind::kBool,
     "Add a link to the real address at the end of every page (on)"},
    {"--suppress-dead-links", "SuppressLinkFlag", TKind::kBool,
     "Send links to what was not captured to the bad-link page (on)"},
    {"--user", "Username", TKind::kText, "User name for servers that ask for one"},
    {"--password", "Password", TKind::kText, "Password for the same"},
    {"--list-gif", "ListGifFlag", TKind::kBool, "List captured GIF pictures (on)"},
    {"--list-jpeg", "ListJpegFlag", TKind::kBool, "List captured JPEG pictures (on)"},
    {"--list-avi", "ListAviFlag", TKind::kBool, "List captured AVI videos (on)"},
    {"--list-wav", "ListWavFlag", TKind::kBool, "List captured WAV sounds (on)"},
    {"--show-captured", "ResolvedUrlFlag", TKind::kBool, "URL list: captured addresses (on)"},
    {"--show-not-found", "ErrorUrlFlag", TKind::kBool, "URL list: addresses not found (off)"},
    {"--show-todo", "TodoUrlFlag", TKind::kBool, "URL list: addresses to explore (off)"},
    {"--show-filtered", "FilteredUrlFlag", TKind::kBool, "URL list: filtered addresses (off)"},
    {"--stretch-images", "StretchImageFlag", TKind::kBool, "Fit pictures to the viewer (on)"},
    {"--page-requisites", "PageRequisites", TKind::kBool,
     "Capture and rewrite what pages need to show as served: stylesheets, scripts, fonts, "
     "frames, modern pictures (on; off reads pages as the original tag table did)"},
    {"--unsafe-no-certificate-check", "UnsafeNoCertificateCheck", TKind::kBool,
     "https: accept any certificate, even an expired or forged one (off; UNSAFE)"},
    {"--low-speed-limit", "LowSpeedLimit", TKind::kInt,
     "A transfer slower than this many bytes per second for --low-speed-time fails as a "
     "time-out (100; 0: no limit)",
     INT32_MAX},
    {"--low-speed-time", "LowSpeedTime", TKind::kInt,
     "Seconds over which the low-speed limit is measured (60)", INT32_MAX},
    {"--keep-cookies", "Cookies", TKind::kBool,
     "Keep the cookies servers set and send them back, between captures too, in a file beside "
     "the project readable by its owner only (on)"},
    {"--referer", "SendReferer", TKind::kBool,
     "Send the address of the page that linked each address as its Referer (on; off for webs "
     "made before it)"},
    {"--robots", "Robots", TKind::kBool,
     "Read each site's robots.txt before its first page and leave what it disallows, the start "
     "address too; honour its Crawl-delay (on; off captures every address)"},
    {"--per-host", "PerHost", TKind::kInt,
     "Connections open to one host at once, at most (0: as many as --sockets)"},
    {"--wait", "Wait", TKind::kInt, "Seconds between the starts of two requests to one host (0)"},
    {"--random-wait", "RandomWait", TKind::kBool,
     "Make each --wait a random time from half of it to one and a half times it (off)"},
    {"--limit-rate", "LimitRate", TKind::kRate,
     "Bytes per second the capture receives on average, at most: holds back the next transfers, "
     "or with K or M (0: no limit)",
     INT32_MAX},
    {"--http", "Protocol", TKind::kText,
     "HTTP version: 1.1 keeps each connection for the next request to its server and takes "
     "compressed bodies; 1.0 opens one per request (1.1; 1.0 for webs made before it)"},
};

std::atomic<int> interrupts{0};
std::atomic<bool> terminated{false};
std::atomic<int> terminating_signal{0};

void OnInterrupt(int) { interrupts.fetch_add(1); }
// Whoever sends SIGTERM wants the program gone soon (a service manager kills it next), a closed
// terminal sends SIGHUP, a reader that went away (`| head`) SIGPIPE: the transfers under way are
// aborted, the web saved, and the program exits, instead of dying with the web unsaved.
void OnTerminate(int signal) {
  terminating_signal.store(signal);
  terminated.store(true);
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGHUP:
      return "SIGHUP";
    case SIGPIPE:
      return "SIGPIPE";
    default:
      return "SIGTERM";
  }
}

// HOST[:PORT], refused with its words before anything is made: a port that is no number once
// ended the run after the web was written.
CLI::Validator ProxyArgument() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        const std::size_t colon = value.rfind(':');
        if (value.substr(0, colon).empty()) return "the proxy \"" + value + "\" names no host";
        if (colon == std::string::npos) return {};
        std::int32_t port = 0;
        const std::string text = value.substr(colon + 1);
        if (!ParseInteger(text, port) || port < 1 || port > 65535) {
          return "the port \"" + text + "\" of the proxy is not a number from 1 to 65535";
        }
        return {};
      },
      "HOST[:PORT]");
}

std::string BoolText(const std::string& value) {
  std::string v = AnsiLowerCase(value);
  return (v == "on" || v == "yes" || v == "true" || v == "1") ? "1" : "0";
}

class TCommandLineHooks final : public TCaptureRunHooks {
 public:
  TCommandLineHooks(TTerminalView& view, TParam& param) : view_(view), param_(param) {}
  TCaptureView* View() override { return &view_; }
  TStopRequest PollStop() override {
    if (terminated.load()) {
      if (terminate_handled_) return TStopRequest::kNone;
      terminate_handled_ = true;
      std::fprintf(stderr, "\nTerminated: the transfers under way are aborted, the web saved\n");
      return TStopRequest::kAbortAll;
    }
    int seen = interrupts.load();
    if (seen == handled_) return TStopRequest::kNone;
    handled_ = seen;
    if (seen == 1) {
      std::fprintf(stderr,
                   "\nStopping: the transfers under way finish (Ctrl-C again aborts them)\n");
      return TStopRequest::kCompleteCurrent;
    }
    return TStopRequest::kAbortAll;
  }
  void ExplainFailure(TWEB& web, const TCaptureFailure& failure) override {
    view_.Finish();
    TFailureExplanation explanation = korvane::ExplainFailure(failure, web.Url());
    // The desktop program asks the box's question (another address); on the command line the
    // user runs the capture again with one.
    message = explanation.Box.Title + ": " + explanation.Box.Message;
    for (std::size_t at; (at = message.find("\r\n")) != std::string::npos;)
      message.replace(at, 2, "\n");
    while (!message.empty() && message.back() == '\n') message.pop_back();
    if (explanation.OffersRename) message += "\nCheck the web's start address.";
  }
  TResolveView* ResolveView() override {
    view_.Finish();
    return &resolve_view_;
  }
  // The desktop program adds the web's bookmark here when the settings ask for it; a bookmark
  // file that cannot be read is reported, and bookmarks are not turned off for good.
  void AfterCapture(TWEB& web) override {
    if (!param_.AutoAddBookmark) return;
    TBookMarks bookmarks;
    if (AddWebBookmark(bookmarks, param_, web, TSystemClock().Now(), bookmark_answers_)) {
      std::printf("Bookmark: %s\n", WebBookmarkUrl(web.Path()).c_str());
    }
  }
  void CaptureError(const std::string& error) override {
    view_.Finish();
    std::fprintf(stderr, "error during the capture: %s\n", error.c_str());
  }

  std::string message;

 private:
  class TNoQuestions final : public TBookmarkHooks {
   public:
    std::optional<std::string> ChooseOtherBookmarkFile(const std::string&) override {
      std::fprintf(stderr, "the bookmark file cannot be read: no bookmark added\n");
      return std::nullopt;
    }
    void BookmarkError(const std::string& message) override {
      std::fprintf(stderr, "%s\n", message.c_str());
    }
  };

  TTerminalView& view_;
  TParam& param_;
  TConsoleResolveView resolve_view_;
  TNoQuestions bookmark_answers_;
  int handled_ = 0;
  bool terminate_handled_ = false;
};

// A new web's folder must not hold files from before unless the user wants them gone, and says
// so: --replace asks first, as the commands that delete do, unless --yes answers.
bool PrepareFolder(const std::string& folder, bool replace, bool yes) {
  std::vector<std::string> files = RealFileSystem().ListFiles(folder);
  if (files.empty()) return true;
  if (!replace) {
    std::fprintf(stderr,
                 "%s already holds %zu files: capture its project file again, or pass --replace "
                 "to delete them first\n",
                 folder.c_str(), files.size());
    return false;
  }
  if (!yes) {
    std::fprintf(stderr, "Delete the %zu files of %s? [y/N] ", files.size(), folder.c_str());
    std::string answer;
    if (!std::getline(std::cin, answer) || (answer != "y" && answer != "Y" && answer != "yes")) {
      std::fprintf(stderr, "nothing deleted\n");
      return false;
    }
  }
  for (const std::string& failure : DeleteFolderFiles(RealFileSystem(), folder)) {
    std::fprintf(stderr, "cannot delete %s\n", failure.c_str());
    return false;
  }
  return true;
}

// Rules and headers that come from elsewhere than this command line (korvane.ini, the project
// file, an options file) are checked before the capture as the flags are: a rule that could not
// be compiled would otherwise let through what it was meant to keep out.
void CheckRulesAndHeaders(const TOPTIONS& options) {
  std::string error;
  if (!TAddressRules::Compile(options.AddressRules, error)) {
    throw std::runtime_error("the web's address rules cannot be used: " + error);
  }
  for (const std::string& line : options.RequestHeaders) {
    if (!ParseRequestHeader(line, error)) {
      std::string why = "the web's header \"" + line;
      why += "\" cannot be sent: ";
      throw std::runtime_error(why + error);
    }
  }
}

// The options file, the MIMES list and the flags, in that order: each later one wins. A value
// or a name that cannot be taken ends the command with its words (a runtime_error).
void ApplyOptions(const TCaptureArgs& args, TWEB& web, TParam& param) {
  if (!args.options_file.empty()) {
    const std::string problem =
        ApplyOptionsFile(RealFileSystem(), args.options_file, web.EditOptions(), web.MimeList());
    if (!problem.empty()) throw std::runtime_error(problem);
  }
  if (!args.mimes.empty()) {
    const std::string problem = ApplyMimeList(args.mimes, "--mimes", web.MimeList());
    if (!problem.empty()) throw std::runtime_error(problem);
  }
  TIniFile flags;
  for (const auto& [key, value] : args.options) flags.WriteString("OPTIONS", key, value);
  web.EditOptions().MergeFromIni(flags, "OPTIONS");
  if (args.options.count("CheckDomainMachineFlag")) {
    param.DefaultOptions.CheckDomainMachineFlag = web.Options().CheckDomainMachineFlag;
  }
  if (args.rules_given) web.EditOptions().AddressRules = args.rules;
  if (args.headers_given) web.EditOptions().RequestHeaders = args.headers;
  CheckRulesAndHeaders(web.Options());
}

TCaptureSettings SettingsFor(const TCaptureArgs& args, const TParam& param) {
  TCaptureSettings s = CaptureSettingsOf(param);
  if (args.sockets > 0) s.MaxSockets = args.sockets;
  if (args.tries > 0) s.TryCount = args.tries;
  if (args.timeout > 0) s.Timeout = args.timeout;
  if (args.stop_wait >= 0) s.StopWaitSecs = args.stop_wait;
  if (!args.user_agent.empty()) s.UserAgent = args.user_agent;
  s.CookieImport = args.cookie_file;
  s.UseProxy = param.UseProxy && !args.no_proxy;
  if (!args.proxy.empty()) {
    s.UseProxy = true;
    std::size_t colon = args.proxy.rfind(':');
    s.ProxyAdress = args.proxy.substr(0, colon);
    s.ProxyPort = colon == std::string::npos ? 80 : std::stoi(args.proxy.substr(colon + 1));
  }
  if (!args.no_write_disk.empty()) s.NoWriteDisk = BoolText(args.no_write_disk) == "1";
  s.Update = args.update;
  s.DeleteGone = args.delete_gone;
  return s;
}

// Removes what a new web's failed first capture wrote (its project file, log page and special
// pages), and its folder when the capture made it and it is empty.
void ForgetNewWeb(TWEB& web, bool created_folder) {
  web.ReleaseLog();
  TFileSystem& files = RealFileSystem();
  for (std::string_view name : {kProjectFileName, kLogFileName, kNotFoundFileName, kBadLinkFileName,
                                kNameJournalFileName}) {
    const std::string path = web.Path() + std::string(name);
    if (files.FileExists(path) && !files.RemoveFile(path)) {
      std::fprintf(stderr, "cannot remove %s (%s)\n", path.c_str(), files.LastError().c_str());
    }
  }
  // An empty folder left behind takes nothing: the corrected command may use it as it is.
  if (created_folder && files.ListRemovable(web.Path()).empty()) (void)files.RemoveDir(web.Path());
}

bool IsProjectFile(const std::string& target) {
  // "http://h/site.web" is an address that merely ends like a project file.
  if (NamesWebScheme(target)) return false;
  return AnsiLowerCase(fs::path(target).extension().string()) == ".web";
}

// A rule as the web stores it, or the flag's error.
std::string RuleOfFlag(const std::string& flag, bool include, const std::string& pattern) {
  std::string error;
  const std::optional<TAddressRule> rule =
      ParseAddressRule(std::string(include ? "+ " : "- ") + pattern, error);
  if (!rule) throw CLI::ValidationError(flag, "\"" + pattern + "\": " + error);
  return rule->Text();
}

std::vector<std::string> RulesOfFile(const std::string& file_name) {
  const std::optional<std::string> content = RealFileSystem().ReadFile(file_name);
  if (!content) {
    throw CLI::ValidationError(
        "--rules", file_name + " cannot be read (" + RealFileSystem().LastError() + ")");
  }
  std::string error;
  std::optional<std::vector<std::string>> rules = ReadRulesFile(*content, file_name, error);
  if (!rules) throw CLI::ValidationError("--rules", error);
  return std::move(*rules);
}

// The rules and headers, each flag taken as it comes so that the rules keep the order in which
// --include, --exclude and --rules were given.
void AddRuleOptions(CLI::App& cmd, TCaptureArgs& args) {
  for (const bool include : {true, false}) {
    const std::string flag = include ? "--include" : "--exclude";
    cmd.add_option_function<std::string>(
           flag,
           [&args, flag, include](const std::string& pattern) {
             args.rules.push_back(RuleOfFlag(flag, include, pattern));
             args.rules_given = true;
           },
           std::string(include ? "Capture" : "Never capture") +
               " the addresses PATTERN matches, whatever the limits of path and external webs "
               "say" +
               (include ? " (the depth and the file type and size limits still hold)" : "") +
               "; repeatable, the first rule that matches deciding. PATTERN is shell-style on "
               "the whole address (* any run but /, ? one character but /, ** any run), or "
               "re:EXPRESSION. Given rules replace the web's")
        ->type_name("PATTERN")
        ->trigger_on_parse();
  }
  cmd.add_option_function<std::string>(
         "--rules",
         [&args](const std::string& file_name) {
           for (std::string& rule : RulesOfFile(file_name)) args.rules.push_back(std::move(rule));
           args.rules_given = true;
         },
         "Address rules from FILE, one a line: \"+ PATTERN\" or \"include PATTERN\", "
         "\"- PATTERN\" or \"exclude PATTERN\"; # starts a comment")
      ->type_name("FILE")
      ->trigger_on_parse();
  cmd.add_option_function<std::string>(
         "--header",
         [&args](const std::string& text) {
           std::string error;
           const std::optional<TRequestHeader> header = ParseRequestHeader(text, error);
           if (!header) throw CLI::ValidationError("--header", "\"" + text + "\": " + error);
           args.headers.push_back(header->Line());
           args.headers_given = true;
         },
         "Send this header with every request, \"Name: value\" (repeatable; kept with the web; "
         "given headers replace the web's)")
      ->type_name("\"NAME: VALUE\"")
      ->trigger_on_parse();
}

// How a run fetches: its connections, tries, proxy, name and cookies.
void AddRunOptions(CLI::App& cmd, TCaptureArgs& args) {
  cmd.add_flag("-v,--verbose", args.verbose, "Show each connection slot's address and state");
  cmd.add_option("--sockets", args.sockets, "Connections at once, 1 to 9")->check(CLI::Range(1, 9));
  cmd.add_option("--tries", args.tries, "Connection trials before an address is an error")
      ->check(CLI::Range(1, 10));
  cmd.add_option("--timeout", args.timeout, "Seconds without an answer before a trial fails")
      ->check(CLI::PositiveNumber);
  cmd.add_option("--stop-wait", args.stop_wait,
                 "Seconds a first Ctrl-C lets the transfers under way finish (60 by default)")
      ->check(CLI::Range(0, 3600));
  cmd.add_option("--cookies", args.cookie_file,
                 "Start with the cookies of this cookies.txt file (exported from a browser), to "
                 "use a session opened there; they are kept with the web's own")
      ->check(CLI::ExistingFile);
  cmd.add_option("--user-agent", args.user_agent,
                 "The name requests give themselves (\"Mozilla/2.0 (Korvane 1.073)\" by default)")
      ->check(CLI::Validator(
          [](std::string& value) -> std::string {
            return IsUserAgentText(value) ? std::string()
                                          : "a user agent is printable text of one line, at most "
                                            "255 characters";
          },
          "TEXT"));
  cmd.add_option("--proxy", args.proxy, "Fetch through this proxy, HOST[:PORT]")
      ->check(ProxyArgument());
  cmd.add_flag("--no-proxy", args.no_proxy, "Do not use the proxy of the settings");
}

}  // namespace

void AddCaptureCommand(CLI::App& app, TCaptureArgs& args) {
  CLI::App* cmd = app.add_subcommand(
      "capture",
      "Capture a site into a new web (capture URL FOLDER), or capture a web again (capture "
      "WEB.web)");
  cmd->add_option("target", args.target,
                  "Start address, or the project file of a web (or its folder)")
      ->required();
  cmd->add_option("folder", args.folder, "Folder of the new web (its project is FOLDER/Local.Web)");
  cmd->add_option("--title", args.title, "Title of the new web");
  cmd->add_option("--options", args.options_file,
                  "Options file: section OPTIONS with the option keys and MIMES")
      ->check(CLI::ExistingFile);
  TMIMELIST new_table;
  new_table.SetToDefault();
  new_table.AddRequisiteTypes();
  cmd->add_option("--mimes", args.mimes,
                  "File types to capture or not, after the options file: a comma-separated list "
                  "of +NAME and -NAME (+all,-video) where a NAME is " +
                      new_table.CmdLineNames() + ", or another extension of the web's table");
  cmd->add_flag("--replace", args.replace,
                "Delete the files already in the new web's folder (asks first, unless --yes)");
  cmd->add_flag("--yes,-y", args.yes, "Do not ask before deleting files");
  AddRunOptions(*cmd, args);
  cmd->add_option("--no-write-disk", args.no_write_disk,
                  "on: fetch files other than pages without storing them");
  for (const TOptionFlag& o : kOptionFlags) {
    std::string key = o.key;
    TKind kind = o.kind;
    auto* option = cmd->add_option_function<std::string>(
        o.flag,
        [&args, key, kind](const std::string& value) {
          args.options[key] = kind == TKind::kBool ? BoolText(value) : value;
        },
        o.help);
    if (kind == TKind::kBool) {
      // A switch alone means on ("--footer"), as users of other programs expect; a value still
      // says which ("--footer off"); and "--no-footer" says off.
      option->expected(0, 1)->default_str("on");
      option->check(
          CLI::IsMember({"on", "off", "yes", "no", "true", "false", "1", "0"}, CLI::ignore_case));
      const std::string name = o.flag + 2;
      if (name.rfind("no-", 0) != 0) {
        cmd->add_flag_function(
            "--no-" + name, [&args, key](std::int64_t) { args.options[key] = "0"; },
            "Off: the opposite of --" + name);
      }
    }
    if (std::string_view(o.key) == "Protocol") {
      option->type_name("VERSION")->check(CLI::IsMember({"1.0", "1.1"}));
    }
    if (kind == TKind::kInt || kind == TKind::kSize || kind == TKind::kRate) {
      option->type_name(kind == TKind::kSize ? "SIZE" : kind == TKind::kRate ? "RATE" : "COUNT");
      const std::int64_t largest = o.largest;
      option->transform(CLI::Validator(
          [kind, largest](std::string& value) { return WholeNumberOrWhy(value, kind, largest); },
          ""));
    }
  }
  cmd->add_option_function<std::string>(
         "--ca-file",
         [&args](const std::string& value) {
           args.options["CaFile"] = fs::absolute(value).lexically_normal().string();
         },
         "https: trust the certificates of this PEM file too (kept with the web)")
      ->check(CLI::ExistingFile);
  cmd->add_option_function<std::string>(
         "--layout",
         [&args](const std::string& value) {
           args.options["SiteLayout"] = AnsiLowerCase(value) == "site" ? "1" : "0";
         },
         "site: each file under its site's own folders, HOST/PATH, so that the paths the "
         "site's scripts build work off line (new webs); flat: every file in the web's folder "
         "under a short name")
      ->type_name("site|flat")
      ->check(CLI::IsMember({"site", "flat"}, CLI::ignore_case));
  AddRuleOptions(*cmd, args);
}

void AddUpdateCommand(CLI::App& app, TCaptureArgs& args) {
  CLI::App* cmd = app.add_subcommand(
      "update",
      "Bring a web up to date: ask again for every kept file (only what changed comes), follow "
      "the links of the pages that changed, and resolve the copy again");
  cmd->add_option("target", args.target, "The project file of the web (or its folder)")
      ->required()
      ->transform(WebProjectArgument());
  cmd->add_flag("--delete-gone", args.delete_gone,
                "Delete the files of the addresses their servers no longer have (kept otherwise)");
  AddRunOptions(*cmd, args);
}

namespace {

// The web a capture runs on: the one a project file names, or a new one on an address.
struct TCaptureTarget {
  std::unique_ptr<TWEB> Web;
  bool New = false;
  bool CreatedFolder = false;  // the folder did not exist before this command
  int Refused = 0;             // the exit status when there is no web
};

TCaptureTarget OpenTarget(const TCaptureArgs& args, TEnvironment& env) {
  TParam& param = env.Param();
  TCaptureTarget target;
  // A web's folder names its project file.
  std::string project = ProjectFileInFolder(args.target);
  if (project.empty()) project = args.target;
  if (IsProjectFile(project) || args.update) {
    target.Web = std::make_unique<TWEB>(param.DefaultOptions);
    if (target.Web->LoadFromFile(fs::absolute(project).string())) return target;
    std::fprintf(stderr, "%s is not a web project file that can be read: %s\n", args.target.c_str(),
                 target.Web->LoadError().c_str());
    return {nullptr, false, false, 2};
  }
  if (args.folder.empty()) {
    std::fprintf(stderr, "capture URL FOLDER: the web's folder is missing\n");
    return {nullptr, false, false, 2};
  }
  const TAddressCheck checked = CheckAddress(args.target);
  if (!checked.Accepted()) {
    std::fprintf(stderr, "%s\n", checked.Refusal.c_str());
    return {nullptr, false, false, 2};
  }
  if (!checked.Warning.empty()) std::fprintf(stderr, "warning: %s\n", checked.Warning.c_str());
  const std::string folder = fs::absolute(args.folder).lexically_normal().string();
  if (!PrepareFolder(folder, args.replace, args.yes)) return {nullptr, false, false, 2};
  const bool created_folder = !fs::exists(folder);
  TMadeWeb made = MakeWeb({checked.Canonical,
                           folder,
                           WithSeparator(folder) + std::string(kProjectFileName),
                           ShortString(Utf8ToText(args.title)),
                           {}},  // the title is typed in UTF-8
                          param.DefaultOptions, env.GlobalMime().List(), RealFileSystem());
  if (!made.Web) {
    std::fprintf(stderr, "the web cannot be made: %s\n", made.Error.c_str());
    return {nullptr, false, false, 1};
  }
  param.Url = made.Web->Url();
  return {std::move(made.Web), true, created_folder, 0};
}

// The command's options applied to the web and the web saved, before anything is fetched: a
// refused option leaves a new web's folder as it was. 0, or the exit status.
int PrepareTarget(const TCaptureArgs& args, TCaptureTarget& target, TParam& param) {
  TWEB& web = *target.Web;
  try {
    ApplyOptions(args, web, param);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    if (target.New) ForgetNewWeb(web, target.CreatedFolder);
    return 2;
  }
  if (!web.SaveToFile(web.FileName())) {
    std::fprintf(stderr, "cannot write the project file (%s)\n", web.SaveError().c_str());
    return 1;
  }
  if (web.Options().UnsafeNoCertificateCheck) {
    std::fprintf(stderr,
                 "warning: https certificates are not checked for this web: anyone on "
                 "the way can pose as its servers\n");
  }
  return 0;
}

void CatchSignals() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigaction(SIGINT, &action, nullptr);
  struct sigaction terminate {};
  terminate.sa_handler = OnTerminate;
  for (int signal : {SIGTERM, SIGHUP, SIGPIPE}) sigaction(signal, &terminate, nullptr);
}

// Steps the run to its end, pumping the network between steps. True when a Ctrl-C (or a
// terminating signal) cancelled the resolving of links.
bool DriveRun(TCaptureRun& run, TEnvironment& env) {
  int interrupts_at_resolve = -1;
  bool resolve_cancelled = false;
  while (run.Step()) {
    if (TResolveLinks* resolver = run.Resolver()) {
      // A Ctrl-C while the links are resolved cancels that; the capture is over.
      if (interrupts_at_resolve < 0) interrupts_at_resolve = interrupts.load();
      if ((interrupts.load() > interrupts_at_resolve || terminated.load()) &&
          !resolver->Cancelled()) {
        resolver->Cancel();
        resolve_cancelled = true;
      }
      continue;
    }
    env.Pump().WaitMessages(run.WaitTime());
    env.Pump().ProcessMessages();
  }
  return resolve_cancelled;
}

// Failures of a run that a capture and an update both say.
bool ReportFailures(const TCaptureRunResult& result, const TWEB& web) {
  if (!result.Saved) {
    std::fprintf(stderr, "the project file could not be written (%s)\n", web.SaveError().c_str());
  }
  if (!result.StopReason.empty()) std::printf("Stopped by %s\n", result.StopReason.c_str());
  if (terminated.load()) std::printf("Stopped by %s\n", SignalName(terminating_signal.load()));
  if (!result.Error.empty()) {
    std::fprintf(stderr, "the run ended early: %s\n", result.Error.c_str());
  }
  if (result.DiskFull) std::fprintf(stderr, "the disk is full: the run stopped\n");
  for (const std::string& failure : result.WriteFailures) {
    std::fprintf(stderr, "not written: %s\n", failure.c_str());
  }
  return result.DiskFull || !result.Saved || !result.Error.empty() || !result.WriteFailures.empty();
}

// What an update found; 1 when a kept file could not be asked for again (it stays as it was)
// or a file could not be kept, as for a capture.
int ReportUpdate(const TCaptureRunResult& result, const TWEB& web) {
  const TUpdateCounts& u = result.Update;
  std::printf("Update: %d unchanged, %d changed, %d new, %d gone", u.Unchanged, u.Changed, u.New,
              u.Gone);
  if (u.Gone > 0) std::printf(" (%d file(s) deleted)", u.Deleted);
  std::printf("; %s in the web; %s\n", FormatByteCount(web.TotalSize()).c_str(),
              web.Path().c_str());
  if (u.Gone > u.Deleted) {
    std::printf("The files of the %d address(es) gone are kept (--delete-gone deletes them)\n",
                u.Gone - u.Deleted);
  }
  const bool failed = ReportFailures(result, web);
  if (u.NotChecked > 0) {
    std::fprintf(stderr,
                 "%d kept file(s) could not be asked for again and stay as they were: each is in "
                 "%s%s with its cause\n",
                 u.NotChecked, web.Path().c_str(), std::string(kLogFileName).c_str());
  }
  if (result.Lost > 0) {
    std::fprintf(stderr, "%d new file(s) could not be kept: each is in %s%s with its cause\n",
                 static_cast<int>(result.Lost), web.Path().c_str(),
                 std::string(kLogFileName).c_str());
  }
  std::printf("Project: %s\n", web.FileName().c_str());
  return failed || u.NotChecked > 0 || result.Lost > 0 ? 1 : 0;
}

// What ended the run, said on the terminal; then the exit status: 0 when the copy is as complete
// as this run could make it, 1 when it failed or was cut short.
int ReportOutcome(const TCaptureRunResult& result, TCaptureTarget& target,
                  const TCommandLineHooks& hooks) {
  TWEB& web = *target.Web;
  if (result.Updated) return ReportUpdate(result, web);
  std::printf("%d file(s) captured, %s in the web; %s\n", result.Captured,
              FormatByteCount(web.TotalSize()).c_str(), web.Path().c_str());
  if (!result.Saved) {
    std::fprintf(stderr, "the project file could not be written (%s)\n", web.SaveError().c_str());
  }
  const bool nothing_to_capture = result.NothingLeft && web.CapturedCount() == 0;
  if (nothing_to_capture) {
    std::fprintf(stderr,
                 "Nothing to capture: the web's options refuse its start address (its depth, "
                 "path or file types)\n");
  } else if (result.NothingLeft && web.LastCaptureInfo().NotFoundCount > 0) {
    std::printf("Nothing new to capture: %d address(es) still not found\n",
                static_cast<int>(web.LastCaptureInfo().NotFoundCount));
  } else if (result.NothingLeft) {
    std::printf("Nothing left to capture: the web is complete\n");
  }
  if (!result.StopReason.empty()) std::printf("Stopped by %s\n", result.StopReason.c_str());
  if (terminated.load()) std::printf("Stopped by %s\n", SignalName(terminating_signal.load()));
  if (!result.Error.empty()) {
    std::fprintf(stderr, "the capture ended early: %s\n", result.Error.c_str());
  }
  if (result.DiskFull) std::fprintf(stderr, "the disk is full: the capture stopped\n");
  if (result.Captured == 0 && (!result.NothingLeft || nothing_to_capture)) {
    if (!hooks.message.empty()) std::fprintf(stderr, "%s\n", hooks.message.c_str());
    // A new web that got nothing is not kept, so that the corrected command finds its folder
    // free.
    if (target.New && web.CapturedCount() == 0) ForgetNewWeb(web, target.CreatedFolder);
    return 1;
  }
  // Files the server was asked for and that were not kept are losses (those the web's rules
  // refused are not): the copy is not what the run was sent to make.
  if (!result.LossCause.empty()) std::fprintf(stderr, "%s\n", result.LossCause.c_str());
  if (result.Lost > 0) {
    std::fprintf(stderr, "%d file(s) could not be kept: each is in %s%s with its cause\n",
                 static_cast<int>(result.Lost), web.Path().c_str(),
                 std::string(kLogFileName).c_str());
  }
  for (const std::string& failure : result.WriteFailures) {
    std::fprintf(stderr, "not written: %s\n", failure.c_str());
  }
  std::printf("Project: %s\n", web.FileName().c_str());
  const bool failed = result.DiskFull || !result.Saved || !result.Error.empty() ||
                      result.Lost > 0 || !result.WriteFailures.empty();
  return failed ? 1 : 0;
}

}  // namespace

std::vector<std::string> WithSwitchValues(std::vector<std::string> words) {
  const auto is_switch = [](const std::string& word) {
    return std::any_of(std::begin(kOptionFlags), std::end(kOptionFlags), [&](const TOptionFlag& o) {
      return o.kind == TKind::kBool && word == o.flag;
    });
  };
  const auto is_value = [](const std::string& word) {
    static const char* const kValues[] = {"on", "off", "yes", "no", "true", "false", "1", "0"};
    return std::any_of(std::begin(kValues), std::end(kValues),
                       [&](const char* v) { return AnsiLowerCase(word) == v; });
  };
  const auto capture = std::find(words.begin(), words.end(), "capture");
  for (std::size_t i = static_cast<std::size_t>(capture - words.begin()); i < words.size(); ++i) {
    if (words[i] == "--") break;
    if (is_switch(words[i]) && i + 1 < words.size() && !is_value(words[i + 1])) {
      words.insert(words.begin() + static_cast<std::ptrdiff_t>(i) + 1, "on");
    }
  }
  return words;
}

int RunCaptureCommand(const TCaptureArgs& args) {
  TEnvironment env(args.work_path);
  TParam& param = env.Param();
  const bool check_machine = param.DefaultOptions.CheckDomainMachineFlag;
  TCaptureTarget target = OpenTarget(args, env);
  if (!target.Web) return target.Refused;
  if (int refused = PrepareTarget(args, target, param); refused != 0) return refused;
  TWEB& web = *target.Web;

  env.StartNetwork();
  CatchSignals();
  TTerminalView view(stdout, args.verbose);
  TCommandLineHooks hooks(view, param);
  const TSystemClock clock;
  TCaptureSettings settings = SettingsFor(args, param);
  // The web's own choice holds unless the command asks for more.
  settings.DeleteGone = args.update && (args.delete_gone || web.Options().DeleteGone);
  TCaptureRun run(web, settings, env.Hub(), &env.GlobalMime(), hooks, ResolveSetupFor(param),
                  WebPageProcessor(web), clock);
  run.Begin();
  const bool resolve_cancelled = DriveRun(run, env);
  if (resolve_cancelled) std::printf("Resolving links was cancelled\n");
  view.Finish();
  param.DefaultOptions.CheckDomainMachineFlag = check_machine;
  // The address of a new web becomes the settings' default one.
  if (!param.SaveSettings()) std::fprintf(stderr, "%s\n", param.SettingsError().c_str());
  return ReportOutcome(run.Result(), target, hooks);
}

}  // namespace korvane::cli
