#include "keep_command.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "app/maintenance_commands.h"
#include "app/web_commands.h"
#include "base/data_folder.h"
#include "base/text_case.h"
#include "engine/recent_webs.h"
#include "engine/web_bookmark.h"
#include "environment.h"
#include "html/start_address.h"
#include "html/url.h"
#include "pages/bookmarks.h"
#include "web_argument.h"

namespace korvane::cli {
namespace {

namespace fs = std::filesystem;

std::string ForTerminal(std::string text) {
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
  return text;
}

// The questions of the commands, on the terminal: --yes answers every one with yes; otherwise
// the answer is read from standard input, and anything but "y" is no.
class TTerminalAnswers final : public TMaintenanceHooks, public TBookmarkHooks {
 public:
  TTerminalAnswers(bool yes, bool with_folder) : yes_(yes), with_folder_(with_folder) {}

  bool Confirm(const std::string& text, const std::string& caption) override {
    if (yes_) return true;
    std::fprintf(stderr, "%s: %s [y/N] ", caption.c_str(), ForTerminal(text).c_str());
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes";
  }
  // The folder question is answered by --with-folder, so that a script never deletes a folder
  // it did not name.
  TModalResult AskYesNoCancel(const std::string&, const std::string&) override {
    return with_folder_ ? mrYes : mrNo;
  }
  std::optional<std::string> ChooseOtherBookmarkFile(const std::string& message) override {
    std::fprintf(stderr,
                 "%s\nThe bookmark file cannot be read as a bookmark file: choose one with "
                 "--file (a missing file is created)\n",
                 ForTerminal(message).substr(0, message.find('\r')).c_str());
    return std::nullopt;
  }
  void BookmarkError(const std::string& message) override {
    std::fprintf(stderr, "%s\n", message.c_str());
  }

 private:
  bool yes_;
  bool with_folder_;
};

class TTerminalProgress final : public TWebCopyProgress {
 public:
  void Start(std::int32_t max_value) override { max_ = max_value; }
  void FileCopied(const std::string& name) override {
    std::printf("[%d/%d] %s\n", ++done_, max_, name.c_str());
  }

 private:
  std::int32_t max_ = 0;
  std::int32_t done_ = 0;
};

// What every command shares: the settings, the web loaded from its project file, the recent
// webs of the work path.
class TKeepSession {
 public:
  TKeepSession(const std::string& work_path) : env_(work_path), web_(env_.Param().DefaultOptions) {
    recent_.Load(RealFileSystem(), env_.Param().WorkPath());
  }

  bool Load(const std::string& file) {
    if (web_.LoadFromFile(fs::absolute(file).lexically_normal().string())) return true;
    std::fprintf(stderr, "%s is not a web project file that can be read: %s\n", file.c_str(),
                 web_.LoadError().c_str());
    return false;
  }
  // Saved to its project file and put at the head of the recent webs, as the main window does.
  bool Save() {
    if (!web_.SaveToFile(web_.FileName())) {
      std::fprintf(stderr, "cannot write the project file (%s)\n", web_.SaveError().c_str());
      return false;
    }
    recent_.Add(web_.FileName());
    SaveRecent();
    return true;
  }
  // The list of recent webs is a convenience: its failure is said, and the command's outcome is
  // the web's.
  void SaveRecent() {
    if (!recent_.Save(RealFileSystem(), env_.Param().WorkPath())) {
      std::fprintf(stderr, "warning: the list of recent webs could not be written (%s)\n",
                   RealFileSystem().LastError().c_str());
    }
  }

  TParam& Param() { return env_.Param(); }
  TWEB& Web() { return web_; }
  TRecentWebs& Recent() { return recent_; }

