#include "engine/capture_run.h"

#include <chrono>
#include <exception>

#include "base/message_pump.h"
#include "engine/web.h"
#include "pages/page_rewriter.h"
#include "net/http_header.h"
#include "store/mime_list.h"

namespace korvane {
namespace {

using Clock = std::chrono::steady_clock;

// Drives the session until it ends: waits on the message pump (never spinning), ticks its clock
// every second and passes on the front end's stop requests.
void Drive(TCapture& session, TCaptureRunHooks& hooks) {
  auto next_tick = Clock::now() + std::chrono::seconds(1);
  while (session.Pump()) {
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next_tick - Clock::now());
    if (wait.count() > 0) WaitMessages(wait);
    ProcessMessages();
    if (Clock::now() < next_tick) continue;
    next_tick += std::chrono::seconds(1);
    session.Tick();
    switch (hooks.PollStop()) {
      case TCaptureRunHooks::TStopRequest::kCompleteCurrent:
        session.Stop(false);
        break;
      case TCaptureRunHooks::TStopRequest::kAbortAll:
        session.Stop(true);
        break;
      case TCaptureRunHooks::TStopRequest::kStopAll:
        session.StopAll();
        break;
      case TCaptureRunHooks::TStopRequest::kNone:
        break;
    }
  }
}

TCaptureFailure Explain(const TCaptureSettings& settings) {
  const THttpGlobals& http = HttpGlobals();
  TCaptureFailure failure;
  failure.Status = http.last_status;
  failure.Url = http.last_url;
  if (http.last_status == 0 && settings.UseProxy && !settings.ProxyAdress.empty()) {
    failure.Kind = TCaptureFailure::kProxyConnection;
    failure.Url = settings.ProxyAdress;
  } else if (http.last_status != 0 && http.last_status != 400 && http.last_status != 404) {
    failure.Kind = TCaptureFailure::kHttpStatus;
  } else {
    failure.Kind = TCaptureFailure::kStartAddress;
  }
  return failure;
}

}  // namespace

TPageProcessor WebPageProcessor(TWEB& web) {
  return [&web](TWebFile& page, const std::string& url,
                const std::function<bool(const TLinkParam&)>& filter) {
    web.SetHtmlLinks(page, url, filter);
  };
}

TCaptureRunResult RunCapture(TWEB& web, const TCaptureSettings& settings,
                             TGlobalMimeList* global_mime, TCaptureRunHooks& hooks,
                             TPageProcessor process_page) {
  TCaptureRunResult result;
  {
    TCapture session(web, settings, hooks.View(), std::move(process_page));
    try {
      Drive(session, hooks);
    } catch (const std::exception& error) {
      // The session ends; what was captured stays and the closing work still runs.
      result.Error = error.what();
      web.Log(result.Error);
      hooks.CaptureError(result.Error);
      session.StopAll();
    }
    result.Captured = session.CapturedCount();
    result.Stopped = session.Stopping();
    result.DiskFull = session.DiskFull();
    if (web.CapturedCount != 0) session.Fill();
  }
  if (!web.FileName.empty()) result.Saved = web.SaveToFile(web.FileName);
  if (web.LastCaptureInfo.CapturedCount > 0) hooks.ResolveLinks(web);
  if (global_mime) global_mime->Merge(web.MimeList);
  if (result.Captured == 0 && !result.Stopped) hooks.ExplainFailure(web, Explain(settings));
  if (result.Captured > 0 && !result.Stopped) hooks.AfterCapture(web);
  return result;
}

}  // namespace korvane
