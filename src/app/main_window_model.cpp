#include "app/main_window_model.h"

#include "base/file_system.h"
#include "engine/recent_webs.h"
#include "store/web_folder.h"

namespace korvane {

THtmlCommandStates HtmlCommandStates(const TFileSystem& fs, const std::string& web_folder,
                                     const std::string& bookmark_file,
                                     const std::string& program_folder) {
  const std::string web = WithSeparator(web_folder);
  const std::string help = WithSeparator(program_folder) + "help" + kPathSeparator;
  THtmlCommandStates s;
  s.LocalWebs = !bookmark_file.empty() && fs.FileExists(bookmark_file);
  auto has = [&](std::string_view page) {
    return !web_folder.empty() && !FindFolderPage(fs, web, page).empty();
  };
  s.Home = has(kHomePageName);
  s.HtmlPages = has(IndexPageName(kHtmlIndexBase));
  s.Images = has(IndexPageName(kImageIndexBase));
  s.HelpIndex = fs.FileExists(help + "index.htm");
  s.HelpGlossary = fs.FileExists(help + "glossair.htm");
  return s;
}

TPoint CentreOn(const TRect& main_window, std::int32_t width, std::int32_t height) {
  return {main_window.Left + (main_window.Width() - width) / 2,
          main_window.Top + (main_window.Height() - height) / 2};
}

std::string TMainWindowModel::Caption(bool web_open, const std::string& title,
                                      const std::string& project_file) {
  std::string caption = "Korvane 1.073 ";
  if (!web_open) return caption;
  return caption + "(" + (title.empty() ? ProjectFolder(project_file) : title) + ")";
}

bool TMainWindowModel::TabSelectable(int tab) const {
  return !capturing_ || tab == kCaptureTab || tab == kMultimediaTab;
}

bool TMainWindowModel::StartEnabled(int tab) const {
  return !capturing_ && tab != kUrlTab && tab != kMultimediaTab;
}

TWindowState TMainWindowModel::State() const {
  if (busy_) return TWindowState::kBusy;
  if (resolving_) return TWindowState::kResolving;
  if (capturing_) {
    return stop_asked_ ? TWindowState::kStopping : TWindowState::kCapturing;
  }
  return web_open_ ? TWindowState::kWebOpen : TWindowState::kNoWeb;
}

bool TMainWindowModel::CommandEnabled(TCommand command, const TCommandContext& context) const {
  const TWindowState state = State();
  if (state == TWindowState::kBusy) return false;
  const bool running = state == TWindowState::kCapturing || state == TWindowState::kStopping ||
                       state == TWindowState::kResolving;
  const bool web = web_open_;
  const THtmlCommandStates& html = context.Html;
  switch (command) {
    // Always there: reading pages and help, leaving (which asks while a run is under way).
    case TCommand::kExit:
    case TCommand::kHelpFaq:
    case TCommand::kAbout:
      return true;
    case TCommand::kHelpIndex:
      return html.HelpIndex;
    case TCommand::kHelpGlossary:
      return html.HelpGlossary;
    case TCommand::kLocalWebs:
      return html.LocalWebs;
    case TCommand::kHome:
      return web && html.Home;
    case TCommand::kHtmlPages:
      return web && html.HtmlPages;
    // The log is read, never changed: it can be looked at while a capture writes it.
    case TCommand::kLogPage:
      return web;
    case TCommand::kImages:
      return web && html.Images;
    // Stopping is for a capture's session only, once.
    case TCommand::kStop:
      return state == TWindowState::kCapturing ||
             (state == TWindowState::kStopping && StopAbortsAtOnce());
    // Another web, the settings: not under a run.
    case TCommand::kNew:
    case TCommand::kOpen:
    case TCommand::kRecentWeb:
    case TCommand::kSetup:
      return !running;
    case TCommand::kStart:
      return web && !running && StartEnabled(context.Tab);
    // An update needs files to ask for again.
    case TCommand::kUpdate:
    case TCommand::kResolveLinks:
      return web && !running && context.CapturedCount != 0;
    case TCommand::kImageMap:
      return web && !running && ImageMapEnabled(context.MapCount);
    // The rest change or move the open web.
    case TCommand::kSave:
    case TCommand::kSaveAs:
    case TCommand::kClose:
    case TCommand::kReset:
    case TCommand::kCopy:
    case TCommand::kMove:
    case TCommand::kDelete:
    case TCommand::kAddUrl:
    case TCommand::kSaveOptions:
      return web && !running;
    // The bookmark goes into the navigator's file: offered while that file exists.
    case TCommand::kAddBookmark:
      return web && !running && html.LocalWebs;
  }
  return false;
}

bool TMainWindowModel::BeginCapture() {
  if (busy_ || !web_open_ || capturing_) return false;
  capturing_ = true;
  stop_asked_ = false;
  quit_after_capture_ = false;
  user_stop_ = TUserStop::kNone;
  stop_request_ = TCaptureRunHooks::TStopRequest::kNone;
  return true;
}

bool TMainWindowModel::CaptureEnded() {
  capturing_ = false;
  stop_asked_ = false;
  const bool quit = quit_after_capture_;
  quit_after_capture_ = false;
  return quit;
}

TMainWindowModel::TCloseStep TMainWindowModel::CloseQuery() const {
  if (busy_) return TCloseStep::kRefuse;
  // Once the user has confirmed, the run is finishing: asking again could close the web under
  // the running capture, so further attempts are ignored until the run ends and closes the
  // window itself.
  if (capturing_) return quit_after_capture_ ? TCloseStep::kRefuse : TCloseStep::kAskAbort;
  return TCloseStep::kCloseWeb;
}

bool TMainWindowModel::AnswerAbort(TModalResult answer) {
  if (!capturing_ || answer != mrOk) return false;
  quit_after_capture_ = true;
  stop_asked_ = true;
  user_stop_ = TUserStop::kClosing;
  stop_request_ = TCaptureRunHooks::TStopRequest::kStopAll;
  return true;
}

void TMainWindowModel::RequestStop(bool complete_in_progress) {
  if (!capturing_) return;
  stop_asked_ = true;
  const bool abort_all = StopAbortsAll(complete_in_progress);
  user_stop_ = abort_all ? TUserStop::kAbortAll : TUserStop::kCompleteCurrent;
  stop_request_ = abort_all ? TCaptureRunHooks::TStopRequest::kAbortAll
                            : TCaptureRunHooks::TStopRequest::kCompleteCurrent;
}

void TMainWindowModel::AbortStop() {
  if (!StopAbortsAtOnce()) return;
  user_stop_ = TUserStop::kAbortAll;
  stop_request_ = TCaptureRunHooks::TStopRequest::kAbortAll;
}

TCaptureRunHooks::TStopRequest TMainWindowModel::TakeStopRequest() {
  const auto request = stop_request_;
  stop_request_ = TCaptureRunHooks::TStopRequest::kNone;
  return request;
}

TMainWindowModel::TCloseWebStep TMainWindowModel::CloseWebStep(bool has_file_name) const {
  if (!web_open_) return TCloseWebStep::kNothing;
  return has_file_name ? TCloseWebStep::kSaveSilently : TCloseWebStep::kAskSave;
}

}  // namespace korvane