 private:
  TEnvironment env_;
  TWEB web_;
  TRecentWebs recent_;
};

int Clean(TKeepSession& s, TTerminalAnswers& answers) {
  TWebForm form = ShowWeb(s.Web());
  std::vector<std::string> not_deleted;
  if (!ResetWeb(s.Web(), form, answers, &not_deleted)) {
    std::fprintf(stderr, "nothing was changed\n");
    return 1;
  }
  if (!s.Save()) return 1;
  if (!not_deleted.empty()) {
    std::fprintf(stderr, "%zu file(s) could not be deleted:\n", not_deleted.size());
    for (const std::string& why : not_deleted) std::fprintf(stderr, "  %s\n", why.c_str());
    return 1;
  }
  std::printf("%s cleaned: it starts again from %s\n", s.Web().FileName().c_str(),
              s.Web().Url().c_str());
  return 0;
}

// Where a copy's project file goes: DESTINATION itself, or, when it names a folder, the web's
// project file name inside it (a folder is never taken for a file name, which put the files in
// its parent).
std::string CopyTarget(const TWEB& web, const std::string& destination) {
  fs::path target = fs::absolute(destination).lexically_normal();
  const bool folder = destination.ends_with('/') || fs::is_directory(target);
  if (!folder) return target.string();
  const std::string name = fs::path(web.FileName()).filename().string();
  return (target / (name.empty() ? std::string(kProjectFileName) : name))
      .lexically_normal()
      .string();
}

int Copy(TKeepSession& s, TTerminalAnswers& answers, const std::string& destination, bool move) {
  const std::string target = CopyTarget(s.Web(), destination);
  const std::string caption(move ? kMoveCaption : kCopyCaption);
  std::string question = move
                             ? "Move the web's files from " + s.Web().Path() + " to " + target + "?"
                             : target + " exists: replace it?";
  bool ask = move || fs::exists(target);
  const std::vector<std::string> replaced = s.Web().CopyWouldReplace(target);
  if (!replaced.empty()) {
    question = CopyReplaceQuestion(replaced, target, move);
    ask = true;
  }
  if (ask && !answers.Confirm(question, caption)) {
    std::fprintf(stderr, "nothing was changed\n");
    return 1;
  }
  std::printf("%s from %s to %s\n", caption.c_str(), AnsiLowerCase(s.Web().FileName()).c_str(),
              AnsiLowerCase(target).c_str());
  TTerminalProgress progress;
  TWebCopyResult result = CopyWeb(s.Web(), target, move, s.Recent(), &progress);
  s.SaveRecent();
  const TCopyOutcome outcome = CopyOutcome(result, target, move);
  if (!outcome.Text.empty()) {
    std::fprintf(outcome.Failed ? stderr : stdout, "%s\n", outcome.Text.c_str());
  }
  for (const std::string& name : result.Failed) std::fprintf(stderr, "  %s\n", name.c_str());
  if (!result.Saved) return 1;
  std::printf("Project: %s\n", s.Web().FileName().c_str());
  return outcome.Failed ? 1 : 0;
}

int Delete(TKeepSession& s, TTerminalAnswers& answers, bool with_folder) {
  TWEB& web = s.Web();
  const bool deletable = IsDeletableWebFolder(web.Path(), s.Param().WorkPath(), DataFolder());
  // Without --with-folder the folder question is answered No: the captured files stay, as they
  // do in the desktop program; the work path's webs are cleaned, as they were never asked about.
  std::string what = "Delete the web " + web.FileName();
  if (!deletable) {
    what += " and its captured files";
  } else if (with_folder) {
    what += " and every file of " + web.Path();
  } else {
    what += " (its captured files stay in " + web.Path() + ")";
  }
  if (!answers.Confirm(what + "?", std::string(kDeleteCaption))) {
    std::fprintf(stderr, "nothing was changed\n");
    return 1;
  }
  if (with_folder && !deletable) {
    std::printf("%s is the work path or the program's folder: it stays\n", web.Path().c_str());
  }
  TBookMarks bookmarks;
  TDeleteWebResult result = DeleteWeb(web, s.Param(), bookmarks, s.Recent(), answers, DataFolder());
  s.SaveRecent();
  if (const std::string undone = DeleteOutcome(result); !undone.empty()) {
    std::fprintf(stderr, "%s\n", undone.c_str());
    return 1;
  }
  std::printf("web deleted%s\n", result.FolderRemoved ? " with its folder" : "");
  return 0;
}

int Bookmark(TKeepSession& s, TTerminalAnswers& answers, const std::string& file) {
  TParam& param = s.Param();
  TBookMarks bookmarks;
  if (!file.empty()) {
    // Naming a file is the answer to the question a file that cannot be read asks: it is kept
    // in the settings, and bookmarks are on again.
    param.UseBookmark = true;
    param.BookmarkFileName = fs::absolute(file).lexically_normal().string();
    if (!fs::exists(param.BookmarkFileName) &&
        !CreateEmptyBookmarkFile(bookmarks, param.BookmarkFileName)) {
      std::fprintf(stderr, "cannot create %s\n", param.BookmarkFileName.c_str());
      return 1;
    }
  }
  if (!param.UseBookmark) {
    std::fprintf(stderr,
                 "bookmarks are turned off in the settings (UseBookmark): name a bookmark file "
                 "with --file to turn them on\n");
    return 1;
  }
  if (!AddWebBookmark(bookmarks, param, s.Web(), TSystemClock().Now(), answers)) return 1;
  std::printf("%s in \"%s\" of %s\n", WebBookmarkUrl(s.Web().Path()).c_str(),
              param.BookmarkFolder.c_str(), param.BookmarkFileName.c_str());
  return 0;
}

int AddUrlCommand(TKeepSession& s, const std::string& typed) {
  const TAddressCheck checked = CheckAddress(typed);
  if (!checked.Accepted()) {
    std::fprintf(stderr, "%s\n", checked.Refusal.c_str());
    return 2;
  }
  if (!checked.Warning.empty()) std::fprintf(stderr, "warning: %s\n", checked.Warning.c_str());
  const std::string& url = checked.Canonical;
  const std::uint32_t before = s.Web().GetLinkCount();
  TWebFile* record = AddUrl(s.Web(), url);
  if (!record) {
    std::fprintf(stderr, "%s cannot enter the web\n", url.c_str());
    return 1;
  }
  if (s.Web().GetLinkCount() == before) {
    std::printf("%s is already in the web\n", Resolve(url).c_str());
    return 0;
  }
  if (!s.Save()) return 1;
  std::printf("%s added: %s\n", Resolve(url).c_str(),
              record->State == wsTodo ? "to explore" : "filtered");
  return 0;
}

int Force(TKeepSession& s, const std::string& url) {
  TWEB& web = s.Web();
  TWebFile* record = web.Tree().FindAnyWebProtocol(Resolve(url));
  if (!record) {
    std::fprintf(stderr, "%s is not in the web\n", Resolve(url).c_str());
    return 1;
  }
  if (!web.ForceCapture(record)) {
    std::fprintf(stderr, "%s is not a filtered address\n", Resolve(url).c_str());
    return 1;
  }
  if (!s.Save()) return 1;
  std::printf("%s will be captured at the next capture\n", Resolve(url).c_str());
  return 0;
}

CLI::App* WebCommand(CLI::App& app, const char* name, const char* help, TKeepArgs& args) {
  CLI::App* cmd = app.add_subcommand(name, help);
  cmd->add_option("web", args.web, "Project file of the web, or its folder")
      ->required()
      ->transform(WebProjectArgument());
  return cmd;
}

}  // namespace

void AddKeepCommands(CLI::App& app, TKeepArgs& args) {
  WebCommand(app, "clean", "Delete a web's captured files and restart it from its address", args)
      ->add_flag("--yes,-y", args.yes, "Do not ask before deleting files");
  for (const char* name : {"copy", "move"}) {
    CLI::App* cmd = WebCommand(app, name,
                               name[0] == 'c' ? "Copy a web to another project file and folder"
                                              : "Move a web to another project file and folder",
                               args);
    cmd->add_option("destination", args.destination, "The new project file")->required();
    cmd->add_flag("--yes,-y", args.yes, "Do not ask before replacing or moving files");
  }
  CLI::App* del = WebCommand(app, "delete", "Delete a web's project file (its files stay)", args);
  del->add_flag("--with-folder", args.with_folder, "Also delete the web's folder and its files");
  del->add_flag("--yes,-y", args.yes, "Do not ask before deleting files");
  WebCommand(app, "bookmark", "Add or update the web's bookmark", args)
      ->add_option("--file", args.bookmark_file,
                   "Bookmark file to use from now on (created when missing)");
  CLI::App* add = WebCommand(app, "add-url", "Add an address to a web, as links are added", args);
  add->add_option("url", args.url, "The address")->required();
  CLI::App* force = WebCommand(app, "force", "Capture a filtered address of a web anyway", args);
  force->add_option("url", args.url, "The filtered address")->required();
}

int RunKeepCommand(const CLI::App& app, const TKeepArgs& args, const std::string& work_path) {
  const char* names[] = {"clean", "copy", "move", "delete", "bookmark", "add-url", "force"};
  std::string command;
  for (const char* name : names) {
    if (app.got_subcommand(name)) command = name;
  }
  if (command.empty()) return -1;
  TKeepSession session(work_path);
  if (!session.Load(args.web)) return 2;
  TTerminalAnswers answers(args.yes, args.with_folder);
  int rc = 0;
  if (command == "clean") {
    rc = Clean(session, answers);
  } else if (command == "copy" || command == "move") {
    rc = Copy(session, answers, args.destination, command == "move");
  } else if (command == "delete") {
    rc = Delete(session, answers, args.with_folder);
  } else if (command == "bookmark") {
    rc = Bookmark(session, answers, args.bookmark_file);
  } else if (command == "add-url") {
    rc = AddUrlCommand(session, args.url);
  } else {
    rc = Force(session, args.url);
  }
  // A bookmark file chosen or turned off on the way is kept in the settings.
  if (!session.Param().SaveSettings()) {
    std::fprintf(stderr, "the settings could not be written (%s)\n",
                 RealFileSystem().LastError().c_str());
    if (rc == 0) rc = 1;
  }
  return rc;
}

}  // namespace korvane::cli
