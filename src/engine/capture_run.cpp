#include "engine/capture_run.h"

#include "settings/param.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "engine/web.h"
#include "pages/page_rewriter.h"
#include "store/mime_list.h"

namespace korvane {
namespace {

constexpr std::int64_t kTickMs = 1000;

}  // namespace

TCaptureSettings CaptureSettingsOf(const TParam& param) {
  TCaptureSettings s;
  s.MaxSockets = param.MaxSockets;
  s.TryCount = param.TryCount;
  s.Timeout = param.Timeout;
  s.UseProxy = param.UseProxy;
  s.ProxyAdress = param.ProxyAdress;
  s.ProxyPort = param.ProxyPort;
  s.NoWriteDisk = param.NoWriteDisk;
  s.StopWaitSecs = param.StopWaitSecs;
  s.UserAgent = param.UserAgent;
  return s;
}

TResolveSetup ResolveSetupOf(const TParam& param, const std::string& program_folder) {
  return {param.SommaireParams, WithSeparator(program_folder) + "index" + kPathSeparator};
}

TPageProcessor WebPageProcessor(TWEB& web) {
  return [&web](TWebFile& page, const std::string& url,
                const std::function<bool(const TLinkParam&)>& filter, const std::string& charset,
                const std::string* body) {
    if (IsStylesheetType(page.GetMimeType())) {
      // One that could not be written back stays as served, its links entered all the same (the
      // resolve rewrites it again); only a full disk makes it a failure, which ends the run.
      return web.SetStylesheetLinks(page, url, filter) ||
             !web.FileSystem().LastStatus().NoSpaceLeft();
    }
    if (web.SetHtmlLinks(page, url, filter, charset, body) || !body) return true;
    // The processed page could not be written: the page as it came, as a stored one would stay.
    return web.FileSystem().ReplaceFile(web.Path() + page.GetFileName(), *body);
  };
}

TCaptureRun::TCaptureRun(TWEB& web, const TCaptureSettings& settings, TSocketHub& hub,
                         TGlobalMimeList* global_mime, TCaptureRunHooks& hooks,
                         TResolveSetup resolve, TPageProcessor process_page, const TClock& clock)
    : web_(web),
      settings_(settings),
      hub_(hub),
      global_mime_(global_mime),
      hooks_(hooks),
      resolve_(std::move(resolve)),
      process_page_(std::move(process_page)),
      clock_(clock) {}

TCaptureRun::~TCaptureRun() {
  if (phase_ != TPhase::kIdle) web_.ReleaseLog();
}

void TCaptureRun::Begin() {
  if (phase_ != TPhase::kIdle) return;
  phase_ = TPhase::kCapturing;
  begin_tick_ = clock_.TickMs();
  next_tick_ = begin_tick_ + kTickMs;
  (void)web_.TakeKeepingFailure();  // an earlier run's, said by it
  web_.HoldLog();
  try {
    // Updating the queue may overflow a counter: the session is made inside the guarded part.
    session_ =
        std::make_unique<TCapture>(web_, settings_, hub_, hooks_.View(), process_page_, &clock_);
  } catch (const std::exception& error) {
    SessionFailed(error.what());
  }
}

bool TCaptureRun::Step() {
  // What the socket work logged since the last step, then what this step logs.
  web_.FlushLog();
  const bool more = StepPhase();
  web_.FlushLog();
  return more;
}

bool TCaptureRun::StepPhase() {
  switch (phase_) {
    case TPhase::kIdle:
      Begin();
      return true;
    case TPhase::kCapturing:
      StepSession();
      return phase_ != TPhase::kDone;
    case TPhase::kResolving:
      try {
        if (resolver_->Step()) return true;
        result_.Resolved = resolver_->Result() == mrOk;
        result_.ResolveCancelled = resolver_->Result() == mrCancel;
        result_.WriteFailures = resolver_->WriteFailures();
      } catch (const std::exception& error) {
        // The pages done so far stay; the web is still saved and the run ends.
        web_.Log(error.what());
        if (result_.Error.empty()) result_.Error = error.what();
      }
      resolver_.reset();
      // The total size and the maps found in the pages are kept with the web.
      if (!web_.FileName().empty()) result_.Saved = Save() && result_.Saved;
      Finish();
      return false;
    case TPhase::kDone:
      break;
  }
  return false;
}

std::uint64_t TCaptureRun::StepWork() const {
  if (!session_) return 0;
  std::uint64_t idle = 0;
  for (int slot = 1; slot <= session_->SlotCount(); ++slot) {
    if (!session_->Request(slot).Busy()) ++idle;
  }
  return idle << 32 | static_cast<std::uint32_t>(session_->CapturedCount());
}

std::chrono::milliseconds TCaptureRun::WaitTime() const {
  if (phase_ != TPhase::kCapturing || !session_) return std::chrono::milliseconds(0);
  const std::int64_t now = clock_.TickMs();
  std::int64_t left = next_tick_ - now;
  // An address held back by politeness is due before the next tick: the run wakes for it, and
  // sleeps until then rather than stepping to find it still waiting.
  if (const std::int64_t wake = session_->WakeTick(); wake >= 0) left = std::min(left, wake - now);
  return std::chrono::milliseconds(std::clamp<std::int64_t>(left, 0, kTickMs));
}

void TCaptureRun::StepSession() {
  if (session_) {
    try {
      if (session_->Error().empty()) {
        ApplyStopRequest();
        if (clock_.TickMs() >= next_tick_) {
          next_tick_ += kTickMs;
          session_->Tick();
        }
      }
      // A handler's error ends the session as one raised here does.
      if (!session_->Error().empty()) throw std::runtime_error(session_->Error());
      if (session_->Pump()) return;
    } catch (const std::exception& error) {
      SessionFailed(error.what());
    }
  }
  CloseSession();
}

void TCaptureRun::ApplyStopRequest() {
  switch (hooks_.PollStop()) {
    case TCaptureRunHooks::TStopRequest::kCompleteCurrent:
      session_->Stop(false);
      break;
    case TCaptureRunHooks::TStopRequest::kAbortAll:
      session_->Stop(true);
      break;
    case TCaptureRunHooks::TStopRequest::kStopAll:
      session_->StopAll();
      break;
    case TCaptureRunHooks::TStopRequest::kNone:
      break;
  }
}

// The session ends; what was captured stays and the closing work still runs.
void TCaptureRun::SessionFailed(const std::string& error) {
  if (!result_.Error.empty()) return;
  result_.Error = error;
  web_.Log(error);
  hooks_.CaptureError(error);
  if (session_) session_->StopAll();
}

void TCaptureRun::CloseSession() {
  if (session_) {
    result_.Captured = session_->CapturedCount();
    result_.NotFound = session_->NotFoundCount();
    // The session's clock moves once a second: a run shorter than that would say it took none.
    result_.ElapsedMs =
        static_cast<std::int32_t>(std::min<std::int64_t>(clock_.TickMs() - begin_tick_, INT32_MAX));
    result_.BytesReceived = session_->BytesReceived();
    result_.Stopped = session_->Stopping();
    result_.DiskFull = session_->DiskFull();
    result_.StopReason = session_->StopReason();
    result_.Lost = session_->ErrorCount();
    // A few failures in a row at the end are chance; more are the server gone away.
    constexpr std::int32_t kStoppedAnswering = 3;
    if (const std::int32_t unanswered = session_->LossesSinceAnswer();
        unanswered >= kStoppedAnswering) {
      result_.LossCause = "the server stopped answering: the last " + std::to_string(unanswered) +
                          " addresses got no answer (" + session_->LastFailure().Message + ")";
    }
    last_status_ = session_->LastStatus();
    last_url_ = session_->LastUrl();
    last_failure_ = session_->LastFailure();
    robots_refused_start_ = session_->RobotsRefusedStart();
    // Nothing was left to fetch, or (in a web that holds files) only addresses that were not
    // found before and are not found again: the server answered; no failure.
    const bool answered_only_not_found =
        web_.CapturedCount() > 0 && last_failure_.Kind == TNetError::kNone;
    result_.NothingLeft = (last_url_.empty() || answered_only_not_found) && result_.Captured == 0 &&
                          !result_.Stopped && result_.Error.empty() && !robots_refused_start_;
    result_.Updated = settings_.Update;
    result_.Update = session_->Update();
    if (result_.Updated && !session_->LinkTargetsChanged()) {
      rewrite_only_.emplace(session_->Replaced().begin(), session_->Replaced().end());
    }
    if (web_.CapturedCount() != 0) session_->Fill();
    if (auto error = session_->SaveCookies()) result_.WriteFailures.push_back(*error);
    session_.reset();
  }
  if (!web_.FileName().empty()) result_.Saved = Save();
  if (web_.LastCaptureInfo().CapturedCount > 0) return StartResolving();
  // An update that only deleted files of pages gone: the links to them go to the not-found page.
  if (result_.Updated && result_.Update.CopyChanged()) return StartResolving();
  // A web with nothing left to fetch may still be unresolved (the program was killed while its
  // links were resolved): resolving again is harmless, a page rewritten twice stays the same.
  // An update that found nothing changed leaves the copy as it was.
  if (result_.NothingLeft && web_.CapturedCount() > 0 && !result_.Updated) return StartResolving();
  Finish();
}

bool TCaptureRun::Save() {
  if (web_.SaveToFile(web_.FileName())) return true;
  if (result_.SaveError.empty()) result_.SaveError = web_.SaveError();
  return false;
}

void TCaptureRun::StartResolving() {
  phase_ = TPhase::kResolving;
  resolver_ = std::make_unique<TResolveLinks>(web_, resolve_.Param, web_.FileSystem(),
                                              resolve_.TemplateFolder, hooks_.ResolveView());
  if (rewrite_only_) resolver_->RewriteOnly(*std::move(rewrite_only_));
}

void TCaptureRun::Finish() {
  phase_ = TPhase::kDone;
  web_.ReleaseLog();
  if (std::string failure = web_.TakeKeepingFailure(); !failure.empty()) {
    result_.WriteFailures.push_back(std::move(failure));
  }
  if (global_mime_) global_mime_->Merge(web_.MimeList());
  // A stopped session (by the user, a limit, a full disk) says so through the result.
  // An update failed when no kept file got an answer; a capture, when it kept nothing.
  const TUpdateCounts& u = result_.Update;
  const bool got_nothing = result_.Updated ? u.Asked > 0 && u.Unchanged + u.Changed + u.Gone == 0
                                           : result_.Captured == 0 && !result_.NothingLeft;
  if (got_nothing && !result_.Stopped) hooks_.ExplainFailure(web_, Explain());
  // A copy left partly resolved is not opened as if it were whole.
  if (result_.Captured > 0 && !result_.Stopped && !result_.ResolveCancelled) {
    hooks_.AfterCapture(web_);
  }
}

TCaptureFailure TCaptureRun::Explain() const {
  TCaptureFailure failure;
  // A server that answered 200 and then failed the transfer made no protocol error: what went
  // wrong is the failure itself, said as the cause.
  const bool answered_then_failed =
      last_status_ >= 200 && last_status_ < 400 && last_failure_.Kind != TNetError::kNone;
  const std::int32_t status = answered_then_failed ? 0 : last_status_;
  failure.Status = status;
  failure.Url = last_url_;
  failure.Net = last_failure_;
  if (robots_refused_start_) {
    failure.Kind = TCaptureFailure::kRobots;
    failure.Url = web_.Url();
    failure.Reason = "the site's robots.txt disallows the start address";
  } else if (status == 0 && last_failure_.Kind == TNetError::kTls) {
    failure.Kind = TCaptureFailure::kTls;
    failure.Reason = last_failure_.Message;
  } else if (status == 0 && settings_.UseProxy && !settings_.ProxyAdress.empty()) {
    failure.Kind = TCaptureFailure::kProxyConnection;
    failure.Url = settings_.ProxyAdress;
  } else if (status != 0 && status != 400 && status != 404) {
    failure.Kind = TCaptureFailure::kHttpStatus;
  } else {
    failure.Kind = TCaptureFailure::kStartAddress;
  }
  return failure;
}

}  // namespace korvane
