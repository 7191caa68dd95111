// TMainWindowModel: the main window's own decisions, apart from its tabs' contents: the caption,
// which tabs and commands are available, the connection slot rows, closing a web and closing the
// window during a capture. The view asks before acting and carries out the returned step:
//
//   CloseQuery():  kRefuse -> keep the window; kAskAbort -> ask kAbortQuestion (caption
//   kAbortCaption, OK/Cancel) and pass the answer to AnswerAbort, which says whether to call the
//   session's StopAll; kCloseWeb -> run CloseWeb, close the window when it returns true.
//   CloseWeb:      CloseWebStep() -> kSaveSilently (save, then close) or kAskSave (ask
//   kSaveQuestion, caption kSaveCaption, Yes/No/Cancel; Yes runs Save As first, Cancel keeps it).
//   End of a capture run: CaptureEnded() -> true when the window must now close by itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/capture_progress_model.h"
#include "base/modal_result.h"
#include "base/shape.h"
#include "engine/capture_run.h"

namespace korvane {

class TFileSystem;

// Which commands that open a generated page are enabled: each only when its file exists.
struct THtmlCommandStates {
  bool LocalWebs = false;     // "&Locals web": the bookmark file
  bool Home = false;          // "H&ome": "_Home.htm" of the web folder
  bool HtmlPages = false;     // "&HTML Pages": "_IxH.htm"
  bool Images = false;        // "&Images": "_IxI.htm"
  bool HelpIndex = false;     // "&Index": "help/index.htm" beside the program
  bool HelpGlossary = false;  // "&Glossary": "help/glossair.htm"
};
THtmlCommandStates HtmlCommandStates(const TFileSystem& fs, const std::string& web_folder,
                                     const std::string& bookmark_file,
                                     const std::string& program_folder);

// The commands of the menus and buttons, for their enabled state.
enum class TCommand {
  kNew,
  kOpen,
  kSave,
  kSaveAs,
  kClose,
  kRecentWeb,
  kExit,
  kStart,
  kUpdate,  // a capture that asks again for every kept file
  kStop,
  kResolveLinks,
  kReset,
  kCopy,
  kMove,
  kDelete,
  kImageMap,
  kAddUrl,
  kAddBookmark,
  kLocalWebs,
  kHome,
  kHtmlPages,
  kImages,
  kLogPage,
  kSetup,
  kSaveOptions,
  kHelpIndex,
  kHelpGlossary,
  kHelpFaq,
  kAbout,
};

// Where the window stands, as far as its commands go.
enum class TWindowState {
  kNoWeb,      // no web open
  kWebOpen,    // a web open, nothing running
  kCapturing,  // a capture run, its session under way
  kStopping,   // a capture run asked to stop, finishing
  kResolving,  // links being resolved (after a capture or on request)
  kBusy,       // a project file being read or written
};

// What else a command's state depends on.
struct TCommandContext {
  int Tab = 0;                      // the selected tab of the notebook
  std::uint32_t CapturedCount = 0;  // of the open web
  int MapCount = 0;                 // image maps of the open web
  THtmlCommandStates Html;          // which generated and help pages exist
};

// Where a dialog that centres itself on the main window goes (integer halves toward zero).
TPoint CentreOn(const TRect& main_window, std::int32_t width, std::int32_t height);

class TMainWindowModel {
 public:
  // Tabs of WebNoteBook, in order.
  enum TTab : int { kWebTab = 0, kOptionsTab, kFileTab, kCaptureTab, kUrlTab, kMultimediaTab };
  static constexpr int kSlotRows = 9;

  // "Korvane 1.073 " alone without a web; else followed by "(" title ")", the title being the
  // project file's folder without its final separator when the web has none.
  static std::string Caption(bool web_open, const std::string& title,
                             const std::string& project_file);

