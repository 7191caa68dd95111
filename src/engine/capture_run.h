// TCaptureRun: a capture as a front end performs it, from the session's start to the closing
// work, as a run that the front end steps from its own loop. Begin starts the session; each Step
// applies the front end's stop requests, ticks the clock once a second, saves the web every 50
// kept files and hands queued addresses to idle slots, and returns; the socket events arrive
// between steps, through the front end's message pump. Once the session has ended, the next steps
// do the closing work: the figures, the save, resolving links (a batch per step), the program-wide
// MIME table, the explanation of a capture that got nothing and the after-capture actions.
//
//   run.Begin();
//   while (run.Step()) pump.WaitMessages(run.WaitTime()), pump.ProcessMessages();
//   use run.Result();
//
// Nothing here pumps messages, and nothing thrown by the session escapes a step: an error ends
// the session, is written into the web's log page and becomes the result's Error.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/capture.h"
#include "engine/resolve_links.h"
#include "pages/sommaire_param.h"

namespace korvane {

class TGlobalMimeList;
class TParam;
class TSocketHub;
class TWEB;

// Why a capture got nothing, for the error box.
struct TCaptureFailure {
  enum TKind {
    kProxyConnection,  // no answer through the proxy
    kHttpStatus,       // an HTTP status other than 400 and 404
    kStartAddress,     // no answer, 400 or 404: the start address may be wrong
    kTls,              // no secure connection: Reason says why (the certificate's problem)
    kRobots,           // the site's robots.txt disallows the start address
  };
  TKind Kind = kStartAddress;
  std::int32_t Status = 0;
  std::string Url;  // the address last handed out, or the proxy for kProxyConnection
  std::string Reason = {};
  TNetError Net = {};  // why the last failed attempt failed (kNone when none did)
};

class TCaptureRunHooks {
 public:
  enum class TStopRequest { kNone, kCompleteCurrent, kAbortAll, kStopAll };

  virtual ~TCaptureRunHooks() = default;
  virtual TCaptureView* View() { return nullptr; }
  // Asked at every step while the session runs.
  virtual TStopRequest PollStop() { return TStopRequest::kNone; }
  // Resolving links starts after a capture that kept files; the view (may be null) shows it.
  // The front end may cancel it through the run's Resolver().
  virtual TResolveView* ResolveView() { return nullptr; }
  virtual void ExplainFailure(TWEB&, const TCaptureFailure&) {}
  // An error that ended the session early (its message is also in the web's log page).
  virtual void CaptureError(const std::string&) {}
  // After a capture that kept files and was not stopped, and whose links were not left partly
  // resolved by a cancel (bookmark, navigator).
  virtual void AfterCapture(TWEB&) {}
};

struct TCaptureRunResult {
  std::int32_t Captured = 0;       // files kept during the session
  std::int32_t NotFound = 0;       // addresses of the session not found
  std::int32_t ElapsedMs = 0;      // how long the session ran
  std::int64_t BytesReceived = 0;  // by the session's transfers
  bool Stopped = false;
  bool DiskFull = false;
  bool Saved = false;     // the project file was written after the session
  bool Resolved = false;  // links were resolved to the end
  // The resolve was cancelled: part of the pages still lead to the server.
  bool ResolveCancelled = false;
  // No address was left to fetch, or only addresses not found again: the copy is as complete as
  // it can be (not a failure).
  bool NothingLeft = false;
  std::string StopReason;  // the limit that stopped the session, in words, or empty
  std::string Error;       // the message of an error that ended the session
  // Files the session was sent for and could not keep (each logged with its address and cause).
  std::int32_t Lost = 0;
  // Why the losses came, when the run ended on a server that no longer answered; else empty.
  std::string LossCause;
  // Why pages of the resolve (rewritten pages, the home page, the indexes) could not be written.
  std::vector<std::string> WriteFailures;
  // Why the project file could not be written, when it was not.
  std::string SaveError;
  // The run was an update, and what it found.
  bool Updated = false;
  TUpdateCounts Update;
};

// Where resolving links finds its parameters and templates.
struct TResolveSetup {
  TSommaireParam Param;
  std::string TemplateFolder;  // the index templates, ending with a separator
};

// The processing of captured pages of `web`: links entered through its NewLink, footer added.
TPageProcessor WebPageProcessor(TWEB& web);

// What the settings say a capture runs with (slots, tries, proxy...), and where its links are
// resolved from (the index templates of `program_folder`): the same for every front end.
TCaptureSettings CaptureSettingsOf(const TParam& param);
TResolveSetup ResolveSetupOf(const TParam& param, const std::string& program_folder);

class TCaptureRun {
 public:
  enum class TPhase { kIdle, kCapturing, kResolving, kDone };

  // Everything given must outlive the run. `global_mime` may be null (no program-wide table).
  TCaptureRun(TWEB& web, const TCaptureSettings& settings, TSocketHub& hub,
              TGlobalMimeList* global_mime, TCaptureRunHooks& hooks, TResolveSetup resolve,
              TPageProcessor process_page, const TClock& clock);
  ~TCaptureRun();
  TCaptureRun(const TCaptureRun&) = delete;
  TCaptureRun& operator=(const TCaptureRun&) = delete;

  // Starts the session: slots created, what is left queued again, the start logged. An error
  // raised there ends the run at its first step.
  void Begin();
  // The next step; false once the run is done (Result is then final).
  bool Step();
  // How long the front end may wait for socket events before the next step is due.
  std::chrono::milliseconds WaitTime() const;
  // What a step of the session acts on: the slots that are idle and the files kept. When the
  // socket work a front end runs after a step changes it (a transfer ended), the next step is
  // due at once, since no socket event will come to ask for it.
  std::uint64_t StepWork() const;

  TPhase Phase() const { return phase_; }
  // The session while it runs, else null.
  TCapture* Session() { return session_.get(); }
  // Resolving links while it runs, else null.
  TResolveLinks* Resolver() { return resolver_.get(); }
  const TCaptureRunResult& Result() const { return result_; }

 private:
  bool StepPhase();
  void StepSession();
  void ApplyStopRequest();
  void SessionFailed(const std::string& error);
  // Figures, session freed, web saved; then resolving or the end.
  void CloseSession();
  void StartResolving();
  // Saves the web, keeping why the first save that failed failed.
  bool Save();
  void Finish();
  TCaptureFailure Explain() const;

  TWEB& web_;
  TCaptureSettings settings_;
  TSocketHub& hub_;
  TGlobalMimeList* global_mime_;
  TCaptureRunHooks& hooks_;
  TResolveSetup resolve_;
  TPageProcessor process_page_;
  const TClock& clock_;
  TPhase phase_ = TPhase::kIdle;
  std::unique_ptr<TCapture> session_;
  std::unique_ptr<TResolveLinks> resolver_;
  // An update whose changes leave every other page's links as they were: only these are
  // rewritten. None: every page.
  std::optional<std::unordered_set<const TWebFile*>> rewrite_only_;
  std::int64_t begin_tick_ = 0;
  std::int64_t next_tick_ = 0;
  std::int32_t last_status_ = 0;
  std::string last_url_;
  bool robots_refused_start_ = false;
  TNetError last_failure_;
  TCaptureRunResult result_;
};

}  // namespace korvane