  bool WebOpen() const { return web_open_; }
  bool Capturing() const { return capturing_; }
  bool Busy() const { return busy_; }
  void SetWebOpen(bool open) { web_open_ = open; }
  void SetBusy(bool busy) { busy_ = busy; }
  // Links are resolved: by a capture run's end, or by "&Resolve links".
  void SetResolving(bool resolving) { resolving_ = resolving; }

  TWindowState State() const;
  // Whether a command can be chosen now. While a capture or a resolution runs, nothing that
  // changes the web, opens another or changes the settings can be; reading pages, the help and
  // Exit (which asks) stay available.
  bool CommandEnabled(TCommand command, const TCommandContext& context) const;

  // While capturing only the Capture and Multimedia tabs can be selected.
  bool TabSelectable(int tab) const;
  // StartBut and "&Start": enabled outside a capture except on the URL and Multimedia tabs.
  bool StartEnabled(int tab) const;
  bool StopEnabled() const { return capturing_; }
  // New, Exit and Start do nothing while a project file is read or written.
  bool CanRunCommand() const { return !busy_; }

  // A capture run: BeginCapture when it starts (false when it may not: busy, or no web),
  // CaptureEnded when the session's loop is over.
  bool BeginCapture();
  bool CaptureEnded();

  enum class TCloseStep { kRefuse, kAskAbort, kCloseWeb };
  TCloseStep CloseQuery() const;
  static constexpr const char* kAbortQuestion = "There is a capture in progress. Abort?";
  static constexpr const char* kAbortCaption = "Quit Korvane";
  // True when the session must stop all its transfers; the window then closes at the run's end.
  bool AnswerAbort(TModalResult answer);

  enum class TCloseWebStep { kNothing, kSaveSilently, kAskSave };
  TCloseWebStep CloseWebStep(bool has_file_name) const;
  static constexpr const char* kSaveQuestion = "Save current Web?";
  static constexpr const char* kSaveCaption = "Close Web";

  // "&Image MAP..." needs maps; "&Reset" asks kResetQuestion only when files were captured.
  static bool ImageMapEnabled(int map_count) { return map_count > 0; }
  static bool ResetAsks(std::int32_t captured_count) { return captured_count != 0; }
  static constexpr const char* kResetQuestion =
      "This action will delete all created files as well as all links to URL\r\nContinue?";
  static constexpr const char* kResetCaption = "Reset Web";

  // The stop dialog ("Stop capture"): abortAll is true when "Complete captures in progress" is
  // not ticked.
  static bool StopAbortsAll(bool complete_in_progress) { return !complete_in_progress; }
  // OK in the stop dialog; the capture run collects the request with TakeStopRequest (its
  // PollStop hook). A confirmed close of the window asks for StopAll the same way.
  void RequestStop(bool complete_in_progress);
  // While a stop lets the transfers under way finish, Stop stays offered and a second one aborts
  // them at once, without asking again (as a second Ctrl-C does on the command line).
  bool StopAbortsAtOnce() const { return capturing_ && user_stop_ == TUserStop::kCompleteCurrent; }
  void AbortStop();
  // How the user asked the last run to end (kept after it ends, for its summary).
  TUserStop UserStop() const { return user_stop_; }
  TCaptureRunHooks::TStopRequest TakeStopRequest();

  // One row of the " Socket progress " group, as cleared before each capture.
  struct TSlotRow {
    std::string Web, Url, State = "Idle", Size;
    std::int32_t Meter = 0;
  };
  static std::vector<TSlotRow> ClearedSlotRows() { return std::vector<TSlotRow>(kSlotRows); }
  // Slot numbers outside 1..9 are not shown.
  static bool SlotShown(int slot) { return slot >= 1 && slot <= kSlotRows; }

 private:
  bool web_open_ = false;
  bool capturing_ = false;
  bool busy_ = false;
  bool resolving_ = false;
  bool stop_asked_ = false;
  bool quit_after_capture_ = false;
  TUserStop user_stop_ = TUserStop::kNone;
  TCaptureRunHooks::TStopRequest stop_request_ = TCaptureRunHooks::TStopRequest::kNone;
};

}  // namespace korvane
